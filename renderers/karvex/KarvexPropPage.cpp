#include "renderers/karvex/KarvexPropPage.h"

#include "renderers/common/ui/RendererPropPage.h"
#include "renderers/karvex/KarvexIds.h"

namespace voxmill {

const CPropertyPageLayout& CKarvexPropPage::Layout() {
    static const CPropertyPageLayout layout{
        u"Karvex",
        {
            {"Filtering",
             "filteringGroup",
             {},
             {{DISPID_KARVEX_ISFILTERING, "Use Filtering", "isFiltering"},
              {DISPID_KARVEX_ISPADFFT, "Use Zero Padding", "isPadFFT"},
              {DISPID_KARVEX_ISREALFFT, "Allow Real FFT Usage", "isRealFFT"}}},
            {"Interpolation quality",
             "interpolationGroup",
             {DISPID_KARVEX_INTERPOLATIONMODE,
              VT_I4,
              "interpolationMode",
              {"Low (Nearest Neighbour)", "High (Bilinear)", "Very High (Bicubic)"},
              {true, true, false}},
             {}},
            {"Render tricks",
             "renderTricksGroup",
             {},
             {{DISPID_KARVEX_ISALLOWEDSIMMETRYBOOST, "Allow Axial/Angular Simmetry Boost", "isAllowedSimmetryBoost"},
              {DISPID_KARVEX_ISALLOWEDSKIPINTERPOLATION, "Allow Interpolation Skip", "isAllowedSkipInterpolation"},
              {DISPID_KARVEX_ISFIXEDPOINT, "Use Fixed-point Math", "isFixedPoint"}}},
            {"Beyond",
             "beyondGroup",
             {DISPID_KARVEX_FILTERWINDOW, VT_I4, "filterWindow", {"Ram-Lak", "Shepp-Logan", "Cosine", "Hamming", "Hann"}, {}},
             {{DISPID_KARVEX_SHORTSCANWEIGHTING, "Weigh Short Scans (Parker)", "shortScanWeighting"}},
             "The window applies to the ramp up to FilterCutoff (percent of Nyquist, 100 by default). "
             "Bilinear sampling always takes the floating-point path: fixed-point math and the index "
             "table are not used with it."},
        }};
    return layout;
}

HRESULT CKarvexPropPage::CreateInstance(REFIID riid, void** object) {
    return CRendererPropPage::CreateInstance(Layout(), riid, object);
}

}  // namespace voxmill
