#include "hardware/Exposure.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "acquisition/Projection.h"
#include "acquisition/ProjectionCollection.h"
#include "app/ListElementStub.h"
#include "hardware/Slide.h"
#include "hardware/SlideCollection.h"

namespace voxmill {
namespace {

bool CreateLike(const CProjection& projection, CSlide& slide) {
    if (!projection.HasPixels()) return false;
    if (!slide.Create(projection.GetDimX(), projection.GetDimY(), projection.GetWidth(), projection.GetHeight()))
        return false;
    slide.GetSource() = projection.GetSource();
    slide.GetDetector() = projection.GetDetector();
    return true;
}

}  // namespace

bool ExposeProjection(const CProjection& projection, std::uint8_t white, CSlide& slide) {
    if (!CreateLike(projection, slide)) return false;
    const float* p = projection.GetPixels();
    std::uint8_t* s = slide.GetPixels();
    for (std::size_t k = 0; k < projection.GetPixelCount(); ++k) {
        const double line = p[k] >= 0.0f ? p[k] : 0.0;  // NaN too
        s[k] = static_cast<std::uint8_t>(std::lround(white * std::exp(-line)));
    }
    slide.UpdateRange();
    return true;
}

bool ExposeOpenBeam(const CProjection& projection, std::uint8_t white, CSlide& slide) {
    if (!CreateLike(projection, slide)) return false;
    std::fill(slide.GetPixels(), slide.GetPixels() + slide.GetPixelCount(), white);
    slide.UpdateRange();
    return true;
}

std::size_t ExposeCollection(CProjectionCollection& projections, std::uint8_t white, CSlideCollection& cine,
                             CSlideCollection& reference) {
    std::size_t exposed = 0;
    for (std::size_t i = 0; i < projections.GetCount(); ++i) {
        CListElementStub& stub = *projections.GetMember(i);
        const bool wasLoaded = stub.m_bLoaded;
        const CProjection* projection = stub.Load() ? projections.GetProjection(i) : nullptr;
        auto* frame = static_cast<CSlide*>(cine.AddSlide()->m_pElement);
        auto* open = static_cast<CSlide*>(reference.AddSlide()->m_pElement);
        if (projection && ExposeProjection(*projection, white, *frame) && ExposeOpenBeam(*projection, white, *open))
            ++exposed;
        if (!wasLoaded) stub.Unload();
    }
    return exposed;
}

}  // namespace voxmill
