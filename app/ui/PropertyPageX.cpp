#include "app/ui/PropertyPageX.h"

#include <QResizeEvent>

namespace voxmill {
namespace {

QString FromTaskString(OLECHAR* text) {
    if (!text) return {};
    const QString s = QString::fromUtf16(text);
    CoTaskMemFree(text);
    return s;
}

}  // namespace

CPropertyPageX::CPropertyPageX(IPropertyPage* page, QWidget* parent) : QWidget(parent), m_pPage(page) {
    if (m_pPage) m_pPage->SetPageSite(&m_xSite);
    ReadPageInfo();
}

CPropertyPageX::~CPropertyPageX() {
    if (!m_pPage) return;
    // The plug-in's window is a child of this widget: it must go while
    // this widget still exists, and the page must not keep our site.
    if (m_bActivated) m_pPage->Deactivate();
    m_pPage->SetObjects(0, nullptr);
    m_pPage->SetPageSite(nullptr);
    m_pPage->Release();
}

void CPropertyPageX::ReadPageInfo() {
    m_title = QString::fromLatin1(kUntitledPage);
    if (!m_pPage) return;
    PROPPAGEINFO info{};
    info.cb = sizeof(PROPPAGEINFO);
    if (FAILED(m_pPage->GetPageInfo(&info))) return;
    const QString title = FromTaskString(info.pszTitle);
    FromTaskString(info.pszDocString);
    FromTaskString(info.pszHelpFile);
    if (!title.isEmpty()) m_title = title;
    // A page asking for an absurd size gets none of it.
    if (info.size.cx > 0 && info.size.cy > 0 && info.size.cx <= 4096 && info.size.cy <= 4096)
        m_pageSize = QSize(info.size.cx, info.size.cy);
}

RECT CPropertyPageX::ClientRect() const {
    // Before the sheet has laid the page out, the plug-in's own size.
    const QSize size = testAttribute(Qt::WA_Resized) || isVisible() ? this->size() : sizeHint();
    return RECT{0, 0, size.width(), size.height()};
}

bool CPropertyPageX::ActivatePage() {
    if (!m_pPage || m_bActivated) return m_bActivated;
    const RECT rect = ClientRect();
    if (FAILED(m_pPage->Activate(static_cast<void*>(static_cast<QWidget*>(this)), &rect, /*modal=*/0))) return false;
    m_bActivated = true;
    m_pPage->Show(SW_SHOW);
    return true;
}

void CPropertyPageX::OnSetActive() {
    if (m_bActivated) m_pPage->Show(SW_SHOW);
}

void CPropertyPageX::OnKillActive() {
    if (!m_bActivated) return;
    Apply();
    m_pPage->Show(SW_HIDE);
}

HRESULT CPropertyPageX::Apply() {
    if (!m_pPage || m_bApplying) return S_OK;
    if (m_pPage->IsPageDirty() != S_OK) return S_OK;
    // Applying may make the control tell its container, which may reach
    // back here.
    m_bApplying = true;
    const HRESULT hr = m_pPage->Apply();
    m_bApplying = false;
    return hr;
}

QSize CPropertyPageX::sizeHint() const {
    QSize size = m_pageSize.isValid() ? m_pageSize : QSize(200, 100);
    // Once it exists, the plug-in's window may need more than it asked for.
    for (const QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!child->isWindow()) size = size.expandedTo(child->sizeHint());
    return size;
}

QSize CPropertyPageX::minimumSizeHint() const { return sizeHint(); }

void CPropertyPageX::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (!m_bActivated) return;
    const RECT rect = ClientRect();
    m_pPage->Move(&rect);
}

// --- site ---

HRESULT CPropertyPageX::XPageSite::QueryInterface(REFIID riid, void** ppvObject) {
    if (!ppvObject) return E_POINTER;
    *ppvObject = nullptr;
    if (riid != IID_IUnknown && riid != IID_IPropertyPageSite) return E_NOINTERFACE;
    *ppvObject = static_cast<IPropertyPageSite*>(this);
    AddRef();
    return S_OK;
}

HRESULT CPropertyPageX::XPageSite::OnStatusChange(DWORD flags) {
    if (flags & kStatusDirty) m_pOwner->Apply();
    return S_OK;
}

HRESULT CPropertyPageX::XPageSite::GetLocaleID(LCID* locale) {
    if (!locale) return E_POINTER;
    *locale = kLocale;
    return S_OK;
}

HRESULT CPropertyPageX::XPageSite::GetPageContainer(IUnknown** container) {
    if (container) *container = nullptr;
    return E_NOTIMPL;
}

}  // namespace voxmill
