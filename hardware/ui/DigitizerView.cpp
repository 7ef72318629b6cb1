#include "hardware/ui/DigitizerView.h"

#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>

#include "app/ui/RunScope.h"
#include "hardware/Digitizer.h"
#include "hardware/ui/DigitizerPropertySheet.h"

namespace voxmill {
namespace {
constexpr int kMargin = 7;
constexpr int kFrameIntervalMs = 40;
}  // namespace

CDigitizerView::CDigitizerView(QWidget* parent) : CWidgetView(parent) { CreateControls(); }

CDigitizerView::~CDigitizerView() { DetachFromDocument(); }

void CDigitizerView::CreateControls() {
    m_pSheet = new CDigitizerPropertySheet(this);
    m_pSheet->move(kMargin, kMargin);
    m_pSheet->resize(m_pSheet->minimumSizeHint().expandedTo(m_pSheet->sizeHint()));
    m_pLive = new QPushButton(QStringLiteral("Live Preview"), this);
    m_pLive->move(kMargin, m_pSheet->geometry().bottom() + 1 + kMargin);
    m_pLive->resize(m_pLive->sizeHint());
    m_pPicture = new QLabel(this);
    m_pPicture->setObjectName(QStringLiteral("Live picture"));
    m_pPicture->setAlignment(Qt::AlignCenter);
    m_pPicture->setStyleSheet(QStringLiteral("background: black"));
    m_pPicture->setGeometry(m_pSheet->geometry().right() + 1 + kMargin, kMargin, kPictureWidth, kPictureHeight);
    setFixedSize(m_pPicture->geometry().right() + 1 + kMargin,
                 std::max(m_pLive->geometry().bottom(), m_pPicture->geometry().bottom()) + 1 + kMargin);
    m_pTimer = new QTimer(this);
    m_pTimer->setInterval(kFrameIntervalMs);
    connect(m_pTimer, &QTimer::timeout, this, &CDigitizerView::RefreshPicture);
    connect(m_pLive, &QPushButton::clicked, this, &CDigitizerView::OnLivePreview);
}

CDigitizer* CDigitizerView::GetDigitizer() const { return dynamic_cast<CDigitizer*>(GetDocument()); }

void CDigitizerView::OnInitialUpdate() {
    m_pSheet->SetDigitizer(GetDigitizer());
    CWidgetView::OnInitialUpdate();
}

void CDigitizerView::OnDetach() {
    m_pTimer->stop();
    m_pSheet->SetDigitizer(nullptr);
}

void CDigitizerView::OnLivePreview() {
    if (RunScope::Active()) return;  // one run at a time
    CDigitizer* digitizer = GetDigitizer();
    if (!digitizer || !m_pSheet->ValidateActivePage()) return;
    {
        RunScope run(m_pLive, GetParentFrame());
        digitizer->LivePreview();
    }
    RefreshPicture();
    if (digitizer->IsLive()) m_pTimer->start();
}

void CDigitizerView::RefreshPicture() {
    CDigitizer* digitizer = GetDigitizer();
    std::vector<std::uint8_t> bytes;
    std::uint32_t width = 0, height = 0;
    // A run that grabbed meanwhile stopped the live display.
    if (!digitizer || !digitizer->IsLive() || !digitizer->ReadLiveFrame(bytes, width, height)) {
        m_pTimer->stop();
        return;
    }
    m_lastFrame = QImage(bytes.data(), static_cast<int>(width), static_cast<int>(height), static_cast<int>(width),
                         QImage::Format_Grayscale8)
                      .copy();
    m_pPicture->setPixmap(QPixmap::fromImage(
        m_lastFrame.scaled(kPictureWidth, kPictureHeight, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

}  // namespace voxmill
