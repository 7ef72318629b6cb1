// The digitizer's "Trigger control" page: the "Trigger source" radios
// "Default (dcf file based)" and "Manual", exchanged with the document.
#pragma once

#include "acquisition/ui/ProjectorPropertyPage.h"

class QRadioButton;

namespace voxmill {

class CDigitizer;

class CDigitizerPropertyPage_Trigger : public CProjectorPropertyPage {
    Q_OBJECT

public:
    explicit CDigitizerPropertyPage_Trigger(QWidget* parent = nullptr);

    void SetDigitizer(CDigitizer* digitizer);
    bool Validate(QString* message, QWidget** field) override;
    void ShowAccepted() override;

    QRadioButton* DefaultTrigger() const { return m_pDefault; }
    QRadioButton* ManualTrigger() const { return m_pManual; }

private:
    CDigitizer* m_pDigitizer = nullptr;
    QRadioButton* m_pDefault;
    QRadioButton* m_pManual;
};

}  // namespace voxmill
