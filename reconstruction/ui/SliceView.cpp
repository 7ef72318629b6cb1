#include "reconstruction/ui/SliceView.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <exception>
#include <functional>

#include "app/DocTemplate.h"
#include "app/templates/DocManager.h"
#include "app/ui/FilePrompt.h"
#include "app/ui/MainFrame.h"
#include "app/ui/MessageBox.h"
#include "formats/ui/PngExport.h"
#include "reconstruction/Slice.h"

namespace voxmill {
namespace {

const char* const kBitmapFilter = "Bitmap Files (*.bmp)";

// Runs an export and shows why it failed.
bool RunExport(QWidget* parent, const QString& path, const std::function<void(const std::string&)>& write) {
    try {
        write(path.toStdString());
        return true;
    } catch (const std::exception& e) {
        ShowMessageBox(parent, QMessageBox::Warning,
                       QStringLiteral("Cannot export to %1:\n%2").arg(path, QString::fromLocal8Bit(e.what())));
    }
    return false;
}

}  // namespace

CSliceView::CSliceView(QWidget* parent) : CSurfaceView(parent), m_pExportMenu(new QMenu(QStringLiteral("Export"), this)) {
    CreateActions();
}

CSliceView::~CSliceView() { DetachFromDocument(); }

void CSliceView::CreateActions() {
    m_pExportOriginal =
        m_pExportMenu->addAction(QStringLiteral("Windows Bitmap (original)"), this, &CSliceView::OnExportOriginal);
    m_pExportOriginal->setStatusTip(QStringLiteral("Write the slice as an 8-bit grey bitmap of its whole value range"));
    // Two blanks before the parenthesis, as the menu has always shown it.
    m_pExportThresholded =
        m_pExportMenu->addAction(QStringLiteral("Windows Bitmap  (thresholded)"), this, &CSliceView::OnExportThresholded);
    m_pExportThresholded->setStatusTip(QStringLiteral("Write the picture as the grey window shows it"));
    m_pExportPng = new CPngExport(m_pExportMenu, this, [this] { return static_cast<const CSurface*>(GetSlice()); });
    connect(m_pExportMenu, &QMenu::aboutToShow, this, &CSliceView::UpdateCommandState);
}

CSlice* CSliceView::GetSlice() const { return dynamic_cast<CSlice*>(GetDocument()); }

QList<QMenu*> CSliceView::DocumentMenus() const { return QList<QMenu*>{m_pExportMenu} + CSurfaceView::DocumentMenus(); }

QString CSliceView::FrameTitle() const {
    CSlice* slice = GetSlice();
    if (!slice || !slice->GetTitle().empty()) return CSurfaceView::FrameTitle();
    // A slice of a collection has no file name of its own: name it by its plane.
    std::string description;
    slice->GetDescription(description);
    return QStringLiteral("Slice %1").arg(QString::fromStdString(description));
}

void CSliceView::OnInitialUpdate() {
    CSurfaceView::OnInitialUpdate();
    UpdateCommandState();
}

void CSliceView::OnUpdate(CView* sender, long hint, CObject* pHint) {
    CSurfaceView::OnUpdate(sender, hint, pHint);
    UpdateCommandState();
}

void CSliceView::UpdateCommandState() {
    const CSlice* slice = GetSlice();
    const bool hasPixels = slice && slice->HasPixels();
    m_pExportOriginal->setEnabled(hasPixels);
    m_pExportThresholded->setEnabled(hasPixels && GetBitmap());
    m_pExportPng->Action()->setEnabled(hasPixels);
}

bool CSliceView::ExportOriginal(const QString& path) {
    CSlice* slice = GetSlice();
    if (!slice || path.isEmpty()) return false;
    return RunExport(this, path, [slice](const std::string& file) { slice->ExportBitmap(file); });
}

bool CSliceView::ExportThresholded(const QString& path) {
    CSlice* slice = GetSlice();
    const CDib* shown = GetBitmap();
    if (!slice || !shown || path.isEmpty()) return false;
    return RunExport(this, path, [slice, shown](const std::string& file) { slice->ExportShownBitmap(file, *shown); });
}

QString CSliceView::PromptBitmapFile() {
    FilePromptRequest request;
    request.open = false;
    request.title = QStringLiteral("Export");
    CMainFrame* mainFrame = CMainFrame::FromWidget(this);
    const CDocTemplate* bitmap = mainFrame ? mainFrame->GetDocManager().FindTemplate(kBitmapTemplate) : nullptr;
    const QString filter = bitmap ? TemplateFilter(*bitmap) : QString();
    request.filters << (filter.isEmpty() ? QString::fromLatin1(kBitmapFilter) : filter);
    request.defaultSuffix = QStringLiteral("bmp");
    QString path = PromptForFile(this, request);
    if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".bmp");
    return path;
}

void CSliceView::OnExportOriginal() {
    if (!GetSlice()) return;
    if (const QString path = PromptBitmapFile(); !path.isEmpty()) ExportOriginal(path);
}

void CSliceView::OnExportThresholded() {
    if (!GetSlice() || !GetBitmap()) return;
    if (const QString path = PromptBitmapFile(); !path.isEmpty()) ExportThresholded(path);
}

}  // namespace voxmill
