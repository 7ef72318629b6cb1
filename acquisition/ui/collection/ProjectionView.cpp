#include "acquisition/ui/collection/ProjectionView.h"

#include <QDialog>
#include <exception>

#include "acquisition/GeometryValues.h"
#include "acquisition/ui/collection/DetectorDialog.h"
#include "acquisition/ui/collection/SourcePositionDialog.h"
#include "formats/ui/PngExport.h"
#include "imaging/ui/BinaryMatrixImportDialog.h"

namespace voxmill {

CProjectionView::CProjectionView(QWidget* parent)
    : CProjectionViewBase(parent, {QStringLiteral("Projection %1"),
                                   QStringLiteral("Import a raw matrix file with its geometry"),
                                   QStringLiteral("Binary Matrix (IEEE Float)"),
                                   QStringLiteral("Write the pixels as a raw matrix of floats")}) {
    m_pExportDicom = m_pExportMenu->addAction(QStringLiteral("DICOM 3"), this, &CProjectionView::OnExportDicom);
    m_pExportDicom->setStatusTip(QStringLiteral("Write the image as a DICOM 3 file"));
    m_pExportPng =
        new CPngExport(m_pExportMenu, this, [this] { return static_cast<const CSurface*>(GetProjection()); });
    AddPixelCommand(m_pExportDicom);
    AddPixelCommand(m_pExportPng->Action());
}

CProjectionView::~CProjectionView() { DetachFromDocument(); }

void CProjectionView::OnImportBinaryMatrix() {
    CProjection* projection = GetProjection();
    const QString path = PromptImportFile();
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
        ReportImportFailure(path, e);
        return;
    }
    // The source and detector changed after the image did.
    projection->UpdateAllViews(nullptr);
}

void CProjectionView::OnExportDicom() {
    Export(kDicomFiles, [this](const std::string& path) { GetProjection()->ExportDicom(path); });
}

}  // namespace voxmill
