// The digitizer's window: a form with the property sheet at (7, 7), the
// "Live Preview" button and the live picture. "Live Preview" takes the
// pages' values over (nothing happens when one is out of range), stops a
// running live grab, reconfigures the live digitizer and starts it again,
// with the wait cursor shown. While the grab runs the picture shows the
// live buffer as the imaging library fills it, 25 times a second.
#pragma once

#include <QImage>

#include "app/ui/WidgetView.h"

class QLabel;
class QPushButton;
class QTimer;

namespace voxmill {

class CDigitizer;
class CDigitizerPropertySheet;

class CDigitizerView : public CWidgetView {
    Q_OBJECT

public:
    static constexpr int kPictureWidth = 384;
    static constexpr int kPictureHeight = 288;

    explicit CDigitizerView(QWidget* parent = nullptr);
    ~CDigitizerView() override;

    CDigitizer* GetDigitizer() const;
    void OnInitialUpdate() override;
    void OnDetach() override;

    CDigitizerPropertySheet* Sheet() const { return m_pSheet; }
    QPushButton* LivePreviewButton() const { return m_pLive; }
    QLabel* Picture() const { return m_pPicture; }
    // The live frame shown last (null image before the first).
    const QImage& LastFrame() const { return m_lastFrame; }

public slots:
    void OnLivePreview();
    // Reads the live buffer once and shows it.
    void RefreshPicture();

private:
    void CreateControls();

    CDigitizerPropertySheet* m_pSheet = nullptr;
    QPushButton* m_pLive = nullptr;
    QLabel* m_pPicture = nullptr;
    QTimer* m_pTimer = nullptr;
    QImage m_lastFrame;
};

}  // namespace voxmill
