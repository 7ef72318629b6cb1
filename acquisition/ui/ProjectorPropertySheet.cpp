#include "acquisition/ui/ProjectorPropertySheet.h"

#include "acquisition/ui/ProjectorPropertyPage_Detector.h"
#include "acquisition/ui/ProjectorPropertyPage_Options.h"
#include "acquisition/ui/ProjectorPropertyPage_Path.h"
#include "acquisition/ui/ProjectorPropertyPage_Snapshots.h"
#include "acquisition/ui/ProjectorPropertyPage_Target.h"

namespace voxmill {

CProjectorPropertySheet::CProjectorPropertySheet(QWidget* parent)
    : CCheckedPropertySheet(parent), m_pDetector(new CProjectorPropertyPage_Detector),
      m_pPath(new CProjectorPropertyPage_Path), m_pSnapshots(new CProjectorPropertyPage_Snapshots), m_pTarget(new CProjectorPropertyPage_Target),
      m_pOptions(new CProjectorPropertyPage_Options) {
    addTab(m_pDetector, m_pDetector->Title());
    addTab(m_pPath, m_pPath->Title());
    addTab(m_pSnapshots, m_pSnapshots->Title());
    addTab(m_pTarget, CProjectorPropertyPage_Target::Title());
    addTab(m_pOptions, CProjectorPropertyPage_Options::Title());
}

ProjectorPageValues CProjectorPropertySheet::Values() const {
    ProjectorPageValues values;
    values.detector = m_pDetector->Values();
    values.path = m_pPath->Values();
    values.snapshots = m_pSnapshots->Values();
    return values;
}

}  // namespace voxmill
