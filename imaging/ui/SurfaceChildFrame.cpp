#include "imaging/ui/SurfaceChildFrame.h"

#include <QAction>
#include <QActionGroup>
#include <QLabel>
#include <QMdiArea>
#include <QPainter>
#include <QPainterPath>
#include <QSlider>
#include <QStackedWidget>
#include <QToolBar>
#include <QToolTip>
#include <QVBoxLayout>
#include <algorithm>

#include "imaging/GreyMap.h"
#include "imaging/ui/ImageView.h"

namespace voxmill {
namespace {

// The two tool pictures, drawn so that no image files are needed.
QIcon PointerIcon() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath arrow;
    arrow.moveTo(3, 1);
    arrow.lineTo(3, 14);
    arrow.lineTo(6.5, 10.5);
    arrow.lineTo(9, 15);
    arrow.lineTo(11, 14);
    arrow.lineTo(8.5, 9.5);
    arrow.lineTo(13, 9.5);
    arrow.closeSubpath();
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    p.drawPath(arrow);
    return QIcon(pixmap);
}

QIcon LinerIcon() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(40, 40, 160), 2));
    p.drawLine(2, 13, 13, 2);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(2.5, 13.5), 1.5, 1.5);
    p.drawEllipse(QPointF(13.5, 2.5), 1.5, 1.5);
    return QIcon(pixmap);
}

}  // namespace

CSurfaceChildFrame::CSurfaceChildFrame(QWidget* parent)
    : CChildFrame(parent), m_pToolBar(new QToolBar), m_pStatus(new QLabel) {
    // The stack becomes the middle of a box: tool bar above, status below.
    QStackedWidget* stack = Stack();
    setWidget(nullptr);
    auto* box = new QWidget;
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(m_pToolBar);
    column->addWidget(stack, 1);
    column->addWidget(m_pStatus);
    m_pStatus->setObjectName(QStringLiteral("statusPane"));
    m_pStatus->setFrameShape(QFrame::StyledPanel);
    m_pStatus->setFrameShadow(QFrame::Sunken);
    m_pStatus->setContentsMargins(3, 1, 3, 1);
    // Long read-outs must not widen the frame.
    m_pStatus->setMinimumWidth(1);
    m_pStatus->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    CreateToolBar();
    setWidget(box);
}

void CSurfaceChildFrame::CreateToolBar() {
    m_pToolBar->setIconSize(QSize(16, 16));
    m_pToolBar->setMovable(false);
    auto* tools = new QActionGroup(this);
    tools->setExclusive(true);
    m_pPointer = m_pToolBar->addAction(PointerIcon(), QStringLiteral("Select Pointer Tool"));
    m_pPointer->setToolTip(QStringLiteral("Pointer"));
    m_pPointer->setStatusTip(QStringLiteral("Select Pointer Tool"));
    m_pLiner = m_pToolBar->addAction(LinerIcon(), QStringLiteral("Select Liner Tool"));
    m_pLiner->setToolTip(QStringLiteral("Liner"));
    m_pLiner->setStatusTip(QStringLiteral("Select Liner Tool"));
    for (QAction* tool : {m_pPointer, m_pLiner}) {
        tool->setCheckable(true);
        tools->addAction(tool);
    }
    connect(m_pPointer, &QAction::triggered, this, &CSurfaceChildFrame::OnSelectPointerTool);
    connect(m_pLiner, &QAction::triggered, this, &CSurfaceChildFrame::OnSelectLinerTool);

    m_pToolBar->addSeparator();
    m_pWidthSlider = CreateSlider(kGreyWindowInitialWidth, QStringLiteral("Adjust Grey Window Width"));
    m_pWidthSlider->setObjectName(QStringLiteral("greyWindowWidth"));
    m_pToolBar->addWidget(m_pWidthSlider);
    m_pToolBar->addSeparator();
    m_pPositionSlider = CreateSlider(kGreyWindowInitialPosition, QStringLiteral("Adjust Grey Window Position"));
    m_pPositionSlider->setObjectName(QStringLiteral("greyWindowPosition"));
    m_pToolBar->addWidget(m_pPositionSlider);
    UpdateSliderTips();
}

QSlider* CSurfaceChildFrame::CreateSlider(int value, const QString& tip) {
    auto* slider = new QSlider(Qt::Horizontal);
    slider->setRange(1, kGreyWindowSliderMax);
    slider->setValue(value);
    slider->setFixedWidth(kSliderWidth);
    slider->setToolTip(tip);
    slider->setStatusTip(tip);
    slider->setAccessibleName(tip);
    connect(slider, &QSlider::valueChanged, this, &CSurfaceChildFrame::OnGreyWindowChanged);
    connect(slider, &QSlider::valueChanged, this, [this, slider] {
        if (slider->isSliderDown()) ShowSliderTip(slider);
    });
    return slider;
}

QString CSurfaceChildFrame::SliderToolTip(const QSlider* slider) const {
    if (!slider) return {};
    QString tip = QStringLiteral("%1: %2").arg(slider->accessibleName()).arg(slider->value());
    // The view's window is applied once a slider moved (low <= high from then on).
    if (const CImageView* view = GetImageView(); view && view->WindowLow() <= view->WindowHigh())
        tip += QString::asprintf("\nGrey level window: from %.3f to %.3f", static_cast<double>(view->WindowLow()),
                                 static_cast<double>(view->WindowHigh()));
    return tip;
}

void CSurfaceChildFrame::UpdateSliderTips() {
    for (QSlider* slider : {m_pWidthSlider, m_pPositionSlider})
        if (slider) slider->setToolTip(SliderToolTip(slider));
}

void CSurfaceChildFrame::ShowSliderTip(QSlider* slider) {
    const QPoint below(slider->width() / 2, slider->height());
    QToolTip::showText(slider->mapToGlobal(below), slider->toolTip(), slider);
}

CImageView* CSurfaceChildFrame::GetImageView() const { return dynamic_cast<CImageView*>(GetView()); }

void CSurfaceChildFrame::InitialUpdateFrame() {
    CChildFrame::InitialUpdateFrame();
    FitToView();
}

void CSurfaceChildFrame::FitToView() {
    if (IsDestroyed() || IsIconForm() || isMaximized()) return;
    if (QLayout* layout = widget() ? widget()->layout() : nullptr) layout->activate();
    QSize want = sizeHint();
    // Once laid out, what the caption, bars and borders take is known
    // exactly: keep it and give the view its size hint.
    if (const QWidget* view = GetView(); view && isVisible() && !view->size().isEmpty())
        want = size() + (view->sizeHint() - view->size());
    want = want.expandedTo(minimumSizeHint());
    if (QMdiArea* area = mdiArea()) {
        const QSize room = area->viewport()->size();
        want.setWidth(std::min(want.width(), std::max(minimumSizeHint().width(), room.width() - x())));
        want.setHeight(std::min(want.height(), std::max(minimumSizeHint().height(), room.height() - y())));
    }
    resize(want);
}

void CSurfaceChildFrame::SetStatusText(int pane, const std::string& text) {
    if (pane == 0) m_pStatus->setText(QString::fromStdString(text));
}

QString CSurfaceChildFrame::StatusText() const { return m_pStatus->text(); }

void CSurfaceChildFrame::SetToolMode(int mode) {
    m_nToolMode = mode;
    m_pPointer->setChecked(mode == kPointerTool);
    m_pLiner->setChecked(mode == kLinerTool);
}

void CSurfaceChildFrame::OnSelectPointerTool() { SetToolMode(kPointerTool); }

void CSurfaceChildFrame::OnSelectLinerTool() { SetToolMode(kLinerTool); }

void CSurfaceChildFrame::OnGreyWindowChanged() {
    if (CImageView* view = GetImageView()) view->SetGreyWindow(m_pWidthSlider->value(), m_pPositionSlider->value());
    UpdateSliderTips();
}

}  // namespace voxmill
