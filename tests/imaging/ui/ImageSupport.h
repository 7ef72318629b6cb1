// Float and 8-bit images and image windows for the view tests.
#pragma once

#include <QMdiArea>
#include <memory>
#include <type_traits>

#include "imaging/Surface.h"
#include "imaging/ui/SurfaceChildFrame.h"
#include "imaging/ui/SurfaceView.h"
#include "tests/app/ui/UiTestSupport.h"

namespace voxmill::test {

// A width x height image of physical size dimX x dimY whose pixel (c, r)
// holds value(c, r), with its value range computed.
template <class Doc = CSurface, class Fn>
std::unique_ptr<Doc> MakeImage(std::uint32_t width, std::uint32_t height, double dimX, double dimY, Fn value) {
    auto doc = std::make_unique<Doc>();
    doc->OnNewDocument();
    doc->m_bAutoDelete = false;  // the test owns it, not its windows
    if (!doc->Create(dimX, dimY, width, height)) return nullptr;
    auto* p = doc->GetPixels();
    using Pixel = std::remove_pointer_t<decltype(p)>;
    for (std::uint32_t r = 0; r < height; ++r)
        for (std::uint32_t c = 0; c < width; ++c) p[std::size_t(r) * width + c] = static_cast<Pixel>(value(c, r));
    doc->UpdateRange();
    return doc;
}

// An image window on `doc` inside an MDI area of its own.
template <class View = CSurfaceView>
struct ImageWindow {
    explicit ImageWindow(CDocument& doc, QSize area = QSize(1200, 1000)) {
        mdi.resize(area);
        mdi.show();
        frame = new CSurfaceChildFrame;
        view = new View;
        frame->AttachView(view, doc);
        mdi.addSubWindow(frame);
        frame->InitialUpdateFrame();
    }
    ~ImageWindow() {
        if (frame) frame->DestroyWindow();
        FlushDeletes();
    }
    ImageWindow(const ImageWindow&) = delete;
    ImageWindow& operator=(const ImageWindow&) = delete;

    QMdiArea mdi;
    CSurfaceChildFrame* frame = nullptr;
    View* view = nullptr;
};

}  // namespace voxmill::test
