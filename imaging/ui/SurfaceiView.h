// The 8-bit image view: a CSurfacei (and, through CSlideView, a slide) in
// the image view, with the whole-number grey window and the "%d" read-out.
#pragma once

#include "imaging/ui/ImageViewOf.h"

namespace voxmill {

class CSurfaceiView : public CImageViewOf<CSurfacei> {
    Q_OBJECT

public:
    explicit CSurfaceiView(QWidget* parent = nullptr);
    ~CSurfaceiView() override;

    CSurfacei* GetSurfacei() const { return GetImage(); }
};

}  // namespace voxmill
