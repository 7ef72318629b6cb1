#include "acquisition/ui/ProjectorPropertyPage_Detector.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QVBoxLayout>

namespace voxmill {
namespace {

QGroupBox* AxisGroup(const QString& title, QLineEdit* dim, QLineEdit* num) {
    auto* group = new QGroupBox(title);
    auto* form = new QFormLayout(group);
    form->addRow(QStringLiteral("Dim"), dim);
    form->addRow(QStringLiteral("Num"), num);
    return group;
}

}  // namespace

CProjectorPropertyPage_Detector::CProjectorPropertyPage_Detector(QWidget* parent)
    : CProjectorPropertyPage(QStringLiteral("Detector geometry"), parent), m_pType(new QComboBox),
      m_pDimX(NewEdit(QStringLiteral("X Axis Dim"))), m_pDimY(NewEdit(QStringLiteral("Y Axis Dim"))),
      m_pNumX(NewEdit(QStringLiteral("X Axis Num"))), m_pNumY(NewEdit(QStringLiteral("Y Axis Num"))) {
    m_pType->addItem(QStringLiteral("Flat Rectangle Detector"));
    auto* column = new QVBoxLayout(this);
    column->addWidget(m_pType);
    auto* axes = new QHBoxLayout;
    axes->addWidget(AxisGroup(QStringLiteral("X Axis"), m_pDimX, m_pNumX));
    axes->addWidget(AxisGroup(QStringLiteral("Y Axis"), m_pDimY, m_pNumY));
    column->addLayout(axes);
    column->addStretch(1);
    ShowAccepted();
}

void CProjectorPropertyPage_Detector::ShowAccepted() {
    m_pType->setCurrentIndex(m_values.detectorType);
    m_pDimX->setText(Number(m_values.dimX));
    m_pDimY->setText(Number(m_values.dimY));
    m_pNumX->setText(QString::number(m_values.width));
    m_pNumY->setText(QString::number(m_values.height));
}

bool CProjectorPropertyPage_Detector::Validate(QString* message, QWidget** field) {
    DetectorPageValues v = m_values;
    long long width = 0, height = 0;
    v.detectorType = std::max(0, m_pType->currentIndex());
    if (!ReadReal(m_pDimX, 0, 1000, &v.dimX, message)) return *field = m_pDimX, false;
    if (!ReadInt(m_pNumX, 32, 4096, &width, message)) return *field = m_pNumX, false;
    if (!ReadReal(m_pDimY, 0, 1000, &v.dimY, message)) return *field = m_pDimY, false;
    if (!ReadInt(m_pNumY, 32, 4096, &height, message)) return *field = m_pNumY, false;
    v.width = static_cast<std::uint32_t>(width);
    v.height = static_cast<std::uint32_t>(height);
    m_values = v;
    return true;
}

}  // namespace voxmill
