#include "reconstruction/ui/BackProjectorPropertyPage_Volume.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QVBoxLayout>
#include <cmath>
#include <limits>

#include "app/MemoryBudget.h"

namespace voxmill {
namespace {

QString Number(double value) { return QString::number(value, 'g', 15); }

bool ParseReal(const QLineEdit* edit, double* value) {
    const QString text = edit->text().trimmed();
    bool ok = false;
    double v = text.toDouble(&ok);
    if (!ok) v = QLocale().toDouble(text, &ok);
    if (!ok || !std::isfinite(v)) return false;
    *value = v;
    return true;
}

bool ParseCount(const QLineEdit* edit, std::uint32_t* value) {
    const QString text = edit->text().trimmed();
    // toULongLong would take "-1" as a huge count.
    if (text.startsWith(QLatin1Char('-'))) return false;
    bool ok = false;
    const qulonglong v = text.toULongLong(&ok);
    if (!ok || v > std::numeric_limits<std::uint32_t>::max()) return false;
    *value = static_cast<std::uint32_t>(v);
    return true;
}

}  // namespace

CBackProjectorPropertyPage_Volume::CBackProjectorPropertyPage_Volume(QWidget* parent)
    : QWidget(parent), m_pShape(new QComboBox), m_pMemory(new QLabel) {
    m_pShape->setObjectName(QStringLiteral("shape"));
    m_pShape->addItem(QStringLiteral("Parallelepiped"));
    auto* column = new QVBoxLayout(this);
    column->addWidget(m_pShape, 0, Qt::AlignLeft);
    auto* groups = new QHBoxLayout;
    groups->addWidget(CreateAxisGroup(kX, QStringLiteral("X Axis")));
    groups->addWidget(CreateAxisGroup(kY, QStringLiteral("Y Axis")));
    groups->addWidget(CreateAxisGroup(kZ, QStringLiteral("Z Axis")));
    column->addLayout(groups);
    m_pMemory->setObjectName(QStringLiteral("memory"));
    column->addWidget(m_pMemory);
    column->addStretch(1);
    ShowAccepted();
    for (QLineEdit* edit : m_pixels) connect(edit, &QLineEdit::textChanged, this, [this] { UpdateMemory(); });
    for (auto* edits : {&m_pixels, &m_dimension})
        for (QLineEdit* edit : *edits) connect(edit, &QLineEdit::textEdited, this, [this] { emit edited(); });
    connect(m_pShape, &QComboBox::activated, this, [this] { emit edited(); });
    UpdateMemory();
}

QString CBackProjectorPropertyPage_Volume::MemoryText() const {
    CBackProjector::VolumeSize size;
    std::uint32_t* counts[] = {&size.nX, &size.nY, &size.nZ};
    for (int a = kX; a <= kZ; ++a)
        if (!ParseCount(m_pixels[a], counts[a])) return QStringLiteral("Memory: n/a");
    const std::optional<std::uint64_t> needed = CBackProjector::RenderMemory(size);
    const std::optional<std::uint64_t> available = AvailableMemory();
    const QString need = needed ? QString::fromStdString(FormatBytes(*needed)) : QStringLiteral("more than any machine has");
    QString text = QStringLiteral("Memory: %1 needed").arg(need);
    if (available) text += QStringLiteral(", %1 available").arg(QString::fromStdString(FormatBytes(*available)));
    if (!needed || (available && *needed > *available)) text += QStringLiteral(": too large to render");
    return text;
}

void CBackProjectorPropertyPage_Volume::UpdateMemory() {
    const QString text = MemoryText();
    m_pMemory->setText(text);
    // A volume that cannot be rendered is said in the error colour.
    m_pMemory->setStyleSheet(text.endsWith(QStringLiteral("too large to render")) ? QStringLiteral("color: #c00000;")
                                                                                   : QString());
}

QWidget* CBackProjectorPropertyPage_Volume::CreateAxisGroup(Axis axis, const QString& title) {
    auto* group = new QGroupBox(title);
    group->setObjectName(title);
    auto* form = new QFormLayout(group);
    auto* dimension = new QLineEdit;
    auto* pixels = new QLineEdit;
    dimension->setObjectName(QStringLiteral("Dimension"));
    pixels->setObjectName(QStringLiteral("Pixel number"));
    for (QLineEdit* edit : {dimension, pixels}) edit->setMaximumWidth(70);
    form->addRow(QStringLiteral("Dimension"), dimension);
    form->addRow(QStringLiteral("Pixel number"), pixels);
    m_dimension[axis] = dimension;
    m_pixels[axis] = pixels;
    return group;
}

void CBackProjectorPropertyPage_Volume::ShowAccepted() {
    m_pShape->setCurrentIndex(m_shape);
    const double dims[] = {m_values.dimX, m_values.dimY, m_values.dimZ};
    const std::uint32_t counts[] = {m_values.nX, m_values.nY, m_values.nZ};
    for (int a = kX; a <= kZ; ++a) {
        m_dimension[a]->setText(Number(dims[a]));
        m_pixels[a]->setText(QString::number(counts[a]));
    }
}

bool CBackProjectorPropertyPage_Volume::Validate(QString* message, QWidget** field) {
    CBackProjector::VolumeSize v;
    double* dims[] = {&v.dimX, &v.dimY, &v.dimZ};
    std::uint32_t* counts[] = {&v.nX, &v.nY, &v.nZ};
    // Field order on the page: each group's dimension, then its pixel number.
    for (int a = kX; a <= kZ; ++a) {
        if (!ParseReal(m_dimension[a], dims[a])) {
            *message = NumberMessage();
            *field = m_dimension[a];
            return false;
        }
        if (!ParseCount(m_pixels[a], counts[a])) {
            *message = CountMessage();
            *field = m_pixels[a];
            return false;
        }
    }
    m_values = v;
    m_shape = std::max(0, m_pShape->currentIndex());
    return true;
}

}  // namespace voxmill
