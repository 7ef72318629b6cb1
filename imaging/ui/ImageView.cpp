#include "imaging/ui/ImageView.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>

#include "app/ui/DibImage.h"
#include "app/ui/MainFrame.h"
#include "imaging/Surface.h"
#include "imaging/dib/Dib.h"
#include "imaging/ui/ColourMapMenu.h"
#include "imaging/ui/ImageCanvas.h"
#include "imaging/ui/SurfaceChildFrame.h"

namespace voxmill {
namespace {

QRect ToQRect(const ViewRect& r) { return QRect(r.left, r.top, r.Width(), r.Height()); }

}  // namespace

CImageView::CImageView(QWidget* parent)
    : CWidgetView(parent), m_pScroll(new QScrollArea(this)), m_pCanvas(new CImageCanvas(*this)),
      m_pImageMenu(new QMenu(QStringLiteral("Image"), this)), m_pZoomGroup(new QActionGroup(this)),
      m_linePen(QColor(200, 200, 255), 2, Qt::SolidLine) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pScroll);
    m_pScroll->setWidgetResizable(false);
    m_pScroll->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_pScroll->setWidget(m_pCanvas);
    m_pCanvas->resize(m_layout.extentX, m_layout.extentY);
    setFocusProxy(m_pScroll);
    CreateActions();
    CreateColourMapMenu();
}

CImageView::~CImageView() { DetachFromDocument(); }

void CImageView::CreateActions() {
    QMenu* zoom = m_pImageMenu->addMenu(QStringLiteral("Zoom"));
    for (int percent : kZoomLevels) {
        QAction* action = zoom->addAction(QStringLiteral("%1 %").arg(percent));
        action->setCheckable(true);
        action->setData(percent);
        action->setStatusTip(QStringLiteral("Show the image at %1 %").arg(percent));
        m_pZoomGroup->addAction(action);
        connect(action, &QAction::triggered, this, [this, percent] { SetZoom(percent); });
    }
    ZoomAction(100)->setChecked(true);
    // A fitted scale is none of the levels: then none is checked.
    m_pZoomGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    zoom->addSeparator();
    m_pFitToWindow = zoom->addAction(QStringLiteral("Fit to Window"), this, &CImageView::FitToWindow);
    m_pFitToWindow->setStatusTip(QStringLiteral("Show the whole image as large as the window allows"));
    m_pImageMenu->addSeparator();
    QAction* preview = m_pImageMenu->addAction(QStringLiteral("Print Pre&view..."), this, &CImageView::OnPrintPreview);
    preview->setStatusTip(QStringLiteral("Show the printed page of the image"));
}

void CImageView::CreateColourMapMenu() {
    // After the zoom levels, before the printing entries.
    QAction* before = nullptr;
    for (QAction* action : m_pImageMenu->actions())
        if (action->isSeparator()) {
            before = action;
            break;
        }
    m_pColourMaps = new CColourMapMenu(m_pImageMenu, before, [this](ColourMapKind kind) { SetColourMap(kind); });
}

void CImageView::SetColourMap(ColourMapKind kind) {
    m_colourMap = kind;
    m_pColourMaps->SetChecked(kind);
    UpdateDisplayImage();
    Redraw();
}

QAction* CImageView::ZoomAction(int percent) const {
    for (QAction* action : m_pZoomGroup->actions())
        if (action->data().toInt() == percent) return action;
    return nullptr;
}

QList<QMenu*> CImageView::DocumentMenus() const { return {m_pImageMenu}; }

QWidget* CImageView::Canvas() const { return m_pCanvas; }

QSize CImageView::sizeHint() const {
    const int frame = 2 * m_pScroll->frameWidth();
    return QSize(m_layout.extentX + frame, m_layout.extentY + frame);
}

// --- updates ------------------------------------------------------------------

void CImageView::OnInitialUpdate() {
    RebuildBitmap();
    m_strStatus.clear();
    UpdateStatus(QPoint(-1, -1));
}

void CImageView::OnUpdate(CView* /*sender*/, long hint, CObject* /*pHint*/) {
    if (hint == CSurface::kHintImageChanged) {
        m_bDragging = false;
        RebuildBitmap();
        UpdateStatus(QPoint(-1, -1));
    } else {
        Redraw();
    }
}

void CImageView::RebuildBitmap() {
    m_pBitmap = HasImage() ? MakeDisplayBitmap() : nullptr;
    m_bWindowed = false;
    UpdateDisplayImage();
    SetZoom(100);
}

void CImageView::UpdateDisplayImage() {
    m_displayImage = QImage();
    if (!m_pBitmap) return;
    const QImage all = DibToImage(*m_pBitmap);
    // The bitmap's rows are padded to 4 pixels; only the image's columns show.
    const int columns = static_cast<int>(std::min<std::uint32_t>(ImageWidth(), static_cast<std::uint32_t>(all.width())));
    m_displayImage = all.isNull() ? QImage() : all.copy(0, 0, columns, all.height());
    if (m_colourMap == ColourMapKind::grey) return;
    const GreyWindow window{m_windowLow, m_windowHigh};
    const QImage colour = ColourImage(m_colourMap, m_bWindowed ? &window : nullptr);
    if (!colour.isNull()) m_displayImage = colour;
}

// --- layout -------------------------------------------------------------------

void CImageView::SetZoom(int percent) { LayOut(percent, true); }

void CImageView::LayOut(int percent, bool fitFrame) {
    const std::uint32_t w = HasImage() ? ImageWidth() : 0, h = HasImage() ? ImageHeight() : 0;
    const bool level = std::find(kZoomLevels.begin(), kZoomLevels.end(), percent) != kZoomLevels.end();
    m_layout = level ? ImageLayout::At(w, h, percent) : ImageLayout::AtScale(w, h, percent);
    for (QAction* action : m_pZoomGroup->actions()) action->setChecked(action->data().toInt() == percent);
    m_pCanvas->resize(m_layout.extentX, m_layout.extentY);
    updateGeometry();
    Redraw();
    if (fitFrame) FitFrame();
}

void CImageView::FitToWindow() {
    if (!HasImage()) return;
    // The room without scroll bars: a fitted image needs none.
    const QSize room = m_pScroll->maximumViewportSize();
    LayOut(FitPercent(ImageWidth(), ImageHeight(), room.width(), room.height()), false);
}

void CImageView::ZoomByWheel(int angleDelta, QPoint at) {
    m_wheelRest += angleDelta;
    int percent = m_layout.zoomPercent;
    for (; m_wheelRest >= 120; m_wheelRest -= 120) percent = NextZoomLevel(percent, true);
    for (; m_wheelRest <= -120; m_wheelRest += 120) percent = NextZoomLevel(percent, false);
    if (percent == m_layout.zoomPercent || !HasImage()) return;
    const ViewRect before = m_layout.imageRect;
    const QPoint onScreen = at - QPoint(m_pScroll->horizontalScrollBar()->value(), m_pScroll->verticalScrollBar()->value());
    LayOut(percent, false);
    if (before.IsEmpty() || m_layout.imageRect.IsEmpty()) return;
    // The same fraction of the picture under the mouse as before.
    const double fx = static_cast<double>(at.x() - before.left) / before.Width();
    const double fy = static_cast<double>(at.y() - before.top) / before.Height();
    const ViewRect& r = m_layout.imageRect;
    const QPoint now(r.left + static_cast<int>(fx * r.Width()), r.top + static_cast<int>(fy * r.Height()));
    m_pScroll->horizontalScrollBar()->setValue(now.x() - onScreen.x());
    m_pScroll->verticalScrollBar()->setValue(now.y() - onScreen.y());
}

void CImageView::FitFrame() {
    if (auto* frame = dynamic_cast<CSurfaceChildFrame*>(GetParentFrame())) frame->FitToView();
}

void CImageView::Redraw(bool now) {
    if (now)
        m_pCanvas->repaint();
    else
        m_pCanvas->update();
}

// --- grey window --------------------------------------------------------------

void CImageView::SetGreyWindow(int width, int position) {
    m_windowWidth = width;
    m_windowPosition = position;
    const GreyWindow window = ComputeGreyWindow(width, position);
    m_windowLow = window.low;
    m_windowHigh = window.high;
    if (m_pBitmap && FillWindowedBitmap(*m_pBitmap, m_windowLow, m_windowHigh)) {
        m_bWindowed = true;
        UpdateDisplayImage();
    }
    Redraw(true);
    if (HasImage())
        SetStatusText(QString::asprintf("Grey level window: from %.3f to %.3f", static_cast<double>(m_windowLow),
                                        static_cast<double>(m_windowHigh)));
}

// --- mouse --------------------------------------------------------------------

int CImageView::ToolMode() const {
    const auto* frame = dynamic_cast<const CSurfaceChildFrame*>(GetParentFrame());
    return frame ? frame->ToolMode() : CSurfaceChildFrame::kNoTool;
}

PixelIndex CImageView::PixelAt(QPoint point) const {
    return PixelAtPoint(m_layout.imageRect, ImageWidth(), ImageHeight(), point.x(), point.y());
}

void CImageView::OnLeftButtonDown(QPoint point) {
    // A line starts on the picture only: its ends must name pixels.
    if (ToolMode() == CSurfaceChildFrame::kLinerTool && HasImage() &&
        m_layout.imageRect.Contains(point.x(), point.y())) {
        m_bDragging = true;
        m_lineStart = m_lineEnd = point;
        Redraw();
    }
    UpdateStatus(point);
}

void CImageView::OnMouseMove(QPoint point) {
    const bool inside = m_layout.imageRect.Contains(point.x(), point.y());
    const int tool = ToolMode();
    if (tool == CSurfaceChildFrame::kLinerTool && m_bDragging && inside) {
        m_lineEnd = point;
        Redraw();
    }
    if (inside && HasImage()) {
        m_pCanvas->setCursor(tool == CSurfaceChildFrame::kLinerTool     ? Qt::UpArrowCursor
                             : tool == CSurfaceChildFrame::kPointerTool ? Qt::CrossCursor
                                                                        : Qt::ArrowCursor);
    } else {
        m_pCanvas->unsetCursor();
    }
    UpdateStatus(point);
}

void CImageView::OnLeftButtonUp(QPoint point) {
    if (!m_bDragging) return;
    m_bDragging = false;
    if (ToolMode() != CSurfaceChildFrame::kLinerTool || !HasImage()) {
        Redraw();
        return;
    }
    m_lineEnd = point;
    const std::uint32_t w = ImageWidth(), h = ImageHeight();
    // Released off the picture, the line ends on its border.
    const PixelIndex start = ClampedPixelAtPoint(m_layout.imageRect, w, h, m_lineStart.x(), m_lineStart.y());
    const PixelIndex end = ClampedPixelAtPoint(m_layout.imageRect, w, h, m_lineEnd.x(), m_lineEnd.y());
    OnLineDrawn(start, end);
    Redraw();
}

void CImageView::SetStatusText(const QString& text) {
    m_strStatus = text;
    if (CFrameWnd* frame = GetParentFrame()) frame->SetStatusText(0, text.toStdString());
}

void CImageView::UpdateStatus(QPoint point) {
    const bool known = point.x() >= 0 && point.y() >= 0;
    if (!HasImage() || !known) {
        SetStatusText(QStringLiteral("Ready to import data"));
        return;
    }
    if (!m_layout.imageRect.Contains(point.x(), point.y())) {
        SetStatusText(QString::asprintf("Size = %.2f x %.2f Pixel Matrix = %d x %d", ImageDimX(), ImageDimY(),
                                        static_cast<int>(ImageWidth()), static_cast<int>(ImageHeight())));
        return;
    }
    const PixelIndex p = PixelAt(point);
    switch (ToolMode()) {
        case CSurfaceChildFrame::kPointerTool:
            SetStatusText(QString::asprintf("p[%d,%d] = p(%.2f,%.2f) = ", p.column, p.row,
                                            p.column * ImageDimX() / ImageWidth(), p.row * ImageDimY() / ImageHeight()) +
                          PixelValueText(p));
            return;
        case CSurfaceChildFrame::kLinerTool:
            if (m_bDragging) {
                const PixelIndex a = PixelAt(m_lineStart), b = PixelAt(m_lineEnd);
                SetStatusText(QString::asprintf("Line from [%d,%d] to [%d,%d]", a.column, a.row, b.column, b.row));
            } else {
                SetStatusText(QString::asprintf("Line from [%d,%d]", p.column, p.row));
            }
            return;
        default: SetStatusText(QString());
    }
}

// --- drawing and printing -----------------------------------------------------

void CImageView::DrawScene(QPainter& painter) const {
    if (!m_displayImage.isNull() && !m_layout.imageRect.IsEmpty()) {
        // A plain pixel copy, as the grey levels are the data.
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        painter.drawImage(ToQRect(m_layout.imageRect), m_displayImage);
    }
    if (m_bDragging) {
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(m_linePen);
        painter.drawLine(m_lineStart, m_lineEnd);
    }
}

bool CImageView::PrintImage(QPrinter& printer) const {
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    const QRectF page = printer.pageLayout().paintRectPixels(printer.resolution());
    const double scale = std::min(page.width() / m_layout.extentX, page.height() / m_layout.extentY);
    painter.scale(scale, scale);
    DrawScene(painter);
    return painter.end();
}

void CImageView::OnPrintPreview() {
    CMainFrame* mainFrame = CMainFrame::FromWidget(this);
    QPrinter ownPrinter;
    QPrinter& printer = mainFrame ? mainFrame->Printer() : ownPrinter;
    QPrintPreviewDialog dialog(&printer, this);
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* p) { PrintImage(*p); });
    dialog.exec();
}

}  // namespace voxmill
