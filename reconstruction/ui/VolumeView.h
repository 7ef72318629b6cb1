// The volume window's view: three orthogonal slice panes (X, Y and Z
// planes, oriented as the slice commands cut them) through a cursor voxel
// that a click in any pane moves, a slider per pane choosing its plane
// (the wheel over a pane steps it), a grey window shared by all panes (its
// numbers in two spin boxes; by default the volume's value range), the
// world point, voxel and value under the mouse, and a fourth pane with the
// maximum-intensity projection that the mouse turns and zooms
// (CVolumeMipView). The pane arithmetic is in VolumePlanes.
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
#include <array>
#include <cstdint>
#include <string>

#include "app/ui/WidgetView.h"
#include "reconstruction/VolumePlanes.h"
#include "reconstruction/ui/ComparisonReportDialog.h"

class QAction;
class QDoubleSpinBox;
class QLabel;
class QMenu;
class QSlider;

namespace voxmill {

class CChildFrame;
class CVolume;
class CVolumeMipView;
class CVolumePlanePane;

class CVolumeView : public CWidgetView {
    Q_OBJECT

public:
    static constexpr unsigned kTargetTemplate = 138;
    static constexpr unsigned kSliceCollectionTemplate = 133;
    static constexpr unsigned kHdfTemplate = 150;
    static constexpr unsigned kVolumeTemplate = 132;

    explicit CVolumeView(QWidget* parent = nullptr);
    ~CVolumeView() override;

    CVolume* GetVolume() const;
    QList<QMenu*> DocumentMenus() const override;
    void OnInitialUpdate() override;
    void OnUpdate(CView* sender, long hint, CObject* pHint) override;
    void OnDetach() override;
    QSize sizeHint() const override;

    // Cuts the volume along axis 0 (X), 1 (Y) or 2 (Z) and shows the new
    // collection; its window, or null when none could be made.
    CChildFrame* MakeSlices(std::uint32_t axis);
    // Writes the HDF file at `path`; false after showing why it failed.
    bool ExportHdf(const QString& path);

    // The panes: axis 0 X, 1 Y, 2 Z (null for another).
    CVolumePlanePane* PlanePane(std::uint32_t axis) const { return axis < 3 ? m_pPanes[axis] : nullptr; }
    QSlider* PlaneSlider(std::uint32_t axis) const { return axis < 3 ? m_pSliders[axis] : nullptr; }
    QLabel* PlaneCaption(std::uint32_t axis) const { return axis < 3 ? m_pCaptions[axis] : nullptr; }
    // The projection, null where the platform offers no OpenGL; the pane
    // (the projection or a note saying why there is none).
    CVolumeMipView* MipView() const { return m_pMip; }
    QWidget* MipPane() const { return m_pMipPane; }
    QDoubleSpinBox* GreyLowBox() const { return m_pLow; }
    QDoubleSpinBox* GreyHighBox() const { return m_pHigh; }
    QLabel* ProbeLabel() const { return m_pProbe; }
    const VoxelIndex& Cursor() const { return m_cursor; }
    // Moves the cursor (clamped into the volume) and redraws the panes.
    void SetCursor(const VoxelIndex& cursor);
    float GreyLow() const { return m_low; }
    float GreyHigh() const { return m_high; }
    void SetGreyWindow(float low, float high);

    // The comparisons with their reference chosen: the difference volume's
    // window, or null after showing why nothing could be compared.
    CChildFrame* CompareWithPhantom(const QString& path);
    CChildFrame* CompareWithVolume(const CVolume& reference, const QString& referenceName);
    CChildFrame* CompareWithVolumeFile(const QString& path);
    // The renderer that voxelizes phantoms ("Tessor" unless set).
    void SetComparisonRenderer(const std::string& name) { m_comparisonRenderer = name; }
    // The report of the last comparison while its window is open, or null.
    CComparisonReportDialog* LastReport() const { return m_pReport; }
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
    void CreatePanes();
    void UpdateCommandState();
    class CDocTemplate* FindTemplate(unsigned resourceId) const;
    // Follows the volume: a new shape puts the cursor in the middle, a new
    // value range resets the grey window to it, and the projection takes
    // its texture again.
    void ResetDisplay();
    void RedrawPane(std::uint32_t axis);
    void RedrawPanes();
    void OnPixelPicked(std::uint32_t axis, QPoint pixel);
    void OnPixelHovered(std::uint32_t axis, QPoint pixel);
    void OnSliderMoved(std::uint32_t axis, int index);
    void OnGreyBoxChanged();
    void ShowProbe(const VoxelIndex* voxel);
    // Opens test - reference in a new volume window and shows the report.
    CChildFrame* ShowComparison(const CVolume& reference, const QString& referenceText);

    std::array<CVolumePlanePane*, 3> m_pPanes{};
    std::array<QSlider*, 3> m_pSliders{};
    std::array<QLabel*, 3> m_pCaptions{};
    CVolumeMipView* m_pMip = nullptr;
    QWidget* m_pMipPane = nullptr;
    QDoubleSpinBox* m_pLow = nullptr;
    QDoubleSpinBox* m_pHigh = nullptr;
    QLabel* m_pProbe = nullptr;
    VoxelIndex m_cursor;
    float m_low = 0, m_high = 0;
    // The shape and value range the display was last reset for.
    std::array<std::uint32_t, 3> m_shape{};
    std::array<float, 2> m_range{};
    bool m_bRangeKnown = false;
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
