// Small helpers for the program-side interfaces a renderer calls: progress
// captions, the projection behind a collection entry, and its pixels.
#pragma once

#include <string>

#include "contract/ListElement.h"
#include "contract/Progress.h"
#include "renderers/common/ProjectionGeometry.h"

namespace voxmill {

// Progress captions are BSTRs, which the sink may not keep.
inline HRESULT BeginProgress(IProgress* progress, LONG count, const char16_t* caption) {
    std::u16string text(caption);
    return progress->Begin(count, text.data());
}

// The projection behind a collection entry (asking for it loads the entry).
inline IProjection* ProjectionOf(IListElement* item) {
    void* projection = nullptr;
    if (FAILED(item->QueryInterface(IID_IProjection, &projection))) return nullptr;
    return static_cast<IProjection*>(projection);
}

// The pixels of a projection whose grid matches `detector` (its geometry
// read into `own`, a singular matrix taking `previous`'s orientation when
// given), or null.
inline const float* PixelsOf(IProjection* projection, const CProjectionGeometry& detector, CProjectionGeometry* own,
                             const CProjectionGeometry* previous = nullptr) {
    float* pixels = nullptr;
    if (FAILED(CProjectionGeometry::Read(projection, own, previous)) || !own->HasSamePixelCounts(detector) ||
        FAILED(projection->GetData(&pixels)))
        return nullptr;
    return pixels;
}

}  // namespace voxmill
