// A renderer's property page: an IPropertyPage whose window is a
// CRendererPropPageWidget built from the renderer's layout under the parent
// widget handed to Activate. It reads and writes the control's options
// through the control's IDispatch (by dispatch id), so it works on any
// object with that interface. Apply writes the shown values to the object.
#pragma once

#include <atomic>

#include <QPointer>

#include "contract/Ole.h"
#include "renderers/common/ui/PropertyPageLayout.h"

namespace voxmill {

class CRendererPropPageWidget;

class CRendererPropPage final : public IPropertyPage {
public:
    // A new page over `layout` (which must outlive it) asked for riid.
    static HRESULT CreateInstance(const CPropertyPageLayout& layout, REFIID riid, void** object);

    HRESULT QueryInterface(REFIID riid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;

    HRESULT SetPageSite(IPropertyPageSite* site) override;
    HRESULT Activate(void* parentWidget, const RECT* rect, BOOL modal) override;
    HRESULT Deactivate() override;
    HRESULT GetPageInfo(PROPPAGEINFO* info) override;
    HRESULT SetObjects(ULONG count, IUnknown** objects) override;
    HRESULT Show(UINT cmdShow) override;
    HRESULT Move(const RECT* rect) override;
    HRESULT IsPageDirty() override;
    HRESULT Apply() override;
    HRESULT Help(const OLECHAR* helpDir) override;
    HRESULT TranslateAccelerator(void* msg) override;

    // The page's widget while active (null otherwise).
    CRendererPropPageWidget* Widget() const;

    // IPropertyPageSite::OnStatusChange flag for a changed page.
    static constexpr DWORD kStatusDirty = 0x01;

private:
    explicit CRendererPropPage(const CPropertyPageLayout& layout);
    ~CRendererPropPage();

    void LoadFromObject();
    void Changed();
    void ReleaseObject();

    const CPropertyPageLayout& m_layout;
    std::atomic<ULONG> m_refs{1};
    IPropertyPageSite* m_site = nullptr;
    IDispatch* m_object = nullptr;
    QPointer<CRendererPropPageWidget> m_widget;
    bool m_dirty = false;
};

}  // namespace voxmill
