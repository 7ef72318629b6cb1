#include "reconstruction/ui/VolumeView.h"

#include "formats/DocumentExports.h"
#include "formats/ui/StackExportMenu.h"

#include <QAction>
#include <QApplication>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QInputDialog>
#include <QMenu>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <exception>
#include <memory>

#include "app/DocTemplate.h"
#include "app/archive/ArchiveException.h"
#include "app/templates/DocManager.h"
#include "app/ui/ChildFrame.h"
#include "app/ui/FilePrompt.h"
#include "app/ui/MainFrame.h"
#include "app/ui/MessageBox.h"
#include "phantom/Phantom.h"
#include "reconstruction/SliceCollection.h"
#include "reconstruction/Slicing.h"
#include "imaging/GreyMap.h"
#include "reconstruction/Volume.h"
#include "reconstruction/ui/VolumeMipView.h"
#include "reconstruction/ui/VolumePlanePane.h"
#include "reconstruction/VolumeDifference.h"

namespace voxmill {
namespace {

const char* const kHdfFilter = "Hdf Files (*.hdf)";
const char* const kAxisNames[] = {"X", "Y", "Z"};
constexpr int kGreyDecimals = 6;
const char* const kPhantomFilter = "Phantom Files (*.pha)";
const char* const kVolumeFilter = "Volume Files (*.vol)";

// The wait cursor for the length of a scope.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace

CVolumeView::CVolumeView(QWidget* parent)
    : CWidgetView(parent), m_pVolumeMenu(new QMenu(QStringLiteral("Volume"), this)),
      m_pExportMenu(new QMenu(QStringLiteral("Export"), this)) {
    CreatePanes();
    CreateActions();
}

void CVolumeView::CreatePanes() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    auto* grid = new QGridLayout;
    grid->setSpacing(6);
    layout->addLayout(grid, 1);
    for (std::uint32_t axis = 0; axis < 3; ++axis) {
        auto* column = new QVBoxLayout;
        m_pCaptions[axis] = new QLabel(this);
        m_pPanes[axis] = new CVolumePlanePane(this);
        m_pSliders[axis] = new QSlider(Qt::Horizontal, this);
        m_pSliders[axis]->setToolTip(QStringLiteral("The %1 plane shown").arg(kAxisNames[axis]));
        column->addWidget(m_pCaptions[axis]);
        column->addWidget(m_pPanes[axis], 1);
        column->addWidget(m_pSliders[axis]);
        grid->addLayout(column, static_cast<int>(axis / 2), static_cast<int>(axis % 2));
        connect(m_pPanes[axis], &CVolumePlanePane::PixelPicked, this,
                [this, axis](QPoint pixel) { OnPixelPicked(axis, pixel); });
        connect(m_pPanes[axis], &CVolumePlanePane::PixelHovered, this,
                [this, axis](QPoint pixel) { OnPixelHovered(axis, pixel); });
        connect(m_pPanes[axis], &CVolumePlanePane::PlaneStepped, this, [this, axis](int steps) {
            m_pSliders[axis]->setValue(m_pSliders[axis]->value() + steps);
        });
        connect(m_pSliders[axis], &QSlider::valueChanged, this,
                [this, axis](int index) { OnSliderMoved(axis, index); });
    }
    auto* mipColumn = new QVBoxLayout;
    mipColumn->addWidget(new QLabel(QStringLiteral("Maximum intensity (drag to turn, wheel to zoom)"), this));
    if (CVolumeMipView::IsAvailable()) {
        m_pMip = new CVolumeMipView(this);
        m_pMipPane = m_pMip;
    } else {
        auto* note = new QLabel(QStringLiteral("The projection needs OpenGL, which this display does not offer."), this);
        note->setAlignment(Qt::AlignCenter);
        note->setWordWrap(true);
        m_pMipPane = note;
    }
    mipColumn->addWidget(m_pMipPane, 1);
    grid->addLayout(mipColumn, 1, 1);

    auto* controls = new QHBoxLayout;
    m_pLow = new QDoubleSpinBox(this);
    m_pHigh = new QDoubleSpinBox(this);
    for (QDoubleSpinBox* box : {m_pLow, m_pHigh}) {
        box->setDecimals(kGreyDecimals);
        box->setRange(-1e30, 1e30);
        box->setKeyboardTracking(false);
        connect(box, &QDoubleSpinBox::valueChanged, this, &CVolumeView::OnGreyBoxChanged);
    }
    m_pLow->setToolTip(QStringLiteral("Values at or below this are black"));
    m_pHigh->setToolTip(QStringLiteral("Values above this are white"));
    controls->addWidget(new QLabel(QStringLiteral("Grey window:"), this));
    controls->addWidget(m_pLow);
    controls->addWidget(new QLabel(QStringLiteral("to"), this));
    controls->addWidget(m_pHigh);
    controls->addSpacing(12);
    m_pProbe = new QLabel(this);
    m_pProbe->setTextInteractionFlags(Qt::TextSelectableByMouse);
    controls->addWidget(m_pProbe, 1);
    layout->addLayout(controls);
}

CVolumeView::~CVolumeView() { DetachFromDocument(); }

void CVolumeView::CreateActions() {
    m_pSlices[0] = m_pVolumeMenu->addAction(QStringLiteral("X Slices"), this, &CVolumeView::OnXSlices);
    m_pSlices[0]->setStatusTip(QStringLiteral("Cut the volume into slices across the X axis"));
    m_pSlices[1] = m_pVolumeMenu->addAction(QStringLiteral("Y Slices"), this, &CVolumeView::OnYSlices);
    m_pSlices[1]->setStatusTip(QStringLiteral("Cut the volume into slices across the Y axis"));
    m_pSlices[2] = m_pVolumeMenu->addAction(QStringLiteral("Z Slices"), this, &CVolumeView::OnZSlices);
    m_pSlices[2]->setStatusTip(QStringLiteral("Cut the volume into slices across the Z axis"));
    m_pVolumeMenu->addSeparator();
    m_pTarget = m_pVolumeMenu->addAction(QStringLiteral("Target"), this, &CVolumeView::OnTarget);
    m_pTarget->setStatusTip(QStringLiteral("Show the volume as a target"));
    m_pVolumeMenu->addSeparator();
    m_pComparePhantom =
        m_pVolumeMenu->addAction(QStringLiteral("Compare with Phantom..."), this, &CVolumeView::OnCompareWithPhantom);
    m_pComparePhantom->setStatusTip(QStringLiteral("Measure the volume against a phantom voxelized on its grid"));
    m_pCompareVolume =
        m_pVolumeMenu->addAction(QStringLiteral("Compare with Volume..."), this, &CVolumeView::OnCompareWithVolume);
    m_pCompareVolume->setStatusTip(QStringLiteral("Measure the volume against another volume on its grid"));
    m_pExportHdf = m_pExportMenu->addAction(QStringLiteral("NCSA HDF"), this, &CVolumeView::OnExportHdf);
    m_pExportHdf->setStatusTip(QStringLiteral("Write the voxels as an HDF scientific data set"));
    const auto volume = [this]() -> CVolume& { return *GetVolume(); };
    m_pStackExports = new CStackExportMenu(
        m_pExportMenu, this, QStringLiteral("volume"),
        {{StackFormat::hdf5, [volume](const std::string& p) { ExportVolumeHdf5(volume(), p); }},
         {StackFormat::tiff, [volume](const std::string& p) { ExportVolumeTiff(volume(), p); }},
         {StackFormat::metaImage, [volume](const std::string& p) { ExportVolumeMetaImage(volume(), p); }},
         {StackFormat::nrrd, [volume](const std::string& p) { ExportVolumeNrrd(volume(), p); }}});
    for (QMenu* menu : {m_pVolumeMenu, m_pExportMenu})
        connect(menu, &QMenu::aboutToShow, this, &CVolumeView::UpdateCommandState);
}

CVolume* CVolumeView::GetVolume() const { return dynamic_cast<CVolume*>(GetDocument()); }

QList<QMenu*> CVolumeView::DocumentMenus() const { return {m_pExportMenu, m_pVolumeMenu}; }

QSize CVolumeView::sizeHint() const { return QSize(720, 620); }

QAction* CVolumeView::SliceAction(std::uint32_t axis) const { return axis < 3 ? m_pSlices[axis] : nullptr; }

void CVolumeView::OnInitialUpdate() {
    CWidgetView::OnInitialUpdate();
    UpdateCommandState();
}

void CVolumeView::OnUpdate(CView*, long, CObject*) {
    UpdateCommandState();
    ResetDisplay();
}

void CVolumeView::OnDetach() {
    if (m_pMip) m_pMip->SetVolume(nullptr);
    m_shape = {};
    m_bRangeKnown = false;
}

void CVolumeView::ResetDisplay() {
    const CVolume* volume = GetVolume();
    if (m_pMip) m_pMip->SetVolume(volume && volume->IsAllocated() ? volume : nullptr);
    const std::array<std::uint32_t, 3> shape =
        volume ? std::array<std::uint32_t, 3>{PlaneCount(*volume, 0), PlaneCount(*volume, 1), PlaneCount(*volume, 2)}
               : std::array<std::uint32_t, 3>{};
    if (shape != m_shape) {
        m_shape = shape;
        m_cursor = volume ? CentreVoxel(*volume) : VoxelIndex{};
    }
    float low = 0, high = 0;
    if (!volume || !volume->GetValueRange(low, high)) low = high = 0;
    // A window the user set stays while the values keep their range.
    if (low != m_range[0] || high != m_range[1] || !m_bRangeKnown) {
        m_range = {low, high};
        m_bRangeKnown = true;
        SetGreyWindow(low, high);  // redraws the panes
    } else {
        RedrawPanes();
    }
}

void CVolumeView::SetCursor(const VoxelIndex& cursor) {
    const CVolume* volume = GetVolume();
    if (!volume || !volume->IsAllocated()) return;
    m_cursor = {std::min(cursor.i, volume->GetCountX() - 1), std::min(cursor.j, volume->GetCountY() - 1),
                std::min(cursor.k, volume->GetCountZ() - 1)};
    RedrawPanes();
}

void CVolumeView::SetGreyWindow(float low, float high) {
    m_low = low;
    m_high = high;
    {
        const QSignalBlocker blockLow(m_pLow), blockHigh(m_pHigh);
        m_pLow->setValue(low);
        m_pHigh->setValue(high);
    }
    if (m_pMip) m_pMip->SetGreyWindow(low, high);
    RedrawPanes();
}

void CVolumeView::OnGreyBoxChanged() {
    m_low = static_cast<float>(m_pLow->value());
    m_high = static_cast<float>(m_pHigh->value());
    if (m_pMip) m_pMip->SetGreyWindow(m_low, m_high);
    RedrawPanes();
}

void CVolumeView::RedrawPanes() {
    for (std::uint32_t axis = 0; axis < 3; ++axis) RedrawPane(axis);
}

void CVolumeView::RedrawPane(std::uint32_t axis) {
    const CVolume* volume = GetVolume();
    const std::uint32_t count = volume ? PlaneCount(*volume, axis) : 0;
    QSlider* slider = m_pSliders[axis];
    {
        const QSignalBlocker block(slider);
        slider->setRange(0, count ? static_cast<int>(count - 1) : 0);
        slider->setValue(static_cast<int>(PlaneIndex(m_cursor, axis)));
        slider->setEnabled(count > 1);
    }
    if (!count) {
        m_pCaptions[axis]->setText(QStringLiteral("%1 (empty volume)").arg(kAxisNames[axis]));
        m_pPanes[axis]->SetImage(QImage(), 0, 0);
        m_pPanes[axis]->SetCursorPixel(QPoint(-1, -1));
        return;
    }
    const std::uint32_t index = PlaneIndex(m_cursor, axis);
    const std::array<double, 3> centre = VoxelCentre(*volume, m_cursor);
    // Worded as the slices of the same layer are described.
    m_pCaptions[axis]->setText(QString::asprintf("%s = %+.3f", kAxisNames[axis], centre[axis]) +
                               QStringLiteral("   (plane %1 of %2)").arg(index + 1).arg(count));
    const PlaneSize size = PlaneSizeOf(*volume, axis);
    const std::vector<float> values = ExtractPlane(*volume, axis, index);
    QImage image(static_cast<int>(size.columns), static_cast<int>(size.rows), QImage::Format_Grayscale8);
    const float* value = values.data();
    for (std::uint32_t r = 0; r < size.rows; ++r) {
        uchar* line = image.scanLine(static_cast<int>(r));
        for (std::uint32_t c = 0; c < size.columns; ++c) line[c] = GreyIndex(*value++, m_low, m_high);
    }
    m_pPanes[axis]->SetImage(image, size.width, size.height);
    std::uint32_t c = 0, r = 0;
    PlanePixel(*volume, axis, m_cursor, c, r);
    m_pPanes[axis]->SetCursorPixel(QPoint(static_cast<int>(c), static_cast<int>(r)));
}

void CVolumeView::OnPixelPicked(std::uint32_t axis, QPoint pixel) {
    const CVolume* volume = GetVolume();
    if (!volume || !volume->IsAllocated() || pixel.x() < 0 || pixel.y() < 0) return;
    const VoxelIndex voxel =
        PlaneVoxel(*volume, axis, m_cursor, static_cast<std::uint32_t>(pixel.x()), static_cast<std::uint32_t>(pixel.y()));
    SetCursor(voxel);
    ShowProbe(&voxel);
}

void CVolumeView::OnPixelHovered(std::uint32_t axis, QPoint pixel) {
    const CVolume* volume = GetVolume();
    if (!volume || !volume->IsAllocated() || pixel.x() < 0 || pixel.y() < 0) {
        ShowProbe(nullptr);
        return;
    }
    const VoxelIndex voxel =
        PlaneVoxel(*volume, axis, m_cursor, static_cast<std::uint32_t>(pixel.x()), static_cast<std::uint32_t>(pixel.y()));
    ShowProbe(&voxel);
}

void CVolumeView::OnSliderMoved(std::uint32_t axis, int index) {
    if (index < 0) return;
    SetCursor(WithPlaneIndex(m_cursor, axis, static_cast<std::uint32_t>(index)));
}

void CVolumeView::ShowProbe(const VoxelIndex* voxel) {
    CVolume* volume = GetVolume();
    if (!voxel || !volume || !volume->IsAllocated()) {
        m_pProbe->clear();
        return;
    }
    const std::array<double, 3> p = VoxelCentre(*volume, *voxel);
    const float value = volume->Voxel(voxel->i, voxel->j, voxel->k);
    m_pProbe->setText(QString::asprintf("x %+.4f  y %+.4f  z %+.4f   voxel (%u, %u, %u)   value %.6g", p[0], p[1],
                                        p[2], voxel->i, voxel->j, voxel->k, static_cast<double>(value)));
}

CDocTemplate* CVolumeView::FindTemplate(unsigned resourceId) const {
    CMainFrame* mainFrame = CMainFrame::FromWidget(this);
    return mainFrame ? mainFrame->GetDocManager().FindTemplate(resourceId) : nullptr;
}

void CVolumeView::UpdateCommandState() {
    const CVolume* volume = GetVolume();
    const CDocTemplate* slices = FindTemplate(kSliceCollectionTemplate);
    const bool canSlice = volume && slices && slices->HasFrameFactory();
    for (QAction* action : m_pSlices) action->setEnabled(canSlice);
    const CDocTemplate* target = FindTemplate(kTargetTemplate);
    m_pTarget->setEnabled(volume && target && target->HasFrameFactory());
    m_pExportHdf->setEnabled(volume && volume->IsAllocated());
    const CDocTemplate* volumes = volume ? volume->GetDocTemplate() : nullptr;
    const bool canCompare = volume && volume->IsAllocated() && volumes && volumes->HasFrameFactory();
    m_pComparePhantom->setEnabled(canCompare);
    m_pCompareVolume->setEnabled(canCompare);
    m_pStackExports->SetEnabled(volume && volume->IsAllocated());
}

CChildFrame* CVolumeView::MakeSlices(std::uint32_t axis) {
    CVolume* volume = GetVolume();
    CDocTemplate* tmpl = FindTemplate(kSliceCollectionTemplate);
    if (!volume || !tmpl || !tmpl->HasFrameFactory() || axis > 2) return nullptr;
    CDocument* doc = tmpl->CreateNewDocument();
    std::unique_ptr<CSliceCollection> collection(dynamic_cast<CSliceCollection*>(doc));
    if (!collection) {
        delete doc;  // leaves the template's list
        return nullptr;
    }
    if (!collection->OnNewDocument()) return nullptr;
    const char* axisName[] = {"X", "Y", "Z"};
    collection->SetTitle(volume->GetTitle() + " " + axisName[axis] + " Slices");
    {
        WaitCursor wait;
        SliceVolume(*volume, axis, *collection);
    }
    CChildFrame* frame = CChildFrame::OpenFrame(*tmpl, *collection);
    if (frame) collection.release();  // the window's document now
    return frame;
}

void CVolumeView::OnXSlices() { MakeSlices(0); }

void CVolumeView::OnYSlices() { MakeSlices(1); }

void CVolumeView::OnZSlices() { MakeSlices(2); }

void CVolumeView::OnTarget() {
    CVolume* volume = GetVolume();
    CDocTemplate* tmpl = FindTemplate(kTargetTemplate);
    if (volume && tmpl) CChildFrame::ReplaceFrames(*volume, *tmpl);
}

bool CVolumeView::ExportHdf(const QString& path) {
    const CVolume* volume = GetVolume();
    if (!volume || path.isEmpty()) return false;
    try {
        WaitCursor wait;
        volume->ExportHdf(path.toStdString());
        return true;
    } catch (const CFileException& e) {
        // The message names the file already.
        const QString what = QString::fromStdString(e.what());
        ShowMessageBox(this, QMessageBox::Warning, QStringLiteral("The volume could not be exported: %1").arg(what));
    } catch (const std::exception& e) {
        const QString what = QString::fromStdString(e.what());
        ShowMessageBox(this, QMessageBox::Warning,
                       QStringLiteral("The volume could not be exported to %1: %2").arg(path, what));
    }
    return false;
}

void CVolumeView::OnExportHdf() {
    if (!GetVolume()) return;
    FilePromptRequest request;
    request.open = false;
    request.title = QStringLiteral("Export");
    const CDocTemplate* hdf = FindTemplate(kHdfTemplate);
    const QString filter = hdf ? TemplateFilter(*hdf) : QString();
    request.filters << (filter.isEmpty() ? QString::fromLatin1(kHdfFilter) : filter);
    request.defaultSuffix = QStringLiteral("hdf");
    QString path = PromptForFile(this, request);
    if (path.isEmpty()) return;  // cancelled
    if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".hdf");
    ExportHdf(path);
}

// --- comparison with the ground truth ------------------------------------------

CChildFrame* CVolumeView::ShowComparison(const CVolume& reference, const QString& referenceText) {
    CVolume* volume = GetVolume();
    CDocTemplate* tmpl = volume ? volume->GetDocTemplate() : nullptr;
    if (!volume || !tmpl || !tmpl->HasFrameFactory()) return nullptr;
    CDocument* doc = tmpl->CreateNewDocument();
    std::unique_ptr<CVolume> difference(dynamic_cast<CVolume*>(doc));
    if (!difference) {
        delete doc;  // leaves the template's list
        return nullptr;
    }
    if (!difference->OnNewDocument()) return nullptr;
    VolumeComparison fov, whole;
    {
        WaitCursor wait;
        MakeDifferenceVolume(reference, *volume, *difference);
        fov = CompareVolumes(reference, *volume, true);
        whole = CompareVolumes(reference, *volume, false);
    }
    const QString measured = QString::fromStdString(volume->GetTitle());
    difference->SetTitle("Difference " + volume->GetTitle());
    difference->SetModifiedFlag(true);
    CChildFrame* frame = CChildFrame::OpenFrame(*tmpl, *difference);
    if (!frame) return nullptr;
    CVolume& shown = *difference.release();  // the window's document now
    const QString text = QStringLiteral("A (reference): %1\nB (measured): %2\nB - A opened as \"%3\"\n\n")
                             .arg(referenceText, measured, QString::fromStdString(shown.GetTitle())) +
                         QString::fromStdString(DescribeComparison(fov, true)) + QStringLiteral("\n") +
                         QString::fromStdString(DescribeComparison(whole, false));
    if (m_pReport) m_pReport->close();
    m_pReport = new CComparisonReportDialog(text, window());
    m_pReport->show();
    return frame;
}

CChildFrame* CVolumeView::CompareWithVolume(const CVolume& reference, const QString& referenceName) {
    const CVolume* volume = GetVolume();
    if (!volume) return nullptr;
    try {
        return ShowComparison(reference, referenceName);
    } catch (const std::exception& e) {
        ShowMessageBox(this, QMessageBox::Warning,
                       QStringLiteral("The volume could not be compared with %1:\n%2")
                           .arg(referenceName, QString::fromLocal8Bit(e.what())));
    }
    return nullptr;
}

CChildFrame* CVolumeView::CompareWithVolumeFile(const QString& path) {
    if (!GetVolume() || path.isEmpty()) return nullptr;
    CVolume reference;
    reference.m_bAutoDelete = false;
    try {
        WaitCursor wait;
        reference.Open(path.toStdString());
    } catch (const std::exception& e) {
        ShowMessageBox(this, QMessageBox::Warning,
                       QStringLiteral("Cannot read %1:\n%2").arg(path, QString::fromLocal8Bit(e.what())));
        return nullptr;
    }
    return CompareWithVolume(reference, path);
}

CChildFrame* CVolumeView::CompareWithPhantom(const QString& path) {
    const CVolume* volume = GetVolume();
    if (!volume || path.isEmpty()) return nullptr;
    const QString renderer = QString::fromStdString(m_comparisonRenderer);
    std::unique_ptr<CVolume> reference;
    try {
        WaitCursor wait;
        CPhantom phantom;
        phantom.m_bAutoDelete = false;
        phantom.Open(path.toStdString());
        reference = VoxelizeOnGrid(phantom, *volume, m_comparisonRenderer);
    } catch (const std::exception& e) {
        ShowMessageBox(this, QMessageBox::Warning,
                       QStringLiteral("The phantom %1 could not be voxelized with %2:\n%3")
                           .arg(path, renderer, QString::fromLocal8Bit(e.what())));
        return nullptr;
    }
    return CompareWithVolume(*reference, QStringLiteral("%1 (voxelized by %2)").arg(path, renderer));
}

void CVolumeView::OnCompareWithPhantom() {
    if (!GetVolume()) return;
    FilePromptRequest request;
    request.title = QStringLiteral("Compare with Phantom");
    request.filters << QString::fromLatin1(kPhantomFilter);
    CompareWithPhantom(PromptForFile(this, request));
}

void CVolumeView::OnCompareWithVolume() {
    CVolume* volume = GetVolume();
    if (!volume) return;
    // The other open volumes on this one's grid, then a file.
    std::vector<CVolume*> candidates;
    QStringList names;
    if (CDocTemplate* tmpl = volume->GetDocTemplate())
        for (CDocument* doc : tmpl->GetDocuments())
            if (auto* other = dynamic_cast<CVolume*>(doc);
                other && other != volume && other->IsAllocated() && ShareGrid(*other, *volume)) {
                candidates.push_back(other);
                names << QString::fromStdString(other->GetTitle());
            }
    if (!candidates.empty()) {
        const QString fromFile = QStringLiteral("Volume File...");
        bool ok = false;
        const QString choice = QInputDialog::getItem(this, QStringLiteral("Compare with Volume"),
                                                     QStringLiteral("Reference volume:"), names << fromFile, 0, false, &ok);
        if (!ok) return;
        const auto index = static_cast<std::size_t>(names.indexOf(choice));
        if (index < candidates.size()) {
            CompareWithVolume(*candidates[index], choice);
            return;
        }
    }
    FilePromptRequest request;
    request.title = QStringLiteral("Compare with Volume");
    request.filters << QString::fromLatin1(kVolumeFilter);
    CompareWithVolumeFile(PromptForFile(this, request));
}

}  // namespace voxmill
