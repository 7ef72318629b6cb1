// The slide window's view: the 8-bit image view of a CSlide with the
// slide's commands. Import, "Binary Matrix" reads a raw matrix (the dialog
// proposes "8 bit Integer" and a square of the file's bytes; the slide is
// 4 x 4 units whatever the size fields say). Export writes "Binary Matrix
// (Unsigned Byte)" or "Windows Bitmap". "Generate Projection" asks for a
// reference slide file and opens the line integrals ln((R + 1) / (S + 1))
// in a new projection window. A failure says why and changes nothing.
#pragma once

#include <QString>

#include "acquisition/ui/collection/ImageDocumentView.h"
#include "hardware/Slide.h"
#include "imaging/ui/SurfaceiView.h"

namespace voxmill {

class CChildFrame;

using CSlideViewBase = CImageDocumentView<CSurfaceiView, CSlide>;

class CSlideView : public CSlideViewBase {
    Q_OBJECT

public:
    explicit CSlideView(QWidget* parent = nullptr);
    ~CSlideView() override;

    CSlide* GetSlide() const { return GetImageDocument(); }

    // "Generate Projection" with the reference file chosen: the new
    // projection's window, or null after saying why there is none.
    CChildFrame* GenerateProjection(const QString& referencePath);

    QAction* GenerateProjectionAction() const { return m_pGenerateProjection; }

public slots:
    void OnImportBinaryMatrix() override;
    void OnGenerateProjection();

private:
    QMenu* m_pSlideMenu;
    QAction* m_pGenerateProjection = nullptr;
};

}  // namespace voxmill
