#include "reconstruction/ui/VolumeView.h"

#include "formats/DocumentExports.h"
#include "formats/ui/StackExportMenu.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QInputDialog>
#include <QMenu>
#include <QScrollArea>
#include <QVBoxLayout>
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
#include "reconstruction/Volume.h"
#include "reconstruction/VolumeDifference.h"

namespace voxmill {
namespace {

const char* const kHdfFilter = "Hdf Files (*.hdf)";
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
    : CWidgetView(parent), m_pScroll(new QScrollArea(this)), m_pVolumeMenu(new QMenu(QStringLiteral("Volume"), this)),
      m_pExportMenu(new QMenu(QStringLiteral("Export"), this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pScroll);
    // The scrolled area is blank: a volume has no picture of its own.
    auto* canvas = new QWidget;
    canvas->setFixedSize(kScrollUnits, kScrollUnits);
    m_pScroll->setWidget(canvas);
    m_pScroll->setBackgroundRole(QPalette::Base);
    CreateActions();
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

QSize CVolumeView::sizeHint() const { return QSize(260, 160); }

QAction* CVolumeView::SliceAction(std::uint32_t axis) const { return axis < 3 ? m_pSlices[axis] : nullptr; }

void CVolumeView::OnInitialUpdate() {
    CWidgetView::OnInitialUpdate();
    UpdateCommandState();
}

void CVolumeView::OnUpdate(CView*, long, CObject*) { UpdateCommandState(); }

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
