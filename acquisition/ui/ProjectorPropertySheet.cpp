#include "acquisition/ui/ProjectorPropertySheet.h"

#include "acquisition/ui/ProjectorPropertyPage_Detector.h"
#include "acquisition/ui/ProjectorPropertyPage_Options.h"
#include "acquisition/ui/ProjectorPropertyPage_Path.h"
#include "acquisition/ui/ProjectorPropertyPage_Snapshots.h"
#include "acquisition/ui/ProjectorPropertyPage_Target.h"
#include "app/ui/MessageBox.h"

namespace voxmill {

CProjectorPropertySheet::CProjectorPropertySheet(QWidget* parent)
    : QTabWidget(parent), m_pDetector(new CProjectorPropertyPage_Detector), m_pPath(new CProjectorPropertyPage_Path),
      m_pSnapshots(new CProjectorPropertyPage_Snapshots), m_pTarget(new CProjectorPropertyPage_Target),
      m_pOptions(new CProjectorPropertyPage_Options) {
    setWindowTitle(Caption());
    setObjectName(Caption());
    // Every tab stays in sight: the sheet is as wide as its tab row.
    setUsesScrollButtons(false);
    addTab(m_pDetector, m_pDetector->Title());
    addTab(m_pPath, m_pPath->Title());
    addTab(m_pSnapshots, m_pSnapshots->Title());
    addTab(m_pTarget, CProjectorPropertyPage_Target::Title());
    addTab(m_pOptions, CProjectorPropertyPage_Options::Title());
    connect(this, &QTabWidget::currentChanged, this, &CProjectorPropertySheet::OnCurrentChanged);
}

CProjectorPropertyPage* CProjectorPropertySheet::FieldPage(int index) const {
    switch (index) {
        case kDetectorPage: return m_pDetector;
        case kPathPage: return m_pPath;
        case kSnapshotsPage: return m_pSnapshots;
        default: return nullptr;
    }
}

bool CProjectorPropertySheet::ValidatePage(int index) {
    CProjectorPropertyPage* page = FieldPage(index);
    if (!page) return true;
    QString message;
    QWidget* field = nullptr;
    if (page->Validate(&message, &field)) return true;
    // The page stays in front until its field is right.
    if (currentIndex() != index) {
        const QSignalBlocker block(this);
        setCurrentIndex(index);
    }
    ShowMessageBox(this, QMessageBox::Warning, message);
    if (field) field->setFocus();
    return false;
}

void CProjectorPropertySheet::OnCurrentChanged(int index) {
    if (index == m_nActive) return;
    if (ValidatePage(m_nActive)) m_nActive = index;
}

bool CProjectorPropertySheet::ValidateActivePage() { return ValidatePage(currentIndex()); }

ProjectorPageValues CProjectorPropertySheet::Values() const {
    ProjectorPageValues values;
    values.detector = m_pDetector->Values();
    values.path = m_pPath->Values();
    values.snapshots = m_pSnapshots->Values();
    return values;
}

}  // namespace voxmill
