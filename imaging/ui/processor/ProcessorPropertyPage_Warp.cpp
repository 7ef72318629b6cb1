#include "imaging/ui/processor/ProcessorPropertyPage_Warp.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace voxmill {
namespace {

QGroupBox* NewGroup(const QString& title) {
    auto* group = new QGroupBox(title);
    group->setObjectName(title);
    return group;
}

QCheckBox* NewCheck(const QString& text) {
    auto* check = new QCheckBox(text);
    check->setObjectName(text);
    return check;
}

// Arrows and typing both stay inside the range.
QSpinBox* NewSpin(const QString& objectName, int limit) {
    auto* spin = new QSpinBox;
    spin->setObjectName(objectName);
    spin->setRange(-limit, limit);
    spin->setMaximumWidth(90);
    return spin;
}

}  // namespace

CProcessorPropertyPage_Warp::CProcessorPropertyPage_Warp(QWidget* parent)
    : CProjectorPropertyPage(QStringLiteral("Warping"), parent) {
    auto* row = new QHBoxLayout(this);
    row->addWidget(CreateShiftGroup(), 0, Qt::AlignTop);
    row->addWidget(CreateRotateGroup(), 0, Qt::AlignTop);
    row->addWidget(CreateSpherizeGroup(), 0, Qt::AlignTop);
    ShowAccepted();
}

QWidget* CProcessorPropertyPage_Warp::CreateShiftGroup() {
    QGroupBox* group = NewGroup(QStringLiteral("Shift"));
    m_pShiftYes = NewCheck(QStringLiteral("Yes"));
    m_pShiftX = NewSpin(QStringLiteral("X"), WarpValues::kShiftLimit);
    m_pShiftY = NewSpin(QStringLiteral("Y"), WarpValues::kShiftLimit);
    auto* form = new QFormLayout(group);
    form->addRow(m_pShiftYes);
    form->addRow(QStringLiteral("X"), m_pShiftX);
    form->addRow(QStringLiteral("Y"), m_pShiftY);
    return group;
}

QWidget* CProcessorPropertyPage_Warp::CreateRotateGroup() {
    QGroupBox* group = NewGroup(QStringLiteral("Rotate"));
    m_pRotateYes = NewCheck(QStringLiteral("Yes"));
    m_pDegrees = NewEdit(QStringLiteral("Degrees"));
    m_pCcw = new QRadioButton(QStringLiteral("CCW"));
    m_pCw = new QRadioButton(QStringLiteral("CW"));
    auto* direction = new QButtonGroup(group);
    direction->addButton(m_pCcw, WarpValues::kCounterClockwise);
    direction->addButton(m_pCw, WarpValues::kClockwise);
    auto* radios = new QHBoxLayout;
    radios->addWidget(m_pCcw);
    radios->addWidget(m_pCw);
    auto* form = new QFormLayout(group);
    form->addRow(m_pRotateYes);
    form->addRow(QStringLiteral("Degrees"), m_pDegrees);
    form->addRow(radios);
    return group;
}

QWidget* CProcessorPropertyPage_Warp::CreateSpherizeGroup() {
    QGroupBox* group = NewGroup(QStringLiteral("Spherize"));
    m_pSpherizeYes = NewCheck(QStringLiteral("Yes"));
    m_pAmount = NewSpin(QStringLiteral("Amount"), WarpValues::kAmountLimit);
    m_pSpherizeX = NewCheck(QStringLiteral("X"));
    m_pSpherizeY = NewCheck(QStringLiteral("Y"));
    auto* axes = new QHBoxLayout;
    axes->addWidget(m_pSpherizeX);
    axes->addWidget(m_pSpherizeY);
    auto* form = new QFormLayout(group);
    form->addRow(m_pSpherizeYes);
    form->addRow(QStringLiteral("Amount"), m_pAmount);
    form->addRow(axes);
    return group;
}

void CProcessorPropertyPage_Warp::ShowAccepted() {
    m_pShiftYes->setChecked(m_values.shiftEnabled);
    m_pShiftX->setValue(m_values.shiftX);
    m_pShiftY->setValue(m_values.shiftY);
    m_pRotateYes->setChecked(m_values.rotateEnabled);
    m_pDegrees->setText(Number(m_values.angle));
    (m_values.direction == WarpValues::kClockwise ? m_pCw : m_pCcw)->setChecked(true);
    m_pSpherizeYes->setChecked(m_values.spherizeEnabled);
    m_pAmount->setValue(m_values.amount);
    m_pSpherizeX->setChecked(m_values.spherizeX);
    m_pSpherizeY->setChecked(m_values.spherizeY);
}

bool CProcessorPropertyPage_Warp::Validate(QString* message, QWidget** field) {
    WarpValues v;
    double angle = 0.0;
    if (!ReadReal(m_pDegrees, 0.0, WarpValues::kMaxAngle, &angle, message)) return *field = m_pDegrees, false;
    v.shiftEnabled = m_pShiftYes->isChecked();
    v.shiftX = m_pShiftX->value();
    v.shiftY = m_pShiftY->value();
    v.rotateEnabled = m_pRotateYes->isChecked();
    v.angle = static_cast<float>(angle);
    v.direction = m_pCw->isChecked() ? WarpValues::kClockwise : WarpValues::kCounterClockwise;
    v.spherizeEnabled = m_pSpherizeYes->isChecked();
    v.amount = m_pAmount->value();
    v.spherizeX = m_pSpherizeX->isChecked();
    v.spherizeY = m_pSpherizeY->isChecked();
    m_values = v;
    return true;
}

}  // namespace voxmill
