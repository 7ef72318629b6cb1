// The slide window's view: the 8-bit image view of a CSlide with the
// slide's commands. Import, "Binary Matrix" reads a raw matrix (the dialog
// proposes "8 bit Integer" and a square of the file's bytes; the slide is
// 4 x 4 units whatever the size fields say). Export writes "Binary Matrix
// (Unsigned Byte)" or "Windows Bitmap". "Generate Projection" asks for a
// reference slide file and opens the line integrals ln((R + 1) / (S + 1))
// in a new projection window. A failure says why and changes nothing.
#pragma once

#include <QString>
#include <functional>
#include <string>

#include "imaging/ui/SurfaceiView.h"

class QAction;
class QMenu;

namespace voxmill {

class CChildFrame;
class CSlide;

class CSlideView : public CSurfaceiView {
    Q_OBJECT

public:
    explicit CSlideView(QWidget* parent = nullptr);
    ~CSlideView() override;

    CSlide* GetSlide() const;
    QList<QMenu*> DocumentMenus() const override;
    QString FrameTitle() const override;
    void OnInitialUpdate() override;
    void OnUpdate(CView* sender, long hint, CObject* pHint) override;

    // "Generate Projection" with the reference file chosen: the new
    // projection's window, or null after saying why there is none.
    CChildFrame* GenerateProjection(const QString& referencePath);

    QAction* ImportBinaryMatrixAction() const { return m_pImportBinaryMatrix; }
    QAction* ExportBinaryMatrixAction() const { return m_pExportBinaryMatrix; }
    QAction* ExportBitmapAction() const { return m_pExportBitmap; }
    QAction* GenerateProjectionAction() const { return m_pGenerateProjection; }

public slots:
    void OnImportBinaryMatrix();
    void OnExportBinaryMatrix();
    void OnExportBitmap();
    void OnGenerateProjection();

private:
    void CreateActions();
    void UpdateCommandState();
    void Export(unsigned fileType, const std::function<void(const std::string& path)>& write);

    QMenu* m_pImportMenu;
    QMenu* m_pExportMenu;
    QMenu* m_pSlideMenu;
    QAction* m_pImportBinaryMatrix = nullptr;
    QAction* m_pExportBinaryMatrix = nullptr;
    QAction* m_pExportBitmap = nullptr;
    QAction* m_pGenerateProjection = nullptr;
};

}  // namespace voxmill
