// The float image view: a CSurface (and, through derived views, a
// projection or a slice) in the image view, with the float grey window and
// the "%.3f" read-out (CImageViewOf holds the behaviour both image kinds
// share).
#pragma once

#include "imaging/ui/ImageViewOf.h"

namespace voxmill {

class CSurfaceView : public CImageViewOf<CSurface> {
    Q_OBJECT

public:
    explicit CSurfaceView(QWidget* parent = nullptr);
    ~CSurfaceView() override;

    CSurface* GetSurface() const { return GetImage(); }
};

}  // namespace voxmill
