// The interface a renderer plug-in implements, and the plug-in category
// renderers register under.
#pragma once

#include "contract/Com.h"
#include "contract/Phantom.h"
#include "contract/Progress.h"
#include "contract/Projection.h"
#include "contract/ProjectionCollection.h"
#include "contract/Volume.h"

namespace voxmill {

// {D97195A0-8A2C-11D3-B424-B3F24566ED29}
inline constexpr CATID CATID_VoxmillPlugins = {
    0xD97195A0, 0x8A2C, 0x11D3, {0xB4, 0x24, 0xB3, 0xF2, 0x45, 0x66, 0xED, 0x29}};
inline constexpr const char* kPluginCategoryDescription = "Voxmill Plugins";
inline constexpr LONG kPluginCategoryLocale = 0x409;

// What a renderer answers when a collection's projections cover neither a
// full circle nor a short scan (pi plus the fan angle, even steps): with
// short-scan weighting on automatic it still reconstructs them unweighted,
// exactly as with the weighting off, and says so with this success code,
// so that such collections reconstruct as they always did.
inline constexpr HRESULT VOXMILL_S_UNEVENCOVERAGE = MakeHResult(0x00040301u);

// {01D2B3A2-7424-11D3-B406-EE6246039729}
inline constexpr IID IID_IRenderer = {
    0x01D2B3A2, 0x7424, 0x11D3, {0xB4, 0x06, 0xEE, 0x62, 0x46, 0x03, 0x97, 0x29}};

// Every method returns E_POINTER when an interface argument is null.
class IRenderer : public IUnknown {
public:
    // Fills the volume from the phantom (voxelization).
    virtual HRESULT Synthesize(IProgress* progress, IPhantom* phantom, IVolume* volume) = 0;
    // Filters one projection and adds its backprojection; E_NOTIMPL when
    // the renderer only takes whole collections.
    virtual HRESULT ProcessProjection(IProgress* progress, IProjection* projection, IVolume* volume) = 0;
    // Reconstructs from the whole collection, driving the progress itself;
    // E_NOTIMPL when the renderer only takes single projections.
    virtual HRESULT ProcessCollection(IProgress* progress, IProjectionCollection* collection, IVolume* volume) = 0;

protected:
    ~IRenderer() = default;
};

}  // namespace voxmill
