#include "hardware/ui/DigitizerPropertyPage_Trigger.h"

#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

#include "hardware/Digitizer.h"

namespace voxmill {

CDigitizerPropertyPage_Trigger::CDigitizerPropertyPage_Trigger(QWidget* parent)
    : CProjectorPropertyPage(QStringLiteral("Trigger control"), parent),
      m_pDefault(new QRadioButton(QStringLiteral("Default (dcf file based)"))),
      m_pManual(new QRadioButton(QStringLiteral("Manual"))) {
    auto* source = new QGroupBox(QStringLiteral("Trigger source"));
    auto* radios = new QVBoxLayout(source);
    radios->addWidget(m_pDefault);
    radios->addWidget(m_pManual);
    auto* column = new QVBoxLayout(this);
    column->addWidget(source);
    column->addStretch();
    m_pDefault->setChecked(true);
}

void CDigitizerPropertyPage_Trigger::SetDigitizer(CDigitizer* digitizer) {
    m_pDigitizer = digitizer;
    ShowAccepted();
}

void CDigitizerPropertyPage_Trigger::ShowAccepted() {
    if (!m_pDigitizer) return;
    (m_pDigitizer->triggerMode == CDigitizer::kTriggerManual ? m_pManual : m_pDefault)->setChecked(true);
}

bool CDigitizerPropertyPage_Trigger::Validate(QString*, QWidget**) {
    if (m_pDigitizer)
        m_pDigitizer->triggerMode = m_pManual->isChecked() ? CDigitizer::kTriggerManual : CDigitizer::kTriggerDefault;
    return true;
}

}  // namespace voxmill
