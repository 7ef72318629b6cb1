#include "renderers/tessor/TessorCtrl.h"

#include <new>

#include "renderers/tessor/TessorIds.h"
#include "renderers/tessor/TessorReconstruction.h"

namespace voxmill {
namespace {

constexpr CDispatchProperties::Property kProperties[] = {
    {DISPID_TESSOR_INTERPOLATIONMODE, "InterpolationMode", VT_I2},
    {DISPID_TESSOR_ISPROCESSCOLLECTION, "IsProcessCollection", VT_BOOL},
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
    return CTessorReconstruction(Threads()).ProcessProjection(projection, volume);
}

HRESULT CTessorCtrl::ProcessCollection(IProgress* progress, IProjectionCollection* collection, IVolume* volume) {
    if (!progress || !collection || !volume) return E_POINTER;
    if (!m_processCollection) return E_NOTIMPL;
    return CTessorReconstruction(Threads()).ProcessCollection(progress, collection, volume);
}

// --- properties ---

LONG CTessorCtrl::GetProperty(DISPID id) const {
    return id == DISPID_TESSOR_INTERPOLATIONMODE ? m_interpolationMode : LONG{m_processCollection};
}

HRESULT CTessorCtrl::PutProperty(DISPID id, LONG value) {
    if (id == DISPID_TESSOR_INTERPOLATIONMODE) {
        if (value < 0 || value >= kInterpolationModes) return E_INVALIDARG;
        m_interpolationMode = static_cast<SHORT>(value);
    } else {
        m_processCollection = value != 0;
    }
    return S_OK;
}

// --- IPersistStorage ---

HRESULT CTessorCtrl::InitNew(IStorage*) {
    // The options are not persisted: a new control starts from zero.
    m_interpolationMode = 0;
    m_processCollection = false;
    ClearModified();
    return S_OK;
}

}  // namespace voxmill
