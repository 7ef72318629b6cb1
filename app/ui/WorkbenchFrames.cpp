#include "app/ui/WorkbenchFrames.h"

#include "acquisition/ui/collection/ProjectionCollectionView.h"
#include "acquisition/ui/collection/ProjectionView.h"
#include "acquisition/ui/GLContextView.h"
#include "acquisition/ui/ProjectorView.h"
#include "app/ui/OperatorChildFrame.h"
#include "app/ui/TargetView.h"
#include "hardware/ui/DigitizerView.h"
#include "hardware/ui/SlideCollectionView.h"
#include "hardware/ui/SlideView.h"
#include "imaging/ui/SurfaceChildFrame.h"
#include "imaging/ui/SurfaceView.h"
#include "imaging/ui/processor/ProcessorView.h"
#include "imaging/ui/SurfaceiView.h"
#include "phantom/ui/PhantomElementCylinderView.h"
#include "phantom/ui/PhantomElementEllipsoidView.h"
#include "phantom/ui/PhantomView.h"
#include "reconstruction/ui/BackProjectorView.h"
#include "reconstruction/ui/SliceCollectionView.h"
#include "reconstruction/ui/SliceView.h"
#include "reconstruction/ui/VolumeView.h"

namespace voxmill {

const std::vector<FrameRow>& WorkbenchFrameTable() {
    static const std::vector<FrameRow> rows = {
        {138, &CreateFrame<CChildFrame, CTargetView>},
        {144, &CreateFrame<CSurfaceChildFrame, CSurfaceView>},
        {140, &CreateFrame<CSurfaceChildFrame, CSurfaceView>},
        {149, &CreateFrame<CSurfaceChildFrame, CSurfaceView>},
        {150, &CreateFrame<CSurfaceChildFrame, CSurfaceView>},
        {152, &CreateFrame<CSurfaceChildFrame, CSurfaceView>},
        {139, &CreateFrame<CSurfaceChildFrame, CSurfaceView>},
        {145, &CreateFrame<CSurfaceChildFrame, CSurfaceiView>},
        {143, &CreateFrame<CChildFrame, CGLContextView>},
        {142, &CreateFrame<COperatorChildFrame, CDigitizerView>},
        {129, &CreateFrame<CSurfaceChildFrame, CProjectionView>},
        {147, &CreateFrame<CSurfaceChildFrame, CSlideView>},
        {141, &CreateFrame<CChildFrame, CProjectionCollectionView>},
        {130, &CreateFrame<CChildFrame, CProjectionCollectionView>},
        {146, &CreateFrame<CChildFrame, CSlideCollectionView>},
        {137, &CreateFrame<CSurfaceChildFrame, CSliceView>},
        {133, &CreateFrame<CChildFrame, CSliceCollectionView>},
        {135, &CreateFrame<CChildFrame, CPhantomView>},
        {136, &CreateFrame<CChildFrame, CPhantomElementEllipsoidView>},
        {151, &CreateFrame<CChildFrame, CPhantomElementCylinderView>},
        {131, &CreateFrame<COperatorChildFrame, CProjectorView>},
        {134, &CreateFrame<COperatorChildFrame, CBackProjectorView>},
        {132, &CreateFrame<CChildFrame, CVolumeView>},
        {148, &CreateFrame<COperatorChildFrame, CProcessorView>},
    };
    return rows;
}

}  // namespace voxmill
