// How the workbench shows each template's documents: the frame and view
// classes of a resource number. The main frame attaches these factories to
// the templates of the same number; a template without a row shows no
// window.
#pragma once

#include <vector>

#include "app/ui/ChildFrame.h"

namespace voxmill {

class CDocument;

struct FrameRow {
    unsigned resourceId;
    CChildFrame* (*create)(CDocument& doc);
};

template <class Frame, class View>
CChildFrame* CreateFrame(CDocument& doc) {
    auto* frame = new Frame;
    frame->AttachView(new View, doc);
    return frame;
}

}  // namespace voxmill
