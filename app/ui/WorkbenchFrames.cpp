#include "app/ui/WorkbenchFrames.h"

#include "app/ui/TargetView.h"
#include "phantom/ui/PhantomElementCylinderView.h"
#include "phantom/ui/PhantomElementEllipsoidView.h"
#include "phantom/ui/PhantomView.h"

namespace voxmill {

const std::vector<FrameRow>& WorkbenchFrameTable() {
    static const std::vector<FrameRow> rows = {
        {138, &CreateFrame<CChildFrame, CTargetView>},
        {135, &CreateFrame<CChildFrame, CPhantomView>},
        {136, &CreateFrame<CChildFrame, CPhantomElementEllipsoidView>},
        {151, &CreateFrame<CChildFrame, CPhantomElementCylinderView>},
    };
    return rows;
}

}  // namespace voxmill
