// The projector's property sheet ("Property Sheet"): five pages in tab
// order Detector geometry, X-ray Source path, Snapshots, Target, Options.
// A page with a field out of range cannot be left: changing tabs checks
// the page being left, shows the range message and stays on it.
#pragma once

#include "acquisition/ProjectorOptions.h"
#include "acquisition/ui/CheckedPropertySheet.h"

namespace voxmill {

class CProjector;
class CProjectorPropertyPage_Detector;
class CProjectorPropertyPage_Options;
class CProjectorPropertyPage_Path;
class CProjectorPropertyPage_Snapshots;
class CProjectorPropertyPage_Target;

class CProjectorPropertySheet : public CCheckedPropertySheet {
    Q_OBJECT

public:
    enum Page { kDetectorPage, kPathPage, kSnapshotsPage, kTargetPage, kOptionsPage };

    explicit CProjectorPropertySheet(QWidget* parent = nullptr);

    // The values the geometry pages accepted.
    ProjectorPageValues Values() const;

    CProjectorPropertyPage_Detector* DetectorPage() const { return m_pDetector; }
    CProjectorPropertyPage_Path* PathPage() const { return m_pPath; }
    CProjectorPropertyPage_Snapshots* SnapshotsPage() const { return m_pSnapshots; }
    CProjectorPropertyPage_Target* TargetPage() const { return m_pTarget; }
    CProjectorPropertyPage_Options* OptionsPage() const { return m_pOptions; }

private:
    CProjectorPropertyPage_Detector* m_pDetector;
    CProjectorPropertyPage_Path* m_pPath;
    CProjectorPropertyPage_Snapshots* m_pSnapshots;
    CProjectorPropertyPage_Target* m_pTarget;
    CProjectorPropertyPage_Options* m_pOptions;
};

}  // namespace voxmill
