// The Karvex property page: the shared renderer page over Karvex's layout.
// Group "Filtering": "Use Filtering", "Use Zero Padding", "Allow Real FFT
// Usage"; group "Interpolation quality": "Low (Nearest Neighbour)", "High
// (Bilinear)" and "Very High (Bicubic)" (the last two disabled: the
// backprojection samples the nearest cell); group "Render tricks": "Allow
// Axial/Angular Simmetry Boost", "Allow Interpolation Skip", "Use
// Fixed-point Math". The index table switch has no control on the page.
#pragma once

#include "contract/Ole.h"
#include "renderers/common/ui/PropertyPageLayout.h"

namespace voxmill {

class CKarvexPropPage {
public:
    // The class factory's creator: a new page asked for riid.
    static HRESULT CreateInstance(REFIID riid, void** object);
    static const CPropertyPageLayout& Layout();
};

}  // namespace voxmill
