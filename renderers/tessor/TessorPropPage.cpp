#include "renderers/tessor/TessorPropPage.h"

#include <new>

#include <QApplication>

#include "renderers/tessor/TessorIds.h"
#include "renderers/common/RendererModule.h"
#include "renderers/tessor/TessorPropPageWidget.h"

namespace voxmill {
namespace {

constexpr SIZE kPageSize = {300, 160};

bool GetValue(IDispatch* object, DISPID id, VARIANT* value) {
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    return SUCCEEDED(object->Invoke(id, GUID_NULL, 0, DISPATCH_PROPERTYGET, &none, value, nullptr, nullptr));
}

HRESULT PutValue(IDispatch* object, DISPID id, VARIANT value) {
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{&value, &named, 1, 1};
    return object->Invoke(id, GUID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr);
}

}  // namespace

HRESULT CTessorPropPage::CreateInstance(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    auto* page = new (std::nothrow) CTessorPropPage;
    if (!page) return E_OUTOFMEMORY;
    const HRESULT hr = page->QueryInterface(riid, object);
    page->Release();
    return hr;
}

CTessorPropPage::CTessorPropPage() { CRendererModule::ObjectCreated(); }

CTessorPropPage::~CTessorPropPage() {
    Deactivate();
    ReleaseObject();
    SetPageSite(nullptr);
    CRendererModule::ObjectDestroyed();
}

HRESULT CTessorPropPage::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (riid != IID_IUnknown && riid != IID_IPropertyPage) return E_NOINTERFACE;
    *object = static_cast<IPropertyPage*>(this);
    AddRef();
    return S_OK;
}

ULONG CTessorPropPage::AddRef() { return ++m_refs; }

ULONG CTessorPropPage::Release() {
    const ULONG refs = --m_refs;
    if (refs == 0) delete this;
    return refs;
}

HRESULT CTessorPropPage::SetPageSite(IPropertyPageSite* site) {
    if (site) site->AddRef();
    if (m_site) m_site->Release();
    m_site = site;
    return S_OK;
}

HRESULT CTessorPropPage::Activate(void* parentWidget, const RECT* rect, BOOL) {
    if (m_widget) return E_UNEXPECTED;
    // Widgets need the application object of the program hosting the page.
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return E_FAIL;
    m_widget = new CTessorPropPageWidget(static_cast<QWidget*>(parentWidget));
    m_widget->SetChangeHandler([this] { Changed(); });
    if (rect) Move(rect);
    else m_widget->resize(kPageSize.cx, kPageSize.cy);
    LoadFromObject();
    return S_OK;
}

HRESULT CTessorPropPage::Deactivate() {
    delete m_widget.data();
    m_widget = nullptr;
    return S_OK;
}

HRESULT CTessorPropPage::GetPageInfo(PROPPAGEINFO* info) {
    if (!info) return E_POINTER;
    static constexpr char16_t kTitle[] = u"Tessor";
    auto* title = static_cast<OLECHAR*>(CoTaskMemAlloc(sizeof kTitle));
    if (!title) return E_OUTOFMEMORY;
    std::copy(std::begin(kTitle), std::end(kTitle), title);
    info->cb = sizeof(PROPPAGEINFO);
    info->pszTitle = title;
    info->size = kPageSize;
    info->pszDocString = nullptr;
    info->pszHelpFile = nullptr;
    info->dwHelpContext = 0;
    return S_OK;
}

HRESULT CTessorPropPage::SetObjects(ULONG count, IUnknown** objects) {
    ReleaseObject();
    if (count == 0) return S_OK;
    if (!objects || !objects[0]) return E_POINTER;
    // The page edits one control; any further objects are ignored.
    void* dispatch = nullptr;
    if (FAILED(objects[0]->QueryInterface(IID_IDispatch, &dispatch)) || !dispatch) return E_NOINTERFACE;
    m_object = static_cast<IDispatch*>(dispatch);
    LoadFromObject();
    return S_OK;
}

HRESULT CTessorPropPage::Show(UINT cmdShow) {
    if (!m_widget) return E_UNEXPECTED;
    m_widget->setVisible(cmdShow != SW_HIDE);
    return S_OK;
}

HRESULT CTessorPropPage::Move(const RECT* rect) {
    if (!rect) return E_POINTER;
    if (!m_widget) return E_UNEXPECTED;
    m_widget->setGeometry(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top);
    return S_OK;
}

HRESULT CTessorPropPage::IsPageDirty() { return m_dirty ? S_OK : S_FALSE; }

HRESULT CTessorPropPage::Apply() {
    if (!m_object || !m_widget || !m_dirty) return S_OK;
    const short mode = m_widget->InterpolationMode();
    if (mode >= 0) {
        VARIANT value;
        value.vt = VT_I2;
        value.iVal = mode;
        if (const HRESULT hr = PutValue(m_object, DISPID_TESSOR_INTERPOLATIONMODE, value); FAILED(hr)) return hr;
    }
    VARIANT value;
    value.vt = VT_BOOL;
    value.boolVal = m_widget->IsProcessCollection() ? VARIANT_TRUE : VARIANT_FALSE;
    if (const HRESULT hr = PutValue(m_object, DISPID_TESSOR_ISPROCESSCOLLECTION, value); FAILED(hr)) return hr;
    m_dirty = false;
    return S_OK;
}

CTessorPropPageWidget* CTessorPropPage::Widget() const { return m_widget.data(); }

HRESULT CTessorPropPage::Help(const OLECHAR*) { return E_NOTIMPL; }

HRESULT CTessorPropPage::TranslateAccelerator(void*) { return E_NOTIMPL; }

void CTessorPropPage::LoadFromObject() {
    if (!m_object || !m_widget) return;
    VARIANT mode, collection;
    const short shownMode = GetValue(m_object, DISPID_TESSOR_INTERPOLATIONMODE, &mode) && mode.vt == VT_I2
                                ? mode.iVal
                                : short{-1};
    const bool shownCollection = GetValue(m_object, DISPID_TESSOR_ISPROCESSCOLLECTION, &collection) &&
                                 collection.vt == VT_BOOL && collection.boolVal != VARIANT_FALSE;
    m_widget->SetValues(shownMode, shownCollection);
    m_dirty = false;
}

void CTessorPropPage::Changed() {
    m_dirty = true;
    if (m_site) m_site->OnStatusChange(kStatusDirty);
}

void CTessorPropPage::ReleaseObject() {
    if (m_object) m_object->Release();
    m_object = nullptr;
}

}  // namespace voxmill
