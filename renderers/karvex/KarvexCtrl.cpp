#include "renderers/karvex/KarvexCtrl.h"

#include <new>

#include "renderers/common/RampKernel.h"
#include "renderers/common/Voxelizer.h"
#include "renderers/karvex/KarvexIds.h"

namespace voxmill {
namespace {

constexpr CDispatchProperties::Property kProperties[] = {
    {DISPID_KARVEX_ISFILTERING, "IsFiltering", VT_BOOL},
    {DISPID_KARVEX_ISALLOWEDINDEXLUTBOOST, "IsAllowedIndexLutBoost", VT_BOOL},
    {DISPID_KARVEX_ISALLOWEDSIMMETRYBOOST, "IsAllowedSimmetryBoost", VT_BOOL},
    {DISPID_KARVEX_INTERPOLATIONMODE, "InterpolationMode", VT_I4},
    {DISPID_KARVEX_ISALLOWEDSKIPINTERPOLATION, "IsAllowedSkipInterpolation", VT_BOOL},
    {DISPID_KARVEX_ISFIXEDPOINT, "IsFixedPoint", VT_BOOL},
    {DISPID_KARVEX_ISPADFFT, "IsPadFFT", VT_BOOL},
    {DISPID_KARVEX_ISREALFFT, "IsRealFFT", VT_BOOL},
    {DISPID_KARVEX_FILTERWINDOW, "FilterWindow", VT_I4},
    {DISPID_KARVEX_FILTERCUTOFF, "FilterCutoff", VT_I4},
    {DISPID_KARVEX_SHORTSCANWEIGHTING, "ShortScanWeighting", VT_BOOL},
};

constexpr CRendererControl::Identity kIdentity = {CLSID_KarvexCtrl, DIID__DKarvex, CLSID_KarvexPropPage,
                                                  u"Karvex Control", u"Karvex"};

}  // namespace

CKarvexCtrl* CKarvexCtrl::Create() { return new (std::nothrow) CKarvexCtrl; }

HRESULT CKarvexCtrl::CreateInstance(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    CKarvexCtrl* ctrl = Create();
    if (!ctrl) return E_OUTOFMEMORY;
    const HRESULT hr = ctrl->QueryInterface(riid, object);
    ctrl->Release();
    return hr;
}

CKarvexCtrl::CKarvexCtrl() : CRendererControl(kIdentity, kProperties) {}

// --- IRenderer ---

HRESULT CKarvexCtrl::Synthesize(IProgress* progress, IPhantom* phantom, IVolume* volume) {
    return CVoxelizer::Synthesize(progress, phantom, volume);
}

HRESULT CKarvexCtrl::ProcessProjection(IProgress* progress, IProjection* projection, IVolume* volume) {
    if (!progress || !projection || !volume) return E_POINTER;
    return E_NOTIMPL;
}

HRESULT CKarvexCtrl::ProcessCollection(IProgress* progress, IProjectionCollection* collection, IVolume* volume) {
    if (!progress || !collection || !volume) return E_POINTER;
    m_plan = {};
    return CKarvexReconstruction(Threads()).ProcessCollection(progress, collection, volume, m_options, &m_plan);
}

// --- properties ---

bool* CKarvexCtrl::Switch(DISPID id) {
    switch (id) {
        case DISPID_KARVEX_ISFILTERING: return &m_options.filtering;
        case DISPID_KARVEX_ISALLOWEDINDEXLUTBOOST: return &m_options.indexLut;
        case DISPID_KARVEX_ISALLOWEDSIMMETRYBOOST: return &m_options.symmetry;
        case DISPID_KARVEX_ISALLOWEDSKIPINTERPOLATION: return &m_options.skipInterpolation;
        case DISPID_KARVEX_ISFIXEDPOINT: return &m_options.fixedPoint;
        case DISPID_KARVEX_ISPADFFT: return &m_options.pad;
        case DISPID_KARVEX_ISREALFFT: return &m_options.realFft;
        case DISPID_KARVEX_SHORTSCANWEIGHTING: return &m_options.shortScan;
        default: return nullptr;
    }
}

LONG CKarvexCtrl::GetProperty(DISPID id) const {
    if (id == DISPID_KARVEX_INTERPOLATIONMODE) return m_options.interpolationMode;
    if (id == DISPID_KARVEX_FILTERWINDOW) return m_options.filterWindow;
    if (id == DISPID_KARVEX_FILTERCUTOFF) return m_options.filterCutoff;
    const bool* value = const_cast<CKarvexCtrl*>(this)->Switch(id);
    return value && *value ? 1 : 0;
}

HRESULT CKarvexCtrl::PutProperty(DISPID id, LONG value) {
    if (id == DISPID_KARVEX_INTERPOLATIONMODE) {
        if (value < 0 || value >= kInterpolationModes) return E_INVALIDARG;
        m_options.interpolationMode = value;
        return S_OK;
    }
    if (id == DISPID_KARVEX_FILTERWINDOW) {
        if (value < 0 || value >= CRampKernel::kWindowCount) return E_INVALIDARG;
        m_options.filterWindow = value;
        return S_OK;
    }
    if (id == DISPID_KARVEX_FILTERCUTOFF) {
        if (value < 1 || value > 100) return E_INVALIDARG;
        m_options.filterCutoff = value;
        return S_OK;
    }
    bool* target = Switch(id);
    if (!target) return DISP_E_MEMBERNOTFOUND;
    *target = value != 0;
    return S_OK;
}

// --- IPersistStorage ---

HRESULT CKarvexCtrl::InitNew(IStorage*) {
    // The options are not persisted: a new control starts from the defaults.
    m_options = {};
    ClearModified();
    return S_OK;
}

}  // namespace voxmill
