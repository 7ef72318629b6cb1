// The projector's property sheet ("Property Sheet"): five pages in tab
// order Detector geometry, X-ray Source path, Snapshots, Target, Options.
// A page with a field out of range cannot be left: changing tabs checks
// the page being left, shows the range message and stays on it.
#pragma once

#include <QTabWidget>

#include "acquisition/ProjectorOptions.h"

namespace voxmill {

class CProjector;
class CProjectorPropertyPage;
class CProjectorPropertyPage_Detector;
class CProjectorPropertyPage_Options;
class CProjectorPropertyPage_Path;
class CProjectorPropertyPage_Snapshots;
class CProjectorPropertyPage_Target;

class CProjectorPropertySheet : public QTabWidget {
    Q_OBJECT

public:
    enum Page { kDetectorPage, kPathPage, kSnapshotsPage, kTargetPage, kOptionsPage };
    static QString Caption() { return QStringLiteral("Property Sheet"); }

    explicit CProjectorPropertySheet(QWidget* parent = nullptr);

    // Checks the active page (the others hold what they accepted when they
    // were left); false, after showing the range message, on a bad field.
    bool ValidateActivePage();
    // The values the geometry pages accepted.
    ProjectorPageValues Values() const;

    CProjectorPropertyPage_Detector* DetectorPage() const { return m_pDetector; }
    CProjectorPropertyPage_Path* PathPage() const { return m_pPath; }
    CProjectorPropertyPage_Snapshots* SnapshotsPage() const { return m_pSnapshots; }
    CProjectorPropertyPage_Target* TargetPage() const { return m_pTarget; }
    CProjectorPropertyPage_Options* OptionsPage() const { return m_pOptions; }

private:
    void OnCurrentChanged(int index);
    // The field page at that index, or null (Target, Options).
    CProjectorPropertyPage* FieldPage(int index) const;
    bool ValidatePage(int index);

    CProjectorPropertyPage_Detector* m_pDetector;
    CProjectorPropertyPage_Path* m_pPath;
    CProjectorPropertyPage_Snapshots* m_pSnapshots;
    CProjectorPropertyPage_Target* m_pTarget;
    CProjectorPropertyPage_Options* m_pOptions;
    int m_nActive = 0;
};

}  // namespace voxmill
