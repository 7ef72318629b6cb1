// The projection window's view: the float image view of a CProjection with
// the projection's commands. Import, "Binary Matrix" reads a raw matrix
// with its geometry (the import dialog, then the source position and the
// detector dialogs; Cancel in any of them changes nothing). Export writes
// the image as "Binary Matrix (IEEE Float)", "Windows Bitmap" or "DICOM 3";
// a failed export says why and leaves an existing file as it was.
#pragma once

#include <functional>
#include <string>

#include "imaging/ui/SurfaceView.h"

class QAction;
class QMenu;

namespace voxmill {

class CPngExport;
class CProjection;

class CProjectionView : public CSurfaceView {
    Q_OBJECT

public:
    explicit CProjectionView(QWidget* parent = nullptr);
    ~CProjectionView() override;

    CProjection* GetProjection() const;

    QList<QMenu*> DocumentMenus() const override;
    QString FrameTitle() const override;
    void OnUpdate(CView* sender, long hint, CObject* pHint) override;
    void OnInitialUpdate() override;

    QAction* ImportBinaryMatrixAction() const { return m_pImportBinaryMatrix; }
    QAction* ExportBinaryMatrixAction() const { return m_pExportBinaryMatrix; }
    QAction* ExportBitmapAction() const { return m_pExportBitmap; }
    QAction* ExportDicomAction() const { return m_pExportDicom; }
    // "PNG Image": the picture as the view shows it, colour map included.
    CPngExport* PngExport() const { return m_pExportPng; }

public slots:
    void OnImportBinaryMatrix();
    void OnExportBinaryMatrix();
    void OnExportBitmap();
    void OnExportDicom();

private:
    void CreateActions();
    void UpdateCommandState();
    // Asks for the file, runs the export, reports a failure.
    void Export(unsigned fileType, const std::function<void(const std::string& path)>& write);

    QMenu* m_pImportMenu;
    QMenu* m_pExportMenu;
    QAction* m_pImportBinaryMatrix = nullptr;
    QAction* m_pExportBinaryMatrix = nullptr;
    QAction* m_pExportBitmap = nullptr;
    QAction* m_pExportDicom = nullptr;
    CPngExport* m_pExportPng = nullptr;
};

}  // namespace voxmill
