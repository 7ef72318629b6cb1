#include "renderers/tessor/TessorPropPage.h"

#include "renderers/common/ui/RendererPropPage.h"
#include "renderers/tessor/TessorIds.h"

namespace voxmill {

const CPropertyPageLayout& CTessorPropPage::Layout() {
    static const CPropertyPageLayout layout{
        u"Tessor",
        {
            {"Interpolation quality",
             "interpolationGroup",
             {DISPID_TESSOR_INTERPOLATIONMODE,
              VT_I2,
              "interpolationMode",
              {"Low (Nearest Neighbour)", "High (Bilinear)", "Very High (Bicubic)"},
              {true, true, false}},
             {}},
            {"Other",
             "otherGroup",
             {},
             {{DISPID_TESSOR_ISPROCESSCOLLECTION, "Process Projection Collection (a bit faster)",
               "processCollection"}}},
            {"Beyond",
             "beyondGroup",
             {DISPID_TESSOR_FILTERWINDOW, VT_I4, "filterWindow", {"Ram-Lak", "Shepp-Logan", "Cosine", "Hamming", "Hann"}, {}},
             {{DISPID_TESSOR_ZEROPADDING, "Use Zero Padding", "zeroPadding"},
              {DISPID_TESSOR_SHORTSCANWEIGHTING, "Weigh Short Scans (Parker)", "shortScanWeighting"}},
             "The window applies to the ramp up to FilterCutoff (percent of Nyquist, 100 by default)."},
        }};
    return layout;
}

HRESULT CTessorPropPage::CreateInstance(REFIID riid, void** object) {
    return CRendererPropPage::CreateInstance(Layout(), riid, object);
}

}  // namespace voxmill
