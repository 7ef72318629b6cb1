// The Tessor control: the renderer object the backprojector hosts. It
// carries the options of its dispatch interface (InterpolationMode,
// dispid 1, VT_I2; IsProcessCollection, dispid 2, VT_BOOL; FilterWindow 3
// and FilterCutoff 4, VT_I4; ZeroPadding 5 and ShortScanWeighting 6,
// VT_BOOL, the latter set by default), at their defaults on
// creation and not persisted; the OLE side is the shared renderer control.
//
// IsProcessCollection selects the mode: clear, the program drives the loop
// through ProcessProjection and scales the volume itself; set, the control
// takes the whole collection through ProcessCollection. The other method
// answers E_NOTIMPL. InterpolationMode 1 samples the filtered detector
// bilinearly; 0 (and 2, which the page does not offer) the nearest cell.
// FilterWindow is a CRampKernel::Window, FilterCutoff a percentage of
// Nyquist (1 to 100, default 100).
#pragma once

#include "renderers/common/RendererControl.h"
#include "renderers/tessor/TessorReconstruction.h"

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

    CTessorReconstruction::Options ReconstructionOptions() const;

    SHORT m_interpolationMode = 0;
    bool m_processCollection = false;
    LONG m_filterWindow = 0;    // CRampKernel::Window
    LONG m_filterCutoff = 100;  // percent of Nyquist
    bool m_zeroPadding = false;
    bool m_shortScanWeighting = true;
};

}  // namespace voxmill
