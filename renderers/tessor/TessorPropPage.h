// The Tessor property page: the shared renderer page over Tessor's layout,
// a group "Interpolation quality" with three radio buttons (only the first
// enabled: samples are always taken from the nearest cell) bound to
// InterpolationMode, and a group "Other" with the collection-mode check box.
#pragma once

#include "contract/Ole.h"
#include "renderers/common/ui/PropertyPageLayout.h"

namespace voxmill {

class CTessorPropPage {
public:
    // The class factory's creator: a new page asked for riid.
    static HRESULT CreateInstance(REFIID riid, void** object);
    static const CPropertyPageLayout& Layout();
};

}  // namespace voxmill
