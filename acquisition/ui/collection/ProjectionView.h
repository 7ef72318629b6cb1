// The projection window's view: the float image view of a CProjection with
// the projection's commands. Import, "Binary Matrix" reads a raw matrix
// with its geometry (the import dialog, then the source position and the
// detector dialogs; Cancel in any of them changes nothing). Export writes
// the image as "Binary Matrix (IEEE Float)", "Windows Bitmap" or "DICOM 3";
// a failed export says why and leaves an existing file as it was.
#pragma once

#include "acquisition/Projection.h"
#include "acquisition/ui/collection/ImageDocumentView.h"
#include "imaging/ui/SurfaceView.h"

namespace voxmill {

class CPngExport;

using CProjectionViewBase = CImageDocumentView<CSurfaceView, CProjection>;

class CProjectionView : public CProjectionViewBase {
    Q_OBJECT

public:
    explicit CProjectionView(QWidget* parent = nullptr);
    ~CProjectionView() override;

    CProjection* GetProjection() const { return GetImageDocument(); }

    QAction* ExportDicomAction() const { return m_pExportDicom; }
    // "PNG Image": the picture as the view shows it, colour map included.
    CPngExport* PngExport() const { return m_pExportPng; }

public slots:
    void OnImportBinaryMatrix() override;
    void OnExportDicom();

private:
    QAction* m_pExportDicom = nullptr;
    CPngExport* m_pExportPng = nullptr;
};

}  // namespace voxmill
