// The volume window's view: a scrolling view of 100 x 100 units that draws
// nothing; the user works with the volume through its commands.
//
// Commands: "Volume" menu, "X Slices", "Y Slices", "Z Slices" (cut the
// volume into a new slice collection along that axis and show it; enabled
// while the workbench has a window for slice collections) and "Target"
// (show the volume in the target view); "Export" menu, "NCSA HDF" (ask for
// a file, "Hdf Files (*.hdf)", asking before overwriting, and write the
// voxels as one HDF data set; enabled while the volume holds voxels). A
// failed export is shown in a message box and leaves any earlier file as
// it was.
//
// "Compare with Phantom..." (a .pha file, voxelized on this volume's grid
// by the comparison renderer, Tessor unless set) and "Compare with
// Volume..." (another open volume, or a .vol file) measure this volume
// against that reference: the difference volume (this - reference) opens
// in a window of its own and the figures, over the field of view and over
// the whole volume, in a report window.
#pragma once

#include <QPointer>
#include <QString>
#include <cstdint>
#include <string>

#include "app/ui/WidgetView.h"
#include "reconstruction/ui/ComparisonReportDialog.h"

class QAction;
class QMenu;
class QScrollArea;

namespace voxmill {

class CChildFrame;
class CVolume;

class CVolumeView : public CWidgetView {
    Q_OBJECT

public:
    static constexpr unsigned kTargetTemplate = 138;
    static constexpr unsigned kSliceCollectionTemplate = 133;
    static constexpr unsigned kHdfTemplate = 150;
    static constexpr unsigned kVolumeTemplate = 132;
    static constexpr int kScrollUnits = 100;

    explicit CVolumeView(QWidget* parent = nullptr);
    ~CVolumeView() override;

    CVolume* GetVolume() const;
    QList<QMenu*> DocumentMenus() const override;
    void OnInitialUpdate() override;
    void OnUpdate(CView* sender, long hint, CObject* pHint) override;
    QSize sizeHint() const override;

    // Cuts the volume along axis 0 (X), 1 (Y) or 2 (Z) and shows the new
    // collection; its window, or null when none could be made.
    CChildFrame* MakeSlices(std::uint32_t axis);
    // Writes the HDF file at `path`; false after showing why it failed.
    bool ExportHdf(const QString& path);

    // The comparisons with their reference chosen: the difference volume's
    // window, or null after showing why nothing could be compared.
    CChildFrame* CompareWithPhantom(const QString& path);
    CChildFrame* CompareWithVolume(const CVolume& reference, const QString& referenceName);
    CChildFrame* CompareWithVolumeFile(const QString& path);
    // The renderer that voxelizes phantoms ("Tessor" unless set).
    void SetComparisonRenderer(const std::string& name) { m_comparisonRenderer = name; }
    // The report of the last comparison while its window is open, or null.
    CComparisonReportDialog* LastReport() const { return m_pReport; }

    QScrollArea* ScrollArea() const { return m_pScroll; }
    QAction* SliceAction(std::uint32_t axis) const;
    QAction* TargetAction() const { return m_pTarget; }
    QAction* CompareWithPhantomAction() const { return m_pComparePhantom; }
    QAction* CompareWithVolumeAction() const { return m_pCompareVolume; }
    QAction* ExportHdfAction() const { return m_pExportHdf; }
    // HDF5, TIFF stack, MetaImage and NRRD.
    class CStackExportMenu* StackExports() const { return m_pStackExports; }

public slots:
    void OnXSlices();
    void OnYSlices();
    void OnZSlices();
    void OnTarget();
    void OnExportHdf();
    void OnCompareWithPhantom();
    void OnCompareWithVolume();

private:
    void CreateActions();
    void UpdateCommandState();
    class CDocTemplate* FindTemplate(unsigned resourceId) const;
    // Opens test - reference in a new volume window and shows the report.
    CChildFrame* ShowComparison(const CVolume& reference, const QString& referenceText);

    QScrollArea* m_pScroll;
    QMenu* m_pVolumeMenu;
    QMenu* m_pExportMenu;
    QAction* m_pSlices[3] = {};
    QAction* m_pTarget = nullptr;
    QAction* m_pExportHdf = nullptr;
    QAction* m_pComparePhantom = nullptr;
    QAction* m_pCompareVolume = nullptr;
    std::string m_comparisonRenderer = "Tessor";
    QPointer<CComparisonReportDialog> m_pReport;
    class CStackExportMenu* m_pStackExports = nullptr;
};

}  // namespace voxmill
