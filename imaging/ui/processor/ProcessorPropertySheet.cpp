#include "imaging/ui/processor/ProcessorPropertySheet.h"

#include "imaging/ui/processor/ProcessorPropertyPage_Target.h"
#include "imaging/ui/processor/ProcessorPropertyPage_Warp.h"

namespace voxmill {

CProcessorPropertySheet::CProcessorPropertySheet(QWidget* parent)
    : CCheckedPropertySheet(parent), m_pWarp(new CProcessorPropertyPage_Warp),
      m_pTarget(new CProcessorPropertyPage_Target) {
    addTab(m_pWarp, m_pWarp->Title());
    addTab(m_pTarget, CProcessorPropertyPage_Target::Title());
}

const WarpValues& CProcessorPropertySheet::Values() const { return m_pWarp->Values(); }

}  // namespace voxmill
