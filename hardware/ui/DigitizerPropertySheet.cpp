#include "hardware/ui/DigitizerPropertySheet.h"

#include "hardware/ui/DigitizerPropertyPage_Settings.h"
#include "hardware/ui/DigitizerPropertyPage_Trigger.h"

namespace voxmill {

CDigitizerPropertySheet::CDigitizerPropertySheet(QWidget* parent)
    : CCheckedPropertySheet(parent),
      m_pSettings(new CDigitizerPropertyPage_Settings),
      m_pTrigger(new CDigitizerPropertyPage_Trigger) {
    addTab(m_pSettings, m_pSettings->Title());
    addTab(m_pTrigger, m_pTrigger->Title());
}

void CDigitizerPropertySheet::SetDigitizer(CDigitizer* digitizer) {
    m_pSettings->SetDigitizer(digitizer);
    m_pTrigger->SetDigitizer(digitizer);
}

}  // namespace voxmill
