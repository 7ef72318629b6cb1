// Slides and cines for the hardware tests: filled frames with a pose, and
// cines of them in place.
#pragma once

#include <functional>
#include <memory>

#include "app/ListElementStub.h"
#include "hardware/Slide.h"
#include "hardware/SlideCollection.h"

namespace voxmill::testing {

// A w x h slide of size 4 x 4 whose pixel (i, j) is value(i, j), with a
// recognisable source and detector.
inline std::unique_ptr<CSlide> MakeSlide(std::uint32_t w, std::uint32_t h,
                                         const std::function<std::uint8_t(std::uint32_t, std::uint32_t)>& value) {
    auto s = std::make_unique<CSlide>();
    s->OnNewDocument();
    if (!s->Create(4.0, 4.0, w, h)) return s;
    for (std::uint32_t j = 0; j < h; ++j)
        for (std::uint32_t i = 0; i < w; ++i) s->GetPixels()[j * w + i] = value(i, j);
    s->UpdateRange();
    s->GetSource().SetPosition(CPoint4(1.25, -0.5, 4.0));
    s->GetDetector().SetGeometry(CPoint4(0, 0, -4), CDirection4(1, 0, 0), CDirection4(0, 1, 0), 4.0, 4.0,
                                 static_cast<std::int32_t>(w), static_cast<std::int32_t>(h));
    return s;
}

// A cine of `count` in-place slides; slide k holds value(k, i, j).
inline void FillCine(CSlideCollection& cine, std::size_t count, std::uint32_t w, std::uint32_t h,
                     const std::function<std::uint8_t(std::size_t, std::uint32_t, std::uint32_t)>& value) {
    for (std::size_t k = 0; k < count; ++k) {
        CListElementStub* stub = cine.AddSlide();
        auto* slide = static_cast<CSlide*>(stub->m_pElement);
        slide->Create(4.0, 4.0, w, h);
        for (std::uint32_t j = 0; j < h; ++j)
            for (std::uint32_t i = 0; i < w; ++i) slide->GetPixels()[j * w + i] = value(k, i, j);
        slide->UpdateRange();
    }
}

}  // namespace voxmill::testing
