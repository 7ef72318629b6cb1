// The Tessor control: the renderer object the backprojector hosts. It
// carries the two options of its dispatch interface (InterpolationMode,
// dispid 1, VT_I2; IsProcessCollection, dispid 2, VT_BOOL), both 0 at
// creation and not persisted, lists its property page, answers the OLE
// object calls of the host and runs the reconstruction operations.
//
// IsProcessCollection selects the mode: clear, the program drives the loop
// through ProcessProjection and scales the volume itself; set, the control
// takes the whole collection through ProcessCollection. The other method
// answers E_NOTIMPL. InterpolationMode is kept for the page only: samples
// are always taken from the nearest detector cell.
#pragma once

#include <atomic>

#include "contract/Ole.h"
#include "contract/Renderer.h"
#include "renderers/common/AdviseSinks.h"

namespace voxmill {

class CTessorCtrl final : public IRenderer,
                          public IDispatch,
                          public IOleObject,
                          public ISpecifyPropertyPages,
                          public IPersistStorage {
public:
    // A new control with one reference.
    static CTessorCtrl* Create();
    // The class factory's creator: a new control asked for riid.
    static HRESULT CreateInstance(REFIID riid, void** object);

    // IUnknown
    HRESULT QueryInterface(REFIID riid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;

    // IRenderer
    HRESULT Synthesize(IProgress* progress, IPhantom* phantom, IVolume* volume) override;
    HRESULT ProcessProjection(IProgress* progress, IProjection* projection, IVolume* volume) override;
    HRESULT ProcessCollection(IProgress* progress, IProjectionCollection* collection, IVolume* volume) override;

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

    // IPersistStorage
    HRESULT InitNew(IStorage* storage) override;

    SHORT InterpolationMode() const { return m_interpolationMode; }
    bool IsProcessCollection() const { return m_processCollection; }
    // Set by every property change.
    bool IsModified() const { return m_modified; }
    // Threads of the reconstruction (CParallel::DefaultThreads() at creation).
    void SetThreads(int threads);
    int Threads() const { return m_threads; }

    // Interpolation modes the page offers: low, high, very high.
    static constexpr SHORT kInterpolationModes = 3;

private:
    CTessorCtrl();
    ~CTessorCtrl();

    HRESULT PutProperty(DISPID id, const VARIANT& value);
    HRESULT GetProperty(DISPID id, VARIANT* result) const;
    void ReleaseSiteAndSinks();

    std::atomic<ULONG> m_refs{1};
    SHORT m_interpolationMode = 0;
    bool m_processCollection = false;
    bool m_modified = false;
    int m_threads;
    IOleClientSite* m_site = nullptr;
    CAdviseSinks m_sinks;
};

}  // namespace voxmill
