#include "reconstruction/BackProjector.h"

#include <cmath>

#include "app/DocTemplate.h"
#include "app/ListElementStub.h"
#include "app/Target.h"
#include "app/MemoryBudget.h"
#include "app/archive/CheckedSize.h"
#include "app/archive/ErrorSink.h"
#include "contract/Phantom.h"
#include "contract/Projection.h"
#include "contract/ProjectionCollection.h"
#include "contract/Registry.h"
#include "contract/Renderer.h"
#include "reconstruction/OleHosting.h"
#include "reconstruction/PluginRegistry.h"
#include "reconstruction/ScratchStorage.h"
#include "reconstruction/Utf16.h"
#include "reconstruction/Volume.h"

namespace voxmill {
namespace {

constexpr const char* kRendererStorageName = "sub";
constexpr const char16_t* kBackprojectingCaption = u"Backprojecting...";
// 2 pi of the program-driven loop's final scaling, in double precision.
constexpr double kTwoPi = 2.0 * 3.141592653589793;

template <class I>
I* QueryFrom(IUnknown* object, REFIID iid) {
    void* p = nullptr;
    if (!object || FAILED(object->QueryInterface(iid, &p))) return nullptr;
    return static_cast<I*>(p);
}

// v <- v * 2 pi / N, evaluated in double from the float and stored as float.
void ScaleVoxels(float* voxels, std::size_t count, LONG n) {
    for (std::size_t i = 0; i < count; ++i)
        voxels[i] = static_cast<float>(static_cast<double>(voxels[i]) * kTwoPi / static_cast<double>(n));
}

}  // namespace

VOXMILL_IMPLEMENT_DYNCREATE(CBackProjector, COperator)

CBackProjector::CBackProjector() = default;

CBackProjector::~CBackProjector() {
    ReleaseRenderer();
    ReleaseStorages();
}

bool CBackProjector::OnNewDocument() {
    if (!COperator::OnNewDocument()) return false;
    if (!m_pScratchStorage) CreateStorages();
    return true;
}

void CBackProjector::CreateStorages() {
    ReleaseStorages();
    std::string error;
    CScratchStorage* root = CScratchStorage::Create(&error);
    if (!root) {
        ReportError(error);
        return;
    }
    m_pScratchStorage = root;
    if (FAILED(m_pScratchStorage->CreateStorage(kRendererStorageName, &m_pRendererStorage))) {
        m_pRendererStorage = nullptr;
        ReportError(std::string("Cannot create the renderer's storage in ") + root->GetDirectory());
    }
}

void CBackProjector::ReleaseStorages() {
    if (m_pRendererStorage) m_pRendererStorage->Release();
    if (m_pScratchStorage) m_pScratchStorage->Release();
    m_pRendererStorage = nullptr;
    m_pScratchStorage = nullptr;
}

void CBackProjector::DeleteContents() {
    ReleaseRenderer();
    COperator::DeleteContents();
}

void CBackProjector::Serialize(CArchive&) {}

bool CBackProjector::AcceptsTarget(std::uint16_t targetType) {
    return targetType == kTargetProjectionCollection || targetType == kTargetPhantom;
}

void* CBackProjector::GetInterface(REFIID iid) {
    if (iid == IID_IOleClientSite || iid == IID_IUnknown) return static_cast<IOleClientSite*>(&m_xClientSite);
    if (iid == IID_IAdviseSink) return static_cast<IAdviseSink*>(&m_xAdviseSink);
    if (iid == IID_IProgress) return static_cast<IProgress*>(&m_xProgress);
    return COperator::GetInterface(iid);
}

HRESULT CBackProjector::Query(REFIID riid, void** ppvObject) {
    if (!ppvObject) return E_POINTER;
    *ppvObject = GetInterface(riid);
    if (!*ppvObject) return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

// --- hosting ---

CBackProjector::RendererChoice CBackProjector::ChooseRenderer(REFCLSID clsid) {
    return ChooseRenderer(clsid, CPluginRegistry());
}

CBackProjector::RendererChoice CBackProjector::ChooseRenderer(REFCLSID clsid, const CPluginRegistry& registry) {
    if (m_pRenderer && GetRendererClassId() == clsid) return RendererChoice::unchanged;
    ReleaseRenderer();
    // A backprojector read from a file never ran OnNewDocument.
    if (!m_pRendererStorage) CreateStorages();

    IOleObject* renderer = nullptr;
    if (FAILED(OleCreateControl(registry, clsid, &m_xClientSite, m_pRendererStorage, &renderer))) {
        UpdateAllViews(nullptr);
        return RendererChoice::failed;
    }
    m_pRenderer = renderer;
    m_optionsGiven.clear();
    DWORD connection = 0;
    m_bAdvised = SUCCEEDED(m_pRenderer->Advise(&m_xAdviseSink, &connection));
    m_dwAdvise = connection;
    UpdateAllViews(nullptr);
    return RendererChoice::replaced;
}

void CBackProjector::ReleaseRenderer() {
    if (!m_pRenderer) return;
    IOleObject* renderer = m_pRenderer;
    m_pRenderer = nullptr;
    if (m_bAdvised) renderer->Unadvise(m_dwAdvise);
    m_bAdvised = false;
    m_dwAdvise = 0;
    renderer->Close(OLECLOSE_NOSAVE);
    renderer->Release();
}

CLSID CBackProjector::GetRendererClassId() const {
    CLSID clsid = GUID_NULL;
    if (m_pRenderer && FAILED(m_pRenderer->GetUserClassID(&clsid))) clsid = GUID_NULL;
    return clsid;
}

std::string CBackProjector::GetRendererUserType() const {
    if (!m_pRenderer) return "n/a";
    return GetFullUserType(m_pRenderer);
}

std::vector<CLSID> CBackProjector::GetRendererPageIds() const { return GetPropertyPageIds(m_pRenderer); }

IPropertyPage* CBackProjector::CreateRendererPage(REFCLSID pageClass) const {
    return CreateRendererPage(pageClass, CPluginRegistry());
}

IPropertyPage* CBackProjector::CreateRendererPage(REFCLSID pageClass, const CPluginRegistry& registry) const {
    if (!m_pRenderer) return nullptr;
    return CreatePropertyPage(registry, GetRendererClassId(), pageClass, m_pRenderer);
}

HRESULT CBackProjector::SetRendererOption(const std::string& name, const std::string& value, std::string* error) {
    if (!m_pRenderer) {
        if (error) *error = "no renderer is loaded";
        return E_UNEXPECTED;
    }
    const HRESULT hr = SetDispatchProperty(m_pRenderer, name, value, error);
    if (SUCCEEDED(hr)) {
        auto same = [&](const auto& option) { return option.first == name; };
        std::erase_if(m_optionsGiven, same);
        m_optionsGiven.emplace_back(name, value);
    }
    return hr;
}

HRESULT CBackProjector::GetRendererOption(const std::string& name, VARIANT* value) const {
    if (!m_pRenderer) return E_UNEXPECTED;
    return GetDispatchProperty(m_pRenderer, name, value);
}

// --- running ---

std::string CBackProjector::MissingMembersText() const {
    if (m_missingMembers.empty()) return {};
    std::string text = std::to_string(m_missingMembers.size()) + " of " + std::to_string(m_lastMemberCount) +
                       " members were missing and skipped: ";
    for (std::size_t i = 0; i < m_missingMembers.size(); ++i) text += (i ? ", " : "") + m_missingMembers[i];
    return text;
}

HRESULT CBackProjector::Run(CDocument& target, CVolume& volume) {
    m_missingMembers.clear();
    m_lastMemberCount = 0;
    IProgress* progress = &m_xProgress;
    auto* volumeInterface = static_cast<IVolume*>(volume.GetInterface(IID_IVolume));
    IRenderer* renderer = QueryFrom<IRenderer>(m_pRenderer, IID_IRenderer);
    if (!volumeInterface || !renderer) {
        if (renderer) renderer->Release();
        return E_NOINTERFACE;
    }
    auto* asTarget = dynamic_cast<CTarget*>(&target);
    const std::uint16_t type = asTarget ? asTarget->GetTargetType() : 0;
    HRESULT hr = E_INVALIDARG;
    if (type == kTargetPhantom) {
        auto* phantom = static_cast<IPhantom*>(target.GetInterface(IID_IPhantom));
        hr = phantom ? renderer->Synthesize(progress, phantom, volumeInterface) : E_NOINTERFACE;
    } else if (type == kTargetProjectionCollection) {
        auto* collection = static_cast<IProjectionCollection*>(target.GetInterface(IID_IProjectionCollection));
        if (collection) {
            const std::vector<CListElementStub*> stubs = asTarget->GetMemberStubs();
            for (CListElementStub* stub : stubs) stub->ClearLoadFailed();
            hr = RunCollection(renderer, collection, volumeInterface, volume);
            for (std::size_t i = 0; i < stubs.size(); ++i)
                if (stubs[i]->LoadFailed())
                    m_missingMembers.push_back("member " + std::to_string(i) + ": " + stubs[i]->m_strPath);
            if (FAILED(collection->GetCount(&m_lastMemberCount))) m_lastMemberCount = 0;
        } else {
            hr = E_NOINTERFACE;
        }
    }
    renderer->Release();
    return hr;
}

HRESULT CBackProjector::RunCollection(IRenderer* renderer, IProjectionCollection* collection, IVolume* volume,
                                      CVolume& target) {
    IProgress* progress = &m_xProgress;
    HRESULT hr = renderer->ProcessCollection(progress, collection, volume);
    if (hr != E_NOTIMPL) return hr;

    LONG n = 0;
    if (FAILED(collection->GetCount(&n)) || n < 0) n = 0;
    std::u16string caption = kBackprojectingCaption;
    progress->Begin(n, caption.data());
    HRESULT result = S_OK;
    for (LONG i = 0; i < n; ++i) {
        IListElement* item = nullptr;
        if (SUCCEEDED(collection->GetItem(i, &item)) && item) {
            // Asking the entry for its projection loads it.
            if (IProjection* projection = QueryFrom<IProjection>(item, IID_IProjection)) {
                const HRESULT one = renderer->ProcessProjection(progress, projection, volume);
                if (FAILED(one) && SUCCEEDED(result)) result = one;
                projection->Release();
            }
            item->Unload();
        }
        if (progress->Step() == E_ABORT) return E_ABORT;  // the volume is thrown away
    }
    // With no entries there is nothing to scale, and 2 pi / 0 would turn
    // the zeros into NaNs.
    if (n > 0 && target.GetVoxels()) ScaleVoxels(target.GetVoxels(), target.GetVoxelCount(), n);
    return result;
}

std::optional<std::uint64_t> CBackProjector::RenderMemory(const VolumeSize& size) {
    return CheckedProduct({size.nX, size.nY, size.nZ, sizeof(float)});
}

std::string CBackProjector::CheckVolumeSize(const VolumeSize& size, HRESULT* result) {
    if (result) *result = S_OK;
    const auto extent = [](double d) { return d > 0 && std::isfinite(d); };
    if (!extent(size.dimX) || !extent(size.dimY) || !extent(size.dimZ) || !size.nX || !size.nY || !size.nZ) {
        if (result) *result = E_INVALIDARG;
        return "No volume was made: every dimension must be greater than 0 and every pixel number at least 1.";
    }
    const std::string voxels =
        std::to_string(size.nX) + " x " + std::to_string(size.nY) + " x " + std::to_string(size.nZ) + " voxels";
    const std::optional<std::uint64_t> bytes = RenderMemory(size);
    const std::string shortfall = bytes ? MemoryShortfall(*bytes) : std::string();
    if (!bytes || !shortfall.empty()) {
        if (result) *result = E_OUTOFMEMORY;
        return "No volume was made: a volume of " + voxels + " " +
               (bytes ? shortfall : std::string("is larger than any memory")) + ".";
    }
    return {};
}

std::unique_ptr<CVolume> CBackProjector::Render(CDocument* target, const VolumeSize& size,
                                                CDocTemplate* volumeTemplate, HRESULT* result) {
    if (result) *result = E_UNEXPECTED;
    if (!target || !m_pRenderer) return nullptr;
    HRESULT refused = S_OK;
    if (!CheckVolumeSize(size, &refused).empty()) {
        if (result) *result = refused;
        return nullptr;
    }
    std::unique_ptr<CVolume> volume;
    if (volumeTemplate) {
        CDocument* doc = volumeTemplate->CreateNewDocument();
        volume.reset(dynamic_cast<CVolume*>(doc));
        if (!volume) {
            delete doc;
            return nullptr;
        }
    } else {
        volume = std::make_unique<CVolume>();
    }
    if (!volume->OnNewDocument()) return nullptr;
    if (!volume->Allocate(size.dimX, size.dimY, size.dimZ, size.nX, size.nY, size.nZ)) {
        if (result) *result = E_OUTOFMEMORY;
        return nullptr;
    }
    volume->SetProvenance({GetRendererUserType(), m_optionsGiven});
    const HRESULT hr = Run(*target, *volume);
    // A cancelled run leaves no volume behind, also when the renderer did
    // not stop at the step it was told to.
    if (CancelRequested()) {
        EndCancelledRun();
        if (result) *result = E_ABORT;
        return nullptr;
    }
    if (result) *result = hr;
    // A new reconstruction exists only in memory until it is saved.
    volume->SetModifiedFlag();
    return volume;
}

// --- container side ---

HRESULT CBackProjector::XClientSite::GetMoniker(DWORD, DWORD, IUnknown** moniker) {
    if (moniker) *moniker = nullptr;
    return E_NOTIMPL;
}

HRESULT CBackProjector::XClientSite::GetContainer(IUnknown** container) {
    if (container) *container = nullptr;
    return E_NOTIMPL;
}

HRESULT CBackProjector::XClientSite::ShowObject() {
    m_pOwner->UpdateAllViews(nullptr);
    return S_OK;
}

HRESULT CBackProjector::XClientSite::OnShowWindow(BOOL) {
    m_pOwner->UpdateAllViews(nullptr);
    return S_OK;
}

void CBackProjector::XAdviseSink::OnViewChange(DWORD, LONG) { m_pOwner->UpdateAllViews(nullptr); }

void CBackProjector::XAdviseSink::OnSave() { m_pOwner->UpdateAllViews(nullptr); }

void CBackProjector::XAdviseSink::OnClose() { m_pOwner->UpdateAllViews(nullptr); }

HRESULT CBackProjector::XProgress::Begin(LONG count, BSTR caption) {
    m_pOwner->BeginRun(count > 0 ? static_cast<unsigned>(count) : 0u, Utf16ToUtf8(caption));
    return S_OK;
}

HRESULT CBackProjector::XProgress::Step() {
    m_pOwner->Step();
    // Tells the renderer to stop: the user cancelled the run.
    return m_pOwner->CancelRequested() ? E_ABORT : S_OK;
}

}  // namespace voxmill
