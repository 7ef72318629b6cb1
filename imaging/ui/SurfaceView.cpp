#include "imaging/ui/SurfaceView.h"

namespace voxmill {

CSurfaceView::CSurfaceView(QWidget* parent) : CImageViewOf<CSurface>(parent) {}

CSurfaceView::~CSurfaceView() { DetachFromDocument(); }

}  // namespace voxmill
