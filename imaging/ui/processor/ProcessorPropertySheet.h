// The processor's property sheet ("Property Sheet"): the pages "Warping"
// and "Target". The Warping page cannot be left while its angle is out of
// range.
#pragma once

#include "acquisition/ui/CheckedPropertySheet.h"
#include "imaging/WarpValues.h"

namespace voxmill {

class CProcessorPropertyPage_Target;
class CProcessorPropertyPage_Warp;

class CProcessorPropertySheet : public CCheckedPropertySheet {
    Q_OBJECT

public:
    enum Page { kWarpPage, kTargetPage };

    explicit CProcessorPropertySheet(QWidget* parent = nullptr);

    // The values the Warping page accepted.
    const WarpValues& Values() const;

    CProcessorPropertyPage_Warp* WarpPage() const { return m_pWarp; }
    CProcessorPropertyPage_Target* TargetPage() const { return m_pTarget; }

private:
    CProcessorPropertyPage_Warp* m_pWarp;
    CProcessorPropertyPage_Target* m_pTarget;
};

}  // namespace voxmill
