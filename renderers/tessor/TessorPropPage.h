// The Tessor property page: an IPropertyPage whose window is a
// CTessorPropPageWidget created under the parent widget handed to Activate.
// It reads and writes the control's options through the control's
// IDispatch (by dispatch id), so it works on any object with that
// interface. Apply writes the shown values to the object.
#pragma once

#include <atomic>

#include <QPointer>

#include "contract/Ole.h"

namespace voxmill {

class CTessorPropPageWidget;

class CTessorPropPage final : public IPropertyPage {
public:
    // The class factory's creator: a new page asked for riid.
    static HRESULT CreateInstance(REFIID riid, void** object);

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
    CTessorPropPageWidget* Widget() const;

    // IPropertyPageSite::OnStatusChange flag for a changed page.
    static constexpr DWORD kStatusDirty = 0x01;

private:
    CTessorPropPage();
    ~CTessorPropPage();

    void LoadFromObject();
    void Changed();
    void ReleaseObject();

    std::atomic<ULONG> m_refs{1};
    IPropertyPageSite* m_site = nullptr;
    IDispatch* m_object = nullptr;
    QPointer<CTessorPropPageWidget> m_widget;
    bool m_dirty = false;
};

}  // namespace voxmill
