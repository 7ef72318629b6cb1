// The "Detector geometry" page: the detector type (one item, "Flat
// Rectangle Detector") and, in the "X Axis" and "Y Axis" groups, the
// physical size ("Dim", 0 to 1000 world units) and the pixel count ("Num",
// 32 to 4096) along H and V.
#pragma once

#include "acquisition/GeometryValues.h"
#include "acquisition/ui/ProjectorPropertyPage.h"

class QComboBox;
class QLineEdit;

namespace voxmill {

class CProjectorPropertyPage_Detector : public CProjectorPropertyPage {
    Q_OBJECT

public:
    explicit CProjectorPropertyPage_Detector(QWidget* parent = nullptr);

    bool Validate(QString* message, QWidget** field) override;
    void ShowAccepted() override;
    const DetectorPageValues& Values() const { return m_values; }

    QComboBox* TypeBox() const { return m_pType; }
    QLineEdit* DimX() const { return m_pDimX; }
    QLineEdit* DimY() const { return m_pDimY; }
    QLineEdit* NumX() const { return m_pNumX; }
    QLineEdit* NumY() const { return m_pNumY; }

private:
    DetectorPageValues m_values;
    QComboBox* m_pType;
    QLineEdit* m_pDimX;
    QLineEdit* m_pDimY;
    QLineEdit* m_pNumX;
    QLineEdit* m_pNumY;
};

}  // namespace voxmill
