// The "Snapshots" page: the snapshot mode (one item, "Sample Angle"), the
// "Start angle" (0 to 360 degrees), the "End angle" (start + 1 to 360) and
// the "Step number" (1 to 720).
#pragma once

#include "acquisition/ProjectorOptions.h"
#include "acquisition/ui/ProjectorPropertyPage.h"

class QComboBox;
class QLineEdit;

namespace voxmill {

class CProjectorPropertyPage_Snapshots : public CProjectorPropertyPage {
    Q_OBJECT

public:
    explicit CProjectorPropertyPage_Snapshots(QWidget* parent = nullptr);

    bool Validate(QString* message, QWidget** field) override;
    void ShowAccepted() override;
    const SnapshotValues& Values() const { return m_values; }

    QComboBox* ModeBox() const { return m_pMode; }
    QLineEdit* StartAngle() const { return m_pStart; }
    QLineEdit* EndAngle() const { return m_pEnd; }
    QLineEdit* StepNumber() const { return m_pSteps; }

private:
    SnapshotValues m_values;
    QComboBox* m_pMode;
    QLineEdit* m_pStart;
    QLineEdit* m_pEnd;
    QLineEdit* m_pSteps;
};

}  // namespace voxmill
