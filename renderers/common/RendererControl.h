// What every renderer control shares: reference counting, the interface
// map (IRenderer, IDispatch and the control's dispatch interface,
// IOleObject, ISpecifyPropertyPages, IPersistStorage), the OLE object calls
// of the host (client site, advise sinks, close, class id, user type
// names), the one property page it lists, and a dispatch interface over a
// table of integer properties. A concrete control supplies the renderer
// calls and its property values.
#pragma once

#include <atomic>
#include <span>

#include "contract/Ole.h"
#include "contract/Renderer.h"
#include "renderers/common/AdviseSinks.h"
#include "renderers/common/DispatchProperties.h"

namespace voxmill {

class CRendererControl : public IRenderer,
                         public IDispatch,
                         public IOleObject,
                         public ISpecifyPropertyPages,
                         public IPersistStorage {
public:
    struct Identity {
        CLSID control;
        IID dispatch;            // the control's own dispatch interface
        CLSID page;              // the one property page it lists
        const char16_t* fullName;  // "<Name> Control"
        const char16_t* shortName;
    };

    // IUnknown
    HRESULT QueryInterface(REFIID riid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;

    // IDispatch
    HRESULT GetTypeInfoCount(UINT* count) override;
    HRESULT GetTypeInfo(UINT index, LCID locale, void** typeInfo) override;
    HRESULT GetIDsOfNames(REFIID riid, const OLECHAR** names, UINT count, LCID locale, DISPID* ids) override;
    HRESULT Invoke(DISPID id, REFIID riid, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                   void* excepInfo, UINT* argErr) override;

    // IOleObject
    HRESULT SetClientSite(IOleClientSite* site) override;
    HRESULT GetClientSite(IOleClientSite** site) override;
    HRESULT Close(DWORD saveOption) override;
    HRESULT GetUserClassID(CLSID* clsid) override;
    HRESULT GetUserType(DWORD form, OLECHAR** userType) override;
    HRESULT Advise(IAdviseSink* sink, DWORD* connection) override;
    HRESULT Unadvise(DWORD connection) override;

    // ISpecifyPropertyPages
    HRESULT GetPages(CAUUID* pages) override;

    // Set by every property change.
    bool IsModified() const { return m_modified; }
    // Threads of the reconstruction (CParallel::DefaultThreads() at creation).
    void SetThreads(int threads);
    int Threads() const { return m_threads; }

protected:
    CRendererControl(const Identity& identity, std::span<const CDispatchProperties::Property> properties);
    virtual ~CRendererControl();

    // A property's value as an integer (booleans 0 or 1).
    virtual LONG GetProperty(DISPID id) const = 0;
    // Stores a value; E_INVALIDARG when it is out of range.
    virtual HRESULT PutProperty(DISPID id, LONG value) = 0;

    void ClearModified() { m_modified = false; }

private:
    std::atomic<ULONG> m_refs{1};
    Identity m_identity;
    CDispatchProperties m_properties;
    bool m_modified = false;
    int m_threads;
    IOleClientSite* m_site = nullptr;
    CAdviseSinks m_sinks;
};

}  // namespace voxmill
