#include "renderers/tessor/TessorCtrl.h"

#include <new>

#include "renderers/common/RampKernel.h"
#include "renderers/tessor/TessorIds.h"
#include "renderers/tessor/TessorReconstruction.h"

namespace voxmill {
namespace {

constexpr CDispatchProperties::Property kProperties[] = {
    {DISPID_TESSOR_INTERPOLATIONMODE, "InterpolationMode", VT_I2},
    {DISPID_TESSOR_ISPROCESSCOLLECTION, "IsProcessCollection", VT_BOOL},
    {DISPID_TESSOR_FILTERWINDOW, "FilterWindow", VT_I4},
    {DISPID_TESSOR_FILTERCUTOFF, "FilterCutoff", VT_I4},
    {DISPID_TESSOR_ZEROPADDING, "ZeroPadding", VT_BOOL},
    {DISPID_TESSOR_SHORTSCANWEIGHTING, "ShortScanWeighting", VT_BOOL},
};

constexpr CRendererControl::Identity kIdentity = {CLSID_TessorCtrl, DIID__DTessor, CLSID_TessorPropPage,
                                                  u"Tessor Control", u"Tessor"};

}  // namespace

CTessorCtrl* CTessorCtrl::Create() { return new (std::nothrow) CTessorCtrl; }

HRESULT CTessorCtrl::CreateInstance(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    CTessorCtrl* ctrl = Create();
    if (!ctrl) return E_OUTOFMEMORY;
    const HRESULT hr = ctrl->QueryInterface(riid, object);
    ctrl->Release();
    return hr;
}

CTessorCtrl::CTessorCtrl() : CRendererControl(kIdentity, kProperties) {}

// --- IRenderer ---

HRESULT CTessorCtrl::Synthesize(IProgress* progress, IPhantom* phantom, IVolume* volume) {
    if (!progress || !phantom || !volume) return E_POINTER;
    return CTessorReconstruction(Threads()).Synthesize(progress, phantom, volume);
}

HRESULT CTessorCtrl::ProcessProjection(IProgress* progress, IProjection* projection, IVolume* volume) {
    if (!progress || !projection || !volume) return E_POINTER;
    if (m_processCollection) return E_NOTIMPL;
    return CTessorReconstruction(Threads(), ReconstructionOptions()).ProcessProjection(projection, volume);
}

HRESULT CTessorCtrl::ProcessCollection(IProgress* progress, IProjectionCollection* collection, IVolume* volume) {
    if (!progress || !collection || !volume) return E_POINTER;
    if (!m_processCollection) return E_NOTIMPL;
    return CTessorReconstruction(Threads(), ReconstructionOptions()).ProcessCollection(progress, collection, volume);
}

// --- properties ---

CTessorReconstruction::Options CTessorCtrl::ReconstructionOptions() const {
    CTessorReconstruction::Options o;
    o.window = m_filterWindow;
    o.cutoff = m_filterCutoff / 100.0;
    o.pad = m_zeroPadding;
    o.shortScan = m_shortScanWeighting;
    // Mode 2 (bicubic) is accepted but has no sampler: it stays nearest.
    o.bilinear = m_interpolationMode == 1;
    return o;
}

LONG CTessorCtrl::GetProperty(DISPID id) const {
    switch (id) {
        case DISPID_TESSOR_INTERPOLATIONMODE: return m_interpolationMode;
        case DISPID_TESSOR_FILTERWINDOW: return m_filterWindow;
        case DISPID_TESSOR_FILTERCUTOFF: return m_filterCutoff;
        case DISPID_TESSOR_ZEROPADDING: return LONG{m_zeroPadding};
        case DISPID_TESSOR_SHORTSCANWEIGHTING: return LONG{m_shortScanWeighting};
        default: return LONG{m_processCollection};
    }
}

HRESULT CTessorCtrl::PutProperty(DISPID id, LONG value) {
    switch (id) {
        case DISPID_TESSOR_INTERPOLATIONMODE:
            if (value < 0 || value >= kInterpolationModes) return E_INVALIDARG;
            m_interpolationMode = static_cast<SHORT>(value);
            break;
        case DISPID_TESSOR_FILTERWINDOW:
            if (value < 0 || value >= CRampKernel::kWindowCount) return E_INVALIDARG;
            m_filterWindow = value;
            break;
        case DISPID_TESSOR_FILTERCUTOFF:
            if (value < 1 || value > 100) return E_INVALIDARG;
            m_filterCutoff = value;
            break;
        case DISPID_TESSOR_ZEROPADDING: m_zeroPadding = value != 0; break;
        case DISPID_TESSOR_SHORTSCANWEIGHTING: m_shortScanWeighting = value != 0; break;
        default: m_processCollection = value != 0; break;
    }
    return S_OK;
}

// --- IPersistStorage ---

HRESULT CTessorCtrl::InitNew(IStorage*) {
    // The options are not persisted: a new control starts from zero.
    m_interpolationMode = 0;
    m_processCollection = false;
    m_filterWindow = CRampKernel::kRamLak;
    m_filterCutoff = 100;
    m_zeroPadding = false;
    m_shortScanWeighting = true;
    ClearModified();
    return S_OK;
}

}  // namespace voxmill
