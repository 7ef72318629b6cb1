// The digitizer's "Input region" page: the board list ("Matrox Genesis"
// when the system type is 17, else empty), the full sizes as read-only
// "X Axis" and "Y Axis" texts, the region's "Num" (16 to the full size) and
// "Offset" (0 to the full size minus Num) per axis, and the "Scale Factor "
// radios "0.25", "0.50", "1.00". The page exchanges its values with the
// digitizer document; a value out of range is refused with the standard
// range message and the document keeps what it had.
#pragma once

#include "acquisition/ui/ProjectorPropertyPage.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace voxmill {

class CDigitizer;

class CDigitizerPropertyPage_Settings : public CProjectorPropertyPage {
    Q_OBJECT

public:
    static constexpr int kGenesisSystemType = 17;

    explicit CDigitizerPropertyPage_Settings(QWidget* parent = nullptr);

    void SetDigitizer(CDigitizer* digitizer);
    bool Validate(QString* message, QWidget** field) override;
    void ShowAccepted() override;

    QComboBox* Boards() const { return m_pBoards; }
    QLabel* FullWidth() const { return m_pFullWidth; }
    QLabel* FullHeight() const { return m_pFullHeight; }
    QLineEdit* NumX() const { return m_pNumX; }
    QLineEdit* NumY() const { return m_pNumY; }
    QLineEdit* OffsetX() const { return m_pOffsetX; }
    QLineEdit* OffsetY() const { return m_pOffsetY; }
    QRadioButton* Scale(int index) const { return m_pScale[index]; }

private:
    CDigitizer* m_pDigitizer = nullptr;
    QComboBox* m_pBoards;
    QLabel* m_pFullWidth;
    QLabel* m_pFullHeight;
    QLineEdit* m_pNumX;
    QLineEdit* m_pNumY;
    QLineEdit* m_pOffsetX;
    QLineEdit* m_pOffsetY;
    QRadioButton* m_pScale[3];
};

}  // namespace voxmill
