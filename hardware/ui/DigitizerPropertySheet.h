// The digitizer's property sheet ("Property Sheet"): "Input region" and
// "Trigger control", both exchanging their values with the document. A
// page with a value out of range cannot be left.
#pragma once

#include "acquisition/ui/CheckedPropertySheet.h"

namespace voxmill {

class CDigitizer;
class CDigitizerPropertyPage_Settings;
class CDigitizerPropertyPage_Trigger;

class CDigitizerPropertySheet : public CCheckedPropertySheet {
    Q_OBJECT

public:
    enum Page { kSettingsPage, kTriggerPage };

    explicit CDigitizerPropertySheet(QWidget* parent = nullptr);

    void SetDigitizer(CDigitizer* digitizer);
    CDigitizerPropertyPage_Settings* SettingsPage() const { return m_pSettings; }
    CDigitizerPropertyPage_Trigger* TriggerPage() const { return m_pTrigger; }

private:
    CDigitizerPropertyPage_Settings* m_pSettings;
    CDigitizerPropertyPage_Trigger* m_pTrigger;
};

}  // namespace voxmill
