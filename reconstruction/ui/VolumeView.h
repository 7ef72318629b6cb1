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
#pragma once

#include <QString>
#include <cstdint>

#include "app/ui/WidgetView.h"

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

    QScrollArea* ScrollArea() const { return m_pScroll; }
    QAction* SliceAction(std::uint32_t axis) const;
    QAction* TargetAction() const { return m_pTarget; }
    QAction* ExportHdfAction() const { return m_pExportHdf; }
    // HDF5, TIFF stack, MetaImage and NRRD.
    class CStackExportMenu* StackExports() const { return m_pStackExports; }

public slots:
    void OnXSlices();
    void OnYSlices();
    void OnZSlices();
    void OnTarget();
    void OnExportHdf();

private:
    void CreateActions();
    void UpdateCommandState();
    class CDocTemplate* FindTemplate(unsigned resourceId) const;

    QScrollArea* m_pScroll;
    QMenu* m_pVolumeMenu;
    QMenu* m_pExportMenu;
    QAction* m_pSlices[3] = {};
    QAction* m_pTarget = nullptr;
    QAction* m_pExportHdf = nullptr;
    class CStackExportMenu* m_pStackExports = nullptr;
};

}  // namespace voxmill
