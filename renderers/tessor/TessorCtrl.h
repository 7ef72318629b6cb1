// The Tessor control: the renderer object the backprojector hosts. It
// carries the two options of its dispatch interface (InterpolationMode,
// dispid 1, VT_I2; IsProcessCollection, dispid 2, VT_BOOL), both 0 at
// creation and not persisted; the OLE side is the shared renderer control.
//
// IsProcessCollection selects the mode: clear, the program drives the loop
// through ProcessProjection and scales the volume itself; set, the control
// takes the whole collection through ProcessCollection. The other method
// answers E_NOTIMPL. InterpolationMode is kept for the page only: samples
// are always taken from the nearest detector cell.
#pragma once

#include "renderers/common/RendererControl.h"

namespace voxmill {

class CTessorCtrl final : public CRendererControl {
public:
    // A new control with one reference.
    static CTessorCtrl* Create();
    // The class factory's creator: a new control asked for riid.
    static HRESULT CreateInstance(REFIID riid, void** object);

    // IRenderer
    HRESULT Synthesize(IProgress* progress, IPhantom* phantom, IVolume* volume) override;
    HRESULT ProcessProjection(IProgress* progress, IProjection* projection, IVolume* volume) override;
    HRESULT ProcessCollection(IProgress* progress, IProjectionCollection* collection, IVolume* volume) override;

    // IPersistStorage
    HRESULT InitNew(IStorage* storage) override;

    SHORT InterpolationMode() const { return m_interpolationMode; }
    bool IsProcessCollection() const { return m_processCollection; }

    // Interpolation modes the page offers: low, high, very high.
    static constexpr SHORT kInterpolationModes = 3;

private:
    CTessorCtrl();

    LONG GetProperty(DISPID id) const override;
    HRESULT PutProperty(DISPID id, LONG value) override;

    SHORT m_interpolationMode = 0;
    bool m_processCollection = false;
};

}  // namespace voxmill
