// The base of every document that can be a member of a collection
// (surfaces, projections, slices, slides).
#pragma once

#include <string>

#include "app/Document.h"

namespace voxmill {

class CDib;

class CListElement : public CDocument {
    VOXMILL_DECLARE_DYNAMIC(CListElement)

public:
    // Frees the bulk data (pixels), keeping what describes the element.
    virtual void ReleaseData() {}
    // A new picture of the element for list views; the caller owns it.
    virtual CDib* MakeThumbnail(int /*width*/, int /*height*/) { return nullptr; }
    virtual void GetDescription(std::string& description) { description = "n/a"; }
};

}  // namespace voxmill
