#include "imaging/ui/SurfaceiView.h"

namespace voxmill {

CSurfaceiView::CSurfaceiView(QWidget* parent) : CImageViewOf<CSurfacei>(parent) {}

CSurfaceiView::~CSurfaceiView() { DetachFromDocument(); }

}  // namespace voxmill
