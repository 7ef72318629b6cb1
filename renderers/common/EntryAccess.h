// Small helpers for the program-side interfaces a renderer calls: progress
// captions, the projection behind a collection entry, and its pixels.
#pragma once

#include <string>

#include "contract/ListElement.h"
#include "contract/ProjectionCollection.h"
#include "contract/Progress.h"
#include "renderers/common/ProjectionGeometry.h"

namespace voxmill {

// Progress captions are BSTRs, which the sink may not keep.
inline HRESULT BeginProgress(IProgress* progress, LONG count, const char16_t* caption) {
    std::u16string text(caption);
    return progress->Begin(count, text.data());
}

// `count` steps of a batch done; false as soon as the sink asks the
// renderer to stop (the run was cancelled).
inline bool StepAll(IProgress* progress, LONG count) {
    for (LONG n = 0; n < count; ++n)
        if (progress->Step() == E_ABORT) return false;
    return true;
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

// The detector geometry every entry of a collection is taken on, read from
// the first of its `count` entries whose projection can be had: an entry
// that cannot be loaded is skipped here as in the backprojection itself, so
// a missing first member does not fail the whole run. E_INVALIDARG when no
// entry has a projection; a geometry that cannot be used fails with its own
// result.
inline HRESULT ReadFirstAvailableGeometry(IProjectionCollection* collection, LONG count,
                                          CProjectionGeometry* detector) {
    for (LONG n = 0; n < count; ++n) {
        IListElement* item = nullptr;
        if (FAILED(collection->GetItem(n, &item)) || !item) continue;
        IProjection* projection = ProjectionOf(item);
        if (!projection) continue;
        const HRESULT hr = CProjectionGeometry::Read(projection, detector);
        item->Unload();
        return hr;
    }
    return E_INVALIDARG;
}

}  // namespace voxmill
