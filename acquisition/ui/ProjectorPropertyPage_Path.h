// The "X-ray Source path" page: the path type (one item, "Circle on
// X-Z"), the "Source Axis Distance" Ds and the "Axis Detector Distance" Dd,
// each 0 to 100 world units.
#pragma once

#include "acquisition/GeometryValues.h"
#include "acquisition/ui/ProjectorPropertyPage.h"

class QComboBox;
class QLineEdit;

namespace voxmill {

class CProjectorPropertyPage_Path : public CProjectorPropertyPage {
    Q_OBJECT

public:
    explicit CProjectorPropertyPage_Path(QWidget* parent = nullptr);

    bool Validate(QString* message, QWidget** field) override;
    void ShowAccepted() override;
    const SourcePathValues& Values() const { return m_values; }

    QComboBox* TypeBox() const { return m_pType; }
    QLineEdit* SourceAxisDistance() const { return m_pDs; }
    QLineEdit* AxisDetectorDistance() const { return m_pDd; }

private:
    SourcePathValues m_values;
    QComboBox* m_pType;
    QLineEdit* m_pDs;
    QLineEdit* m_pDd;
};

}  // namespace voxmill
