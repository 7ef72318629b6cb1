#include "acquisition/ui/ProjectorPropertyPage_Snapshots.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLineEdit>

namespace voxmill {

CProjectorPropertyPage_Snapshots::CProjectorPropertyPage_Snapshots(QWidget* parent)
    : CProjectorPropertyPage(QStringLiteral("Snapshots"), parent), m_pMode(new QComboBox),
      m_pStart(NewEdit(QStringLiteral("Start angle"))), m_pEnd(NewEdit(QStringLiteral("End angle"))),
      m_pSteps(NewEdit(QStringLiteral("Step number"))) {
    m_pMode->addItem(QStringLiteral("Sample Angle"));
    auto* form = new QFormLayout(this);
    form->addRow(m_pMode);
    form->addRow(QStringLiteral("Start angle"), m_pStart);
    form->addRow(QStringLiteral("End angle"), m_pEnd);
    form->addRow(QStringLiteral("Step number"), m_pSteps);
    ShowAccepted();
}

void CProjectorPropertyPage_Snapshots::ShowAccepted() {
    m_pMode->setCurrentIndex(m_values.snapshotMode);
    m_pStart->setText(Number(m_values.startAngle));
    m_pEnd->setText(Number(m_values.endAngle));
    m_pSteps->setText(QString::number(m_values.stepNumber));
}

bool CProjectorPropertyPage_Snapshots::Validate(QString* message, QWidget** field) {
    SnapshotValues v = m_values;
    long long steps = 0;
    v.snapshotMode = std::max(0, m_pMode->currentIndex());
    if (!ReadReal(m_pStart, 0, 360, &v.startAngle, message)) return *field = m_pStart, false;
    // The end's range follows the start just read.
    if (!ReadReal(m_pEnd, v.startAngle + 1, 360, &v.endAngle, message)) return *field = m_pEnd, false;
    if (!ReadInt(m_pSteps, 1, 720, &steps, message)) return *field = m_pSteps, false;
    v.stepNumber = static_cast<std::int32_t>(steps);
    m_values = v;
    return true;
}

}  // namespace voxmill
