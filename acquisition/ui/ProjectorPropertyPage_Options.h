// The "Options" page: the radio groups "Projection Collectioning" and "Ray
// tracing", bound to the projector document's collection and ray modes
// (the page has no values of its own).
#pragma once

#include <QWidget>

class QRadioButton;

namespace voxmill {

class CProjector;

class CProjectorPropertyPage_Options : public QWidget {
    Q_OBJECT

public:
    explicit CProjectorPropertyPage_Options(QWidget* parent = nullptr);

    static QString Title() { return QStringLiteral("Options"); }
    // The document the buttons are bound to; null unbinds them.
    void SetProjector(CProjector* projector);
    // Shows the document's modes.
    void ShowModes();

    QRadioButton* LinkedButton() const { return m_pLinked; }
    QRadioButton* InPlaceButton() const { return m_pInPlace; }
    QRadioButton* OneRayButton() const { return m_pOneRay; }
    QRadioButton* FiveRaysButton() const { return m_pFiveRays; }

private:
    void TakeModes();

    CProjector* m_pProjector = nullptr;
    QRadioButton* m_pLinked;
    QRadioButton* m_pInPlace;
    QRadioButton* m_pOneRay;
    QRadioButton* m_pFiveRays;
};

}  // namespace voxmill
