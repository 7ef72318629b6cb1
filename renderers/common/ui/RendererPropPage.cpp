#include "renderers/common/ui/RendererPropPage.h"

#include <new>
#include <string_view>

#include <QApplication>

#include "renderers/common/RendererModule.h"
#include "renderers/common/ui/RendererPropPageWidget.h"

namespace voxmill {
namespace {

constexpr SIZE kPageSize = {300, 160};

bool GetValue(IDispatch* object, DISPID id, LONG* out) {
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    VARIANT value;
    if (FAILED(object->Invoke(id, GUID_NULL, 0, DISPATCH_PROPERTYGET, &none, &value, nullptr, nullptr))) return false;
    switch (value.vt) {
        case VT_I2: *out = value.iVal; return true;
        case VT_I4: *out = value.lVal; return true;
        case VT_BOOL: *out = value.boolVal != VARIANT_FALSE; return true;
        default: return false;
    }
}

HRESULT PutValue(IDispatch* object, DISPID id, VARTYPE type, LONG number) {
    VARIANT value;
    value.vt = type;
    if (type == VT_I2) value.iVal = static_cast<SHORT>(number);
    else if (type == VT_BOOL) value.boolVal = number ? VARIANT_TRUE : VARIANT_FALSE;
    else value.lVal = number;
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{&value, &named, 1, 1};
    return object->Invoke(id, GUID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr);
}

}  // namespace

HRESULT CRendererPropPage::CreateInstance(const CPropertyPageLayout& layout, REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    auto* page = new (std::nothrow) CRendererPropPage(layout);
    if (!page) return E_OUTOFMEMORY;
    const HRESULT hr = page->QueryInterface(riid, object);
    page->Release();
    return hr;
}

CRendererPropPage::CRendererPropPage(const CPropertyPageLayout& layout) : m_layout(layout) {
    CRendererModule::ObjectCreated();
}

CRendererPropPage::~CRendererPropPage() {
    Deactivate();
    ReleaseObject();
    SetPageSite(nullptr);
    CRendererModule::ObjectDestroyed();
}

HRESULT CRendererPropPage::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (riid != IID_IUnknown && riid != IID_IPropertyPage) return E_NOINTERFACE;
    *object = static_cast<IPropertyPage*>(this);
    AddRef();
    return S_OK;
}

ULONG CRendererPropPage::AddRef() { return ++m_refs; }

ULONG CRendererPropPage::Release() {
    const ULONG refs = --m_refs;
    if (refs == 0) delete this;
    return refs;
}

HRESULT CRendererPropPage::SetPageSite(IPropertyPageSite* site) {
    if (site) site->AddRef();
    if (m_site) m_site->Release();
    m_site = site;
    return S_OK;
}

HRESULT CRendererPropPage::Activate(void* parentWidget, const RECT* rect, BOOL) {
    if (m_widget) return E_UNEXPECTED;
    // Widgets need the application object of the program hosting the page.
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return E_FAIL;
    m_widget = new CRendererPropPageWidget(m_layout, static_cast<QWidget*>(parentWidget));
    m_widget->setObjectName(QString::fromUtf16(m_layout.title) + QStringLiteral("PropPage"));
    m_widget->SetChangeHandler([this] { Changed(); });
    if (rect) Move(rect);
    else m_widget->resize(kPageSize.cx, kPageSize.cy);
    LoadFromObject();
    return S_OK;
}

HRESULT CRendererPropPage::Deactivate() {
    delete m_widget.data();
    m_widget = nullptr;
    return S_OK;
}

HRESULT CRendererPropPage::GetPageInfo(PROPPAGEINFO* info) {
    if (!info) return E_POINTER;
    const std::u16string_view text(m_layout.title);
    auto* title = static_cast<OLECHAR*>(CoTaskMemAlloc((text.size() + 1) * sizeof(OLECHAR)));
    if (!title) return E_OUTOFMEMORY;
    std::copy(text.begin(), text.end(), title);
    title[text.size()] = 0;
    info->cb = sizeof(PROPPAGEINFO);
    info->pszTitle = title;
    info->size = kPageSize;
    info->pszDocString = nullptr;
    info->pszHelpFile = nullptr;
    info->dwHelpContext = 0;
    return S_OK;
}

HRESULT CRendererPropPage::SetObjects(ULONG count, IUnknown** objects) {
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

HRESULT CRendererPropPage::Show(UINT cmdShow) {
    if (!m_widget) return E_UNEXPECTED;
    m_widget->setVisible(cmdShow != SW_HIDE);
    return S_OK;
}

HRESULT CRendererPropPage::Move(const RECT* rect) {
    if (!rect) return E_POINTER;
    if (!m_widget) return E_UNEXPECTED;
    m_widget->setGeometry(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top);
    return S_OK;
}

HRESULT CRendererPropPage::IsPageDirty() { return m_dirty ? S_OK : S_FALSE; }

HRESULT CRendererPropPage::Apply() {
    if (!m_object || !m_widget || !m_dirty) return S_OK;
    for (const CPropertyPageLayout::Group& group : m_layout.groups) {
        if (group.radio.id >= 0) {
            const LONG mode = m_widget->Value(group.radio.id);
            if (mode >= 0)
                if (const HRESULT hr = PutValue(m_object, group.radio.id, group.radio.type, mode); FAILED(hr))
                    return hr;
        }
        for (const CPropertyPageLayout::Check& check : group.checks)
            if (const HRESULT hr = PutValue(m_object, check.id, VT_BOOL, m_widget->Value(check.id)); FAILED(hr))
                return hr;
    }
    m_dirty = false;
    return S_OK;
}

CRendererPropPageWidget* CRendererPropPage::Widget() const { return m_widget.data(); }

HRESULT CRendererPropPage::Help(const OLECHAR*) { return E_NOTIMPL; }

HRESULT CRendererPropPage::TranslateAccelerator(void*) { return E_NOTIMPL; }

void CRendererPropPage::LoadFromObject() {
    if (!m_object || !m_widget) return;
    for (const CPropertyPageLayout::Group& group : m_layout.groups) {
        if (group.radio.id >= 0) {
            LONG mode = -1;
            m_widget->SetValue(group.radio.id, GetValue(m_object, group.radio.id, &mode) ? mode : -1);
        }
        for (const CPropertyPageLayout::Check& check : group.checks) {
            LONG value = 0;
            m_widget->SetValue(check.id, GetValue(m_object, check.id, &value) ? value : 0);
        }
    }
    m_dirty = false;
}

void CRendererPropPage::Changed() {
    m_dirty = true;
    if (m_site) m_site->OnStatusChange(kStatusDirty);
}

void CRendererPropPage::ReleaseObject() {
    if (m_object) m_object->Release();
    m_object = nullptr;
}

}  // namespace voxmill
