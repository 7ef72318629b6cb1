// The backprojector: the operator document that turns a phantom or a
// projection collection into a new volume through a hosted renderer
// plug-in. It owns the renderer (one reference to its IOleObject) and the
// scratch storage the renderer was created in, and publishes the container
// side of the renderer contract on itself: IOleClientSite, IAdviseSink and
// IProgress, whose reference counts are the document's.
//
// The volume geometry, the target and the renderer choice belong to the
// window's pages; every operation here takes them as arguments. A .brp
// file is empty: nothing of the renderer, the target or the geometry is
// saved.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/Operator.h"
#include "contract/Ole.h"
#include "contract/Progress.h"

namespace voxmill {

class CDocTemplate;
class CPluginRegistry;
class CVolume;
class IProjectionCollection;
class IRenderer;
class IVolume;

class CBackProjector : public COperator {
    VOXMILL_DECLARE_SERIAL(CBackProjector)

public:
    // The Volume geometry page's values: a box of dim world units divided
    // into n voxels per axis.
    struct VolumeSize {
        double dimX = 2.0, dimY = 2.0, dimZ = 2.0;
        std::uint32_t nX = 64, nY = 64, nZ = 64;
    };

    enum class RendererChoice {
        unchanged,  // the same class was held already: renderer, pages and options kept
        replaced,   // the previous renderer (if any) is gone and the new one is held
        failed,     // creation failed (reported); no renderer is held any more
    };

    CBackProjector();
    ~CBackProjector() override;

    // Makes the scratch storage and its sub-storage "sub". Succeeds even
    // when they cannot be made (reported); hosting then fails.
    bool OnNewDocument() override;
    // Closes the renderer without saving and releases it.
    void DeleteContents() override;
    // Writes and reads nothing.
    void Serialize(CArchive& ar) override;
    // IOleClientSite, IAdviseSink, IProgress.
    void* GetInterface(REFIID iid) override;

    // Whether the Target page accepts a drop of that target type code.
    static bool AcceptsTarget(std::uint16_t targetType);

    // --- hosting ---

    // After the chooser returned `clsid` (non-null): keeps a renderer of
    // that class when one is held; otherwise closes and releases the held
    // one, creates the new one on this document's client site and storage
    // and tells the views. The UI then rebuilds the renderer's pages when
    // the answer is not `unchanged`.
    RendererChoice ChooseRenderer(REFCLSID clsid, const CPluginRegistry& registry);
    RendererChoice ChooseRenderer(REFCLSID clsid);
    // Closes (OLECLOSE_NOSAVE) and releases the renderer; nothing when none.
    void ReleaseRenderer();

    bool HasRenderer() const { return m_pRenderer != nullptr; }
    IOleObject* GetRenderer() const { return m_pRenderer; }
    // GetUserClassID of the held renderer; GUID_NULL when none.
    CLSID GetRendererClassId() const;
    // The full user type name for "ActiveX Control:"; "n/a" when none.
    std::string GetRendererUserType() const;
    // The page classes the renderer lists, in its order.
    std::vector<CLSID> GetRendererPageIds() const;
    // One renderer page object, created through the renderer's module with
    // the renderer as its object; null on failure. The caller owns it.
    IPropertyPage* CreateRendererPage(REFCLSID pageClass, const CPluginRegistry& registry) const;
    IPropertyPage* CreateRendererPage(REFCLSID pageClass) const;
    // A renderer option by property name through its IDispatch;
    // E_UNEXPECTED without a renderer. *error says what failed.
    HRESULT SetRendererOption(const std::string& name, const std::string& value, std::string* error = nullptr);
    HRESULT GetRendererOption(const std::string& name, VARIANT* value) const;

    // --- running ---

    // The render step on a target document (phantom or projection
    // collection) and an allocated volume: one Synthesize for a phantom;
    // ProcessCollection for a collection and, when the renderer answers
    // E_NOTIMPL, the program's own loop over the entries followed by the
    // 2 pi / N scaling. Returns the renderer's result, S_OK for the program
    // loop unless a projection failed (the first failure), or
    // E_NOINTERFACE / E_INVALIDARG when nothing could run.
    HRESULT Run(CDocument& target, CVolume& volume);
    // The collection members the last run skipped because their file could
    // not be read, as "member K: PATH", in order (both modes).
    const std::vector<std::string>& GetMissingMembers() const { return m_missingMembers; }
    // "2 of 50 members were missing and skipped: member 3: /a/b.3.PRJ, ..."; empty when none.
    std::string MissingMembersText() const;

    // The bytes a render of that geometry allocates for its voxels; nullopt
    // when the count overflows.
    static std::optional<std::uint64_t> RenderMemory(const VolumeSize& size);
    // Empty when a volume of that geometry can be made now; else why not,
    // as a sentence for the user, with *result (optional) E_INVALIDARG for
    // a zero or negative size and E_OUTOFMEMORY for one that needs more
    // memory than is available (the figures are in the sentence).
    static std::string CheckVolumeSize(const VolumeSize& size, HRESULT* result = nullptr);

    // The Render button: a new volume (through `volumeTemplate` when given,
    // without a frame), allocated with `size` and, only if that succeeded,
    // rendered from `target`. Null when there is no target or no renderer,
    // when CheckVolumeSize refuses the geometry (nothing is allocated), or
    // when the template or the allocation made no volume; otherwise the
    // new, independent volume, marked modified. *result (optional) receives
    // Run's result, or E_OUTOFMEMORY / E_INVALIDARG for a refused volume.
    // A run cancelled at a step (CancelRequested) gives null and E_ABORT:
    // its volume is deleted.
    std::unique_ptr<CVolume> Render(CDocument* target, const VolumeSize& size, CDocTemplate* volumeTemplate = nullptr,
                                    HRESULT* result = nullptr);

    IStorage* GetScratchStorage() const { return m_pScratchStorage; }
    IStorage* GetRendererStorage() const { return m_pRendererStorage; }
    IProgress* GetProgress() { return &m_xProgress; }

private:
    class XClientSite : public IOleClientSite {
    public:
        explicit XClientSite(CBackProjector* owner) : m_pOwner(owner) {}
        HRESULT QueryInterface(REFIID riid, void** ppvObject) override { return m_pOwner->Query(riid, ppvObject); }
        ULONG AddRef() override { return m_pOwner->AddRef(); }
        ULONG Release() override { return m_pOwner->Release(); }
        HRESULT SaveObject() override { return S_OK; }
        HRESULT GetMoniker(DWORD, DWORD, IUnknown** moniker) override;
        HRESULT GetContainer(IUnknown** container) override;
        HRESULT ShowObject() override;
        HRESULT OnShowWindow(BOOL show) override;
        HRESULT RequestNewObjectLayout() override { return E_NOTIMPL; }

    private:
        CBackProjector* m_pOwner;
    };

    class XAdviseSink : public IAdviseSink {
    public:
        explicit XAdviseSink(CBackProjector* owner) : m_pOwner(owner) {}
        HRESULT QueryInterface(REFIID riid, void** ppvObject) override { return m_pOwner->Query(riid, ppvObject); }
        ULONG AddRef() override { return m_pOwner->AddRef(); }
        ULONG Release() override { return m_pOwner->Release(); }
        void OnDataChange(void*, void*) override {}
        void OnViewChange(DWORD, LONG) override;
        void OnRename(IUnknown*) override {}
        void OnSave() override;
        void OnClose() override;

    private:
        CBackProjector* m_pOwner;
    };

    class XProgress : public IProgress {
    public:
        explicit XProgress(CBackProjector* owner) : m_pOwner(owner) {}
        HRESULT QueryInterface(REFIID riid, void** ppvObject) override { return m_pOwner->Query(riid, ppvObject); }
        ULONG AddRef() override { return m_pOwner->AddRef(); }
        ULONG Release() override { return m_pOwner->Release(); }
        HRESULT Begin(LONG count, BSTR caption) override;
        HRESULT Step() override;

    private:
        CBackProjector* m_pOwner;
    };

    HRESULT Query(REFIID riid, void** ppvObject);
    ULONG AddRef() { return ++m_refs; }
    // The document is owned by the framework, never by its references.
    ULONG Release() { return m_refs > 1 ? --m_refs : 1; }

    void CreateStorages();
    void ReleaseStorages();
    HRESULT RunCollection(IRenderer* renderer, IProjectionCollection* collection, IVolume* volume,
                          CVolume& target);

    IOleObject* m_pRenderer = nullptr;
    // Options set through SetRendererOption since the renderer was chosen,
    // handed to the volumes it renders.
    std::vector<std::pair<std::string, std::string>> m_optionsGiven;
    DWORD m_dwAdvise = 0;
    bool m_bAdvised = false;
    IStorage* m_pScratchStorage = nullptr;
    IStorage* m_pRendererStorage = nullptr;
    std::vector<std::string> m_missingMembers;
    LONG m_lastMemberCount = 0;

    XClientSite m_xClientSite{this};
    XAdviseSink m_xAdviseSink{this};
    XProgress m_xProgress{this};
    ULONG m_refs = 1;
};

}  // namespace voxmill
