// The base of the image views: an image document shown as an 8-bit grey
// bitmap in a scrolling view at one of six zoom levels (or at the scale
// "Fit to Window" picks; Ctrl with the wheel steps through the levels,
// the plain wheel scrolls), with the grey
// window of the frame's two sliders, the pixel read-out in the frame's
// status pane and the liner tool. The float view (CSurfaceView) and the
// 8-bit view fill in the hooks: what the image is, how its bitmap and grey
// window are made, how a pixel value reads and what a drawn line does.
//
// View coordinates are those of the scroll extent: (0, 0) is its top-left
// corner whatever the scroll position. The bitmap is the view's own; the
// grey window only rewrites its bits, and a new bitmap (first display,
// update hint 108) always shows the document's full value range.
// A colour map other than grey replaces only the picture drawn (the bitmap
// stays grey, so what the exports write does not change).
#pragma once

#include <QImage>
#include <QPen>
#include <QPoint>
#include <QString>
#include <cstdint>
#include <memory>

#include "app/ui/WidgetView.h"
#include "imaging/ColourMap.h"
#include "imaging/GreyMap.h"
#include "imaging/ui/ImageLayout.h"

class QActionGroup;
class QMenu;
class QPainter;
class QPrinter;
class QScrollArea;

namespace voxmill {

class CColourMapMenu;
class CDib;
class CImageCanvas;

class CImageView : public CWidgetView {
    Q_OBJECT

public:
    explicit CImageView(QWidget* parent = nullptr);
    ~CImageView() override;

    // --- CView / CWidgetView ---
    void OnInitialUpdate() override;
    void OnUpdate(CView* sender, long hint, CObject* pHint) override;
    QList<QMenu*> DocumentMenus() const override;
    QSize sizeHint() const override;

    // --- layout ---
    // Lays the image out at one of kZoomLevels, repaints and fits the frame.
    // Another percentage lays it out at that scale (ImageLayout::AtScale).
    void SetZoom(int percent);
    // The largest scale at which the whole image shows in the view's
    // window as it is now; the frame keeps its size.
    void FitToWindow();
    // Ctrl + wheel: one zoom level up (away from the user) or down per
    // 120 units of `angleDelta`, keeping the image point under `at` (view
    // coordinates) under the mouse; the frame keeps its size.
    void ZoomByWheel(int angleDelta, QPoint at);
    int Zoom() const { return m_layout.zoomPercent; }
    const ImageLayout& Layout() const { return m_layout; }

    // --- bitmap and grey window ---
    // Discards the bitmap and makes a new one of the full value range, at 100 %.
    void RebuildBitmap();
    // The sliders moved: recompute the window, rewrite the bitmap through it.
    void SetGreyWindow(int width, int position);
    int WindowWidth() const { return m_windowWidth; }
    int WindowPosition() const { return m_windowPosition; }
    float WindowLow() const { return m_windowLow; }
    float WindowHigh() const { return m_windowHigh; }
    // True once the sliders rewrote the bitmap; a new bitmap shows the full range.
    bool IsWindowed() const { return m_bWindowed; }
    // The displayed bitmap (what an export of the view's picture writes), or null.
    const CDib* GetBitmap() const { return m_pBitmap.get(); }

    // --- colour map (display only: the bitmap and the exports stay grey) ---
    // Shows the image through `kind` with the grey window's ends; the
    // diverging map is centred on zero.
    void SetColourMap(ColourMapKind kind);
    ColourMapKind ColourMap() const { return m_colourMap; }
    CColourMapMenu* ColourMaps() const { return m_pColourMaps; }
    // The picture on screen: the bitmap's grey levels, or the colour picture.
    const QImage& DisplayImage() const { return m_displayImage; }

    // --- mouse, in view coordinates ---
    void OnLeftButtonDown(QPoint point);
    void OnMouseMove(QPoint point);
    void OnLeftButtonUp(QPoint point);
    bool IsDragging() const { return m_bDragging; }
    QPoint LineStart() const { return m_lineStart; }
    QPoint LineEnd() const { return m_lineEnd; }
    // The pixel under a point inside imageRect.
    PixelIndex PixelAt(QPoint point) const;
    // The frame's tool: 0 none, 1 liner, 2 pointer (none outside an image frame).
    int ToolMode() const;
    QString StatusText() const { return m_strStatus; }

    // --- drawing and printing ---
    // The bitmap stretched into imageRect and, while drawing, the line.
    void DrawScene(QPainter& painter) const;
    // The whole scroll extent on one page, scaled to fit; false when the
    // printer cannot be painted on.
    bool PrintImage(QPrinter& printer) const;

    QWidget* Canvas() const;
    QScrollArea* ScrollArea() const { return m_pScroll; }
    QMenu* ImageMenu() const { return m_pImageMenu; }
    QAction* ZoomAction(int percent) const;
    QAction* FitToWindowAction() const { return m_pFitToWindow; }

public slots:
    void OnPrintPreview();

protected:
    // --- hooks of the image kind ---
    virtual bool HasImage() const = 0;
    virtual std::uint32_t ImageWidth() const = 0;
    virtual std::uint32_t ImageHeight() const = 0;
    virtual double ImageDimX() const = 0;
    virtual double ImageDimY() const = 0;
    // The full-range bitmap of the document, or null without pixels.
    virtual std::unique_ptr<CDib> MakeDisplayBitmap() const = 0;
    virtual GreyWindow ComputeGreyWindow(int width, int position) const = 0;
    // Rewrites the bitmap's bits through [low, high]; false when it does not fit.
    virtual bool FillWindowedBitmap(CDib& bitmap, float low, float high) const = 0;
    // The value of pixel p as the read-out shows it ("%.3f", "%d").
    virtual QString PixelValueText(PixelIndex p) const = 0;
    // The liner tool released a line between these pixels (inside the image).
    virtual void OnLineDrawn(PixelIndex start, PixelIndex end) = 0;
    // The picture through a colour map and [low, high], or the full value
    // range without a window; null where the image kind shows grey only.
    virtual QImage ColourImage(ColourMapKind /*kind*/, const GreyWindow* /*window*/) const { return {}; }

    void SetStatusText(const QString& text);

private:
    void CreateActions();
    void CreateColourMapMenu();
    void UpdateDisplayImage();
    void UpdateStatus(QPoint point);
    void FitFrame();
    void LayOut(int percent, bool fitFrame);
    void Redraw(bool now = false);

    QScrollArea* m_pScroll;
    CImageCanvas* m_pCanvas;
    QMenu* m_pImageMenu;
    QActionGroup* m_pZoomGroup;
    QAction* m_pFitToWindow = nullptr;
    int m_wheelRest = 0;  // wheel units short of a whole step

    ImageLayout m_layout;
    bool m_bDragging = false;
    QPen m_linePen;
    QPoint m_lineStart;
    QPoint m_lineEnd;
    std::unique_ptr<CDib> m_pBitmap;
    QImage m_displayImage;  // the bitmap's image columns, top row first
    int m_windowWidth = kGreyWindowInitialWidth;
    int m_windowPosition = kGreyWindowInitialPosition;
    float m_windowLow = 1000.0f;
    float m_windowHigh = 0.0f;
    QString m_strStatus;
    CColourMapMenu* m_pColourMaps = nullptr;
    ColourMapKind m_colourMap = ColourMapKind::grey;
    bool m_bWindowed = false;  // the bitmap shows the sliders' window, not the full range
};

}  // namespace voxmill
