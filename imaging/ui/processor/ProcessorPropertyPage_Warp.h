// The processor's "Warping" page: the groups "Shift" ("Yes", "X" and "Y"
// in pixels, -300 to 300), "Rotate" ("Yes", "Degrees" from 0 to 360,
// "CCW" or "CW") and "Spherize" ("Yes", "Amount" from -100 to 100, the
// axes "X" and "Y"), all off and 0 to begin with, both axes on.
//
// The page keeps the values it accepted when it was last checked; an angle
// that is no number or lies outside 0 to 360 is refused with the standard
// range message and gets the focus, whether "Rotate" is on or not.
#pragma once

#include "acquisition/ui/ProjectorPropertyPage.h"
#include "imaging/WarpValues.h"

class QCheckBox;
class QLineEdit;
class QRadioButton;
class QSpinBox;

namespace voxmill {

class CProcessorPropertyPage_Warp : public CProjectorPropertyPage {
    Q_OBJECT

public:
    explicit CProcessorPropertyPage_Warp(QWidget* parent = nullptr);

    bool Validate(QString* message, QWidget** field) override;
    void ShowAccepted() override;
    const WarpValues& Values() const { return m_values; }

    QCheckBox* ShiftYes() const { return m_pShiftYes; }
    QSpinBox* ShiftX() const { return m_pShiftX; }
    QSpinBox* ShiftY() const { return m_pShiftY; }
    QCheckBox* RotateYes() const { return m_pRotateYes; }
    QLineEdit* Degrees() const { return m_pDegrees; }
    QRadioButton* CounterClockwise() const { return m_pCcw; }
    QRadioButton* Clockwise() const { return m_pCw; }
    QCheckBox* SpherizeYes() const { return m_pSpherizeYes; }
    QSpinBox* Amount() const { return m_pAmount; }
    QCheckBox* SpherizeX() const { return m_pSpherizeX; }
    QCheckBox* SpherizeY() const { return m_pSpherizeY; }

private:
    QWidget* CreateShiftGroup();
    QWidget* CreateRotateGroup();
    QWidget* CreateSpherizeGroup();

    WarpValues m_values;
    QCheckBox* m_pShiftYes = nullptr;
    QSpinBox* m_pShiftX = nullptr;
    QSpinBox* m_pShiftY = nullptr;
    QCheckBox* m_pRotateYes = nullptr;
    QLineEdit* m_pDegrees = nullptr;
    QRadioButton* m_pCcw = nullptr;
    QRadioButton* m_pCw = nullptr;
    QCheckBox* m_pSpherizeYes = nullptr;
    QSpinBox* m_pAmount = nullptr;
    QCheckBox* m_pSpherizeX = nullptr;
    QCheckBox* m_pSpherizeY = nullptr;
};

}  // namespace voxmill
