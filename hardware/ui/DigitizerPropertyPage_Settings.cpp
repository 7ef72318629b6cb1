#include "hardware/ui/DigitizerPropertyPage_Settings.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include "hardware/Digitizer.h"

namespace voxmill {

CDigitizerPropertyPage_Settings::CDigitizerPropertyPage_Settings(QWidget* parent)
    : CProjectorPropertyPage(QStringLiteral("Input region"), parent),
      m_pBoards(new QComboBox),
      m_pFullWidth(new QLabel),
      m_pFullHeight(new QLabel),
      m_pNumX(NewEdit(QStringLiteral("X Axis Num"))),
      m_pNumY(NewEdit(QStringLiteral("Y Axis Num"))),
      m_pOffsetX(NewEdit(QStringLiteral("X Axis Offset"))),
      m_pOffsetY(NewEdit(QStringLiteral("Y Axis Offset"))) {
    m_pBoards->setObjectName(QStringLiteral("Board"));
    auto* region = new QGroupBox(QStringLiteral("Region"));
    auto* grid = new QGridLayout(region);
    grid->addWidget(new QLabel(QStringLiteral("Num")), 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("Offset")), 0, 3);
    grid->addWidget(new QLabel(QStringLiteral("X Axis")), 1, 0);
    grid->addWidget(m_pFullWidth, 1, 1);
    grid->addWidget(m_pNumX, 1, 2);
    grid->addWidget(m_pOffsetX, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("Y Axis")), 2, 0);
    grid->addWidget(m_pFullHeight, 2, 1);
    grid->addWidget(m_pNumY, 2, 2);
    grid->addWidget(m_pOffsetY, 2, 3);

    auto* scale = new QGroupBox(QStringLiteral("Scale Factor "));
    auto* radios = new QHBoxLayout(scale);
    auto* group = new QButtonGroup(this);
    const char* const names[3] = {"0.25", "0.50", "1.00"};
    for (int i = 0; i < 3; ++i) {
        m_pScale[i] = new QRadioButton(QString::fromLatin1(names[i]));
        m_pScale[i]->setObjectName(QString::fromLatin1(names[i]));
        group->addButton(m_pScale[i], i);
        radios->addWidget(m_pScale[i]);
    }

    auto* column = new QVBoxLayout(this);
    column->addWidget(m_pBoards);
    column->addWidget(region);
    column->addWidget(scale);
    column->addStretch();
    ShowAccepted();
}

void CDigitizerPropertyPage_Settings::SetDigitizer(CDigitizer* digitizer) {
    m_pDigitizer = digitizer;
    m_pBoards->clear();
    if (digitizer && digitizer->GetSystemType() == kGenesisSystemType)
        m_pBoards->addItem(QStringLiteral("Matrox Genesis"));
    ShowAccepted();
}

void CDigitizerPropertyPage_Settings::ShowAccepted() {
    if (!m_pDigitizer) return;
    const CDigitizer& d = *m_pDigitizer;
    m_pFullWidth->setText(QString::asprintf("%d", static_cast<int>(d.fullWidth)));
    m_pFullHeight->setText(QString::asprintf("%d", static_cast<int>(d.fullHeight)));
    m_pNumX->setText(QString::number(d.regionWidth));
    m_pNumY->setText(QString::number(d.regionHeight));
    m_pOffsetX->setText(QString::number(d.regionOffsetX));
    m_pOffsetY->setText(QString::number(d.regionOffsetY));
    if (d.scaleIndex >= 0 && d.scaleIndex < 3) m_pScale[d.scaleIndex]->setChecked(true);
}

bool CDigitizerPropertyPage_Settings::Validate(QString* message, QWidget** field) {
    if (!m_pDigitizer) return true;
    CDigitizer& d = *m_pDigitizer;
    long long numX = 0, numY = 0, offsetX = 0, offsetY = 0;
    // The offsets' limits follow the Num just typed.
    const auto fail = [field](QLineEdit* edit) {
        *field = edit;
        return false;
    };
    if (!ReadInt(m_pNumX, CDigitizer::kMinimumRegion, d.fullWidth, &numX, message)) return fail(m_pNumX);
    if (!ReadInt(m_pNumY, CDigitizer::kMinimumRegion, d.fullHeight, &numY, message)) return fail(m_pNumY);
    if (!ReadInt(m_pOffsetX, 0, d.fullWidth - numX, &offsetX, message)) return fail(m_pOffsetX);
    if (!ReadInt(m_pOffsetY, 0, d.fullHeight - numY, &offsetY, message)) return fail(m_pOffsetY);
    int scale = CDigitizer::kScaleFull;
    for (int i = 0; i < 3; ++i)
        if (m_pScale[i]->isChecked()) scale = i;
    d.SetSettings(static_cast<std::uint32_t>(numX), static_cast<std::uint32_t>(numY),
                  static_cast<std::uint32_t>(offsetX), static_cast<std::uint32_t>(offsetY), scale, d.triggerMode);
    return true;
}

}  // namespace voxmill
