#include "acquisition/ui/collection/ProjectionView.h"

#include <QAction>
#include <QDialog>
#include <QFileInfo>
#include <QMenu>
#include <exception>

#include "acquisition/GeometryValues.h"
#include "acquisition/Projection.h"
#include "acquisition/ui/collection/DetectorDialog.h"
#include "acquisition/ui/collection/SourcePositionDialog.h"
#include "acquisition/ui/collection/TemplateFiles.h"
#include "app/ui/MessageBox.h"
#include "formats/ui/PngExport.h"
#include "imaging/ui/BinaryMatrixImportDialog.h"

namespace voxmill {

CProjectionView::CProjectionView(QWidget* parent)
    : CSurfaceView(parent), m_pImportMenu(new QMenu(QStringLiteral("Import"), this)),
      m_pExportMenu(new QMenu(QStringLiteral("Export"), this)) {
    CreateActions();
}

CProjectionView::~CProjectionView() { DetachFromDocument(); }

void CProjectionView::CreateActions() {
    m_pImportBinaryMatrix =
        m_pImportMenu->addAction(QStringLiteral("Binary Matrix"), this, &CProjectionView::OnImportBinaryMatrix);
    m_pImportBinaryMatrix->setStatusTip(QStringLiteral("Import a raw matrix file with its geometry"));
    m_pExportBinaryMatrix = m_pExportMenu->addAction(QStringLiteral("Binary Matrix (IEEE Float)"), this,
                                                     &CProjectionView::OnExportBinaryMatrix);
    m_pExportBinaryMatrix->setStatusTip(QStringLiteral("Write the pixels as a raw matrix of floats"));
    m_pExportBitmap = m_pExportMenu->addAction(QStringLiteral("Windows Bitmap"), this, &CProjectionView::OnExportBitmap);
    m_pExportBitmap->setStatusTip(QStringLiteral("Write the image as an 8-bit grey bitmap"));
    m_pExportDicom = m_pExportMenu->addAction(QStringLiteral("DICOM 3"), this, &CProjectionView::OnExportDicom);
    m_pExportDicom->setStatusTip(QStringLiteral("Write the image as a DICOM 3 file"));
    m_pExportPng =
        new CPngExport(m_pExportMenu, this, [this] { return static_cast<const CSurface*>(GetProjection()); });
}

CProjection* CProjectionView::GetProjection() const { return dynamic_cast<CProjection*>(GetDocument()); }

QList<QMenu*> CProjectionView::DocumentMenus() const {
    return QList<QMenu*>{m_pImportMenu, m_pExportMenu} + CSurfaceView::DocumentMenus();
}

QString CProjectionView::FrameTitle() const {
    const CProjection* projection = GetProjection();
    if (!projection || !projection->GetTitle().empty()) return CSurfaceView::FrameTitle();
    // A collection member has no file name of its own: name it by its source.
    std::string description;
    const_cast<CProjection*>(projection)->GetDescription(description);
    return QStringLiteral("Projection %1").arg(QString::fromStdString(description));
}

void CProjectionView::OnInitialUpdate() {
    CSurfaceView::OnInitialUpdate();
    UpdateCommandState();
}

void CProjectionView::OnUpdate(CView* sender, long hint, CObject* pHint) {
    CSurfaceView::OnUpdate(sender, hint, pHint);
    UpdateCommandState();
}

void CProjectionView::UpdateCommandState() {
    const CProjection* projection = GetProjection();
    const bool hasPixels = projection && projection->HasPixels();
    m_pImportBinaryMatrix->setEnabled(projection != nullptr);
    for (QAction* action : {m_pExportBinaryMatrix, m_pExportBitmap, m_pExportDicom, m_pExportPng->Action()})
        action->setEnabled(hasPixels);
}

void CProjectionView::OnImportBinaryMatrix() {
    CProjection* projection = GetProjection();
    if (!projection) return;
    const QString path = PromptOpenFile(this, kBinaryMatrixFiles, QStringLiteral("Import Binary Matrix"));
    if (path.isEmpty()) return;
    const unsigned long long length = FileLength(path);
    CBinaryMatrixImportDialog matrixDialog(BinaryMatrixImport::ForFileLength(length), length, this);
    if (matrixDialog.exec() != QDialog::Accepted) return;
    CSourcePositionDialog sourceDialog(SourcePositionValues::From(projection->GetSource()), this);
    if (sourceDialog.exec() != QDialog::Accepted) return;
    CDetectorDialog detectorDialog(DetectorPlacementValues::From(projection->GetDetector()), this);
    if (detectorDialog.exec() != QDialog::Accepted) return;
    try {
        // The import tells the views (hint 108) once the image is replaced.
        projection->ImportBinaryMatrix(path.toStdString(), matrixDialog.Values(), sourceDialog.Values(),
                                       detectorDialog.Values());
    } catch (const std::exception& e) {
        ShowMessageBox(this, QMessageBox::Warning,
                       QStringLiteral("Cannot import %1:\n%2").arg(path, QString::fromLocal8Bit(e.what())));
        return;
    }
    // The source and detector changed after the image did.
    projection->UpdateAllViews(nullptr);
}

void CProjectionView::Export(unsigned fileType, const std::function<void(const std::string& path)>& write) {
    const CProjection* projection = GetProjection();
    if (!projection || !projection->HasPixels()) return;
    const QString path = PromptSaveFile(this, static_cast<ImageFileType>(fileType), QStringLiteral("Export"));
    if (path.isEmpty()) return;
    try {
        write(path.toStdString());
    } catch (const std::exception& e) {
        ShowMessageBox(this, QMessageBox::Warning,
                       QStringLiteral("Cannot export to %1:\n%2").arg(path, QString::fromLocal8Bit(e.what())));
    }
}

void CProjectionView::OnExportBinaryMatrix() {
    Export(kBinaryMatrixFiles, [this](const std::string& path) { GetProjection()->ExportBinaryMatrix(path); });
}

void CProjectionView::OnExportBitmap() {
    Export(kBitmapFiles, [this](const std::string& path) { GetProjection()->ExportBitmap(path); });
}

void CProjectionView::OnExportDicom() {
    Export(kDicomFiles, [this](const std::string& path) { GetProjection()->ExportDicom(path); });
}

}  // namespace voxmill
