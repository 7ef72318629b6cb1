// The Karvex control: the accelerated renderer the backprojector hosts. It
// carries the eight options of its dispatch interface (dispatch ids 1 to 8
// in KarvexIds.h; every switch on at creation, InterpolationMode 0), not
// persisted; the OLE side is the shared renderer control. It always takes
// the whole collection: ProcessProjection answers E_NOTIMPL after its null
// checks, and the volume comes back scaled.
#pragma once

#include "renderers/common/RendererControl.h"
#include "renderers/karvex/KarvexReconstruction.h"

namespace voxmill {

class CKarvexCtrl final : public CRendererControl {
public:
    // A new control with one reference.
    static CKarvexCtrl* Create();
    // The class factory's creator: a new control asked for riid.
    static HRESULT CreateInstance(REFIID riid, void** object);

    // IRenderer
    HRESULT Synthesize(IProgress* progress, IPhantom* phantom, IVolume* volume) override;
    HRESULT ProcessProjection(IProgress* progress, IProjection* projection, IVolume* volume) override;
    HRESULT ProcessCollection(IProgress* progress, IProjectionCollection* collection, IVolume* volume) override;

    // IPersistStorage
    HRESULT InitNew(IStorage* storage) override;

    const CKarvexReconstruction::Options& Options() const { return m_options; }
    // What the last ProcessCollection decided.
    const CKarvexReconstruction::Plan& LastPlan() const { return m_plan; }

    // Interpolation modes the page offers: low, high, very high.
    static constexpr LONG kInterpolationModes = 3;

private:
    CKarvexCtrl();

    LONG GetProperty(DISPID id) const override;
    HRESULT PutProperty(DISPID id, LONG value) override;
    bool* Switch(DISPID id);

    CKarvexReconstruction::Options m_options;
    CKarvexReconstruction::Plan m_plan;
};

}  // namespace voxmill
