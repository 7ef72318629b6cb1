// Shared by the slice tests: volumes whose voxels tell where they are, the
// two templates a slice is written through, and a window that can be
// closed like a real one.
#pragma once

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/DocTemplate.h"
#include "app/FrameWnd.h"
#include "app/View.h"
#include "reconstruction/Volume.h"

namespace voxmill::test {

// Voxel (i, j, k) holds i + 100 j + 10000 k: exact in float for the sizes
// used here, and every voxel's value names its indices.
inline std::unique_ptr<CVolume> IndexVolume(std::uint32_t nX, std::uint32_t nY, std::uint32_t nZ,
                                            double dimX = 2, double dimY = 2, double dimZ = 2) {
    auto v = std::make_unique<CVolume>();
    v->m_bAutoDelete = false;
    if (!v->Allocate(dimX, dimY, dimZ, nX, nY, nZ)) return nullptr;
    for (std::uint32_t k = 0; k < nZ; ++k)
        for (std::uint32_t j = 0; j < nY; ++j)
            for (std::uint32_t i = 0; i < nX; ++i) v->Voxel(i, j, k) = static_cast<float>(i + 100 * j + 10000 * k);
    return v;
}

inline float IndexValue(std::uint32_t i, std::uint32_t j, std::uint32_t k) {
    return static_cast<float>(i + 100 * j + 10000 * k);
}

inline std::unique_ptr<CDocTemplate> SliceTemplate() {
    return std::make_unique<CDocTemplate>(137, "\nSlice\nSlice\nSlice Files (*.slc)\n.SLC\nSlice.Document\nSlice Document",
                                          true, nullptr);
}

inline std::unique_ptr<CDocTemplate> BitmapTemplate() {
    return std::make_unique<CDocTemplate>(144, "\nBitmap\nBitmap\nBitmap Files (*.bmp)\n.BMP\nBitmap.Document\nBitmap",
                                          false, nullptr);
}

class TestView : public CView {
public:
    ~TestView() override { DetachFromDocument(); }
    int updates = 0;
    void OnUpdate(CView*, long, CObject*) override { ++updates; }
};

// One view in a window; destroying the window takes the view with it.
class TestFrame : public CFrameWnd {
public:
    explicit TestFrame(CDocument& doc) : m_view(std::make_unique<TestView>()) {
        m_view->SetParentFrame(this);
        doc.AddView(m_view.get());
    }
    void DestroyWindow() override { m_view.reset(); }
    CView* GetActiveView() const override { return m_view.get(); }
    bool IsOpen() const { return m_view != nullptr; }

private:
    std::unique_ptr<TestView> m_view;
};

}  // namespace voxmill::test
