#include "hardware/ui/SlideView.h"

#include <QDialog>
#include <QMenu>
#include <exception>
#include <memory>

#include "acquisition/Projection.h"
#include "acquisition/ui/collection/TemplateFiles.h"
#include "app/DocTemplate.h"
#include "app/ui/ChildFrame.h"
#include "app/ui/MessageBox.h"
#include "imaging/ui/BinaryMatrixImportDialog.h"

namespace voxmill {

CSlideView::CSlideView(QWidget* parent)
    : CSlideViewBase(parent, {QStringLiteral("Slide %1"), QStringLiteral("Import a raw matrix file as 8-bit pixels"),
                              QStringLiteral("Binary Matrix (Unsigned Byte)"),
                              QStringLiteral("Write the pixels as a raw matrix of bytes")}),
      m_pSlideMenu(new QMenu(QStringLiteral("Slide"), this)) {
    m_pGenerateProjection =
        m_pSlideMenu->addAction(QStringLiteral("Generate Projection"), this, &CSlideView::OnGenerateProjection);
    m_pGenerateProjection->setStatusTip(QStringLiteral("Make the line integrals against a reference slide"));
    AddMenu(m_pSlideMenu);
    AddPixelCommand(m_pGenerateProjection);
}

CSlideView::~CSlideView() { DetachFromDocument(); }

void CSlideView::OnImportBinaryMatrix() {
    CSlide* slide = GetSlide();
    const QString path = PromptImportFile();
    if (path.isEmpty()) return;
    const unsigned long long length = FileLength(path);
    if (length == 0) {
        ShowMessageBox(this, QMessageBox::Warning, QStringLiteral("%1 is empty: nothing was imported.").arg(path));
        return;
    }
    CBinaryMatrixImportDialog dialog(CSlide::ProposeImport(length), length, this);
    if (dialog.exec() != QDialog::Accepted) return;
    try {
        slide->ImportRawMatrix(path.toStdString(), dialog.Values());
    } catch (const std::exception& e) {
        ReportImportFailure(path, e);
    }
}

void CSlideView::OnGenerateProjection() {
    if (!GetSlide() || !GetSlide()->HasPixels()) return;
    const QString path = PromptOpenFile(this, kSlideFiles, QStringLiteral("Reference Slide"));
    if (!path.isEmpty()) GenerateProjection(path);
}

CChildFrame* CSlideView::GenerateProjection(const QString& referencePath) {
    const CSlide* slide = GetSlide();
    if (!slide) return nullptr;
    auto fail = [&](const QString& why) -> CChildFrame* {
        ShowMessageBox(this, QMessageBox::Warning, QStringLiteral("No projection was made:\n%1").arg(why));
        return nullptr;
    };
    CSlide reference;
    try {
        reference.Open(referencePath.toStdString());
    } catch (const std::exception& e) {
        return fail(QString::fromLocal8Bit(e.what()));
    }
    if (const std::string problem = slide->ProjectionProblem(reference); !problem.empty())
        return fail(QString::fromStdString(problem));
    CDocTemplate* tmpl = FindWorkbenchTemplate(this, kProjectionFiles);
    if (!tmpl || !tmpl->HasFrameFactory()) return fail(QStringLiteral("no projection window is available"));
    std::unique_ptr<CDocument> doc(tmpl->CreateNewDocument());
    auto* projection = dynamic_cast<CProjection*>(doc.get());
    if (!projection || !projection->OnNewDocument()) return fail(QStringLiteral("no projection could be made"));
    try {
        slide->GenerateProjection(reference, *projection);
    } catch (const std::exception& e) {
        return fail(QString::fromLocal8Bit(e.what()));
    }
    projection->SetModifiedFlag();
    CChildFrame* frame = CChildFrame::OpenFrame(*tmpl, *projection);
    if (frame) doc.release();  // the window's document now
    return frame;
}

}  // namespace voxmill
