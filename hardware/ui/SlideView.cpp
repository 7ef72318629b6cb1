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
#include "hardware/Slide.h"
#include "imaging/ui/BinaryMatrixImportDialog.h"

namespace voxmill {

CSlideView::CSlideView(QWidget* parent)
    : CSurfaceiView(parent), m_pImportMenu(new QMenu(QStringLiteral("Import"), this)),
      m_pExportMenu(new QMenu(QStringLiteral("Export"), this)), m_pSlideMenu(new QMenu(QStringLiteral("Slide"), this)) {
    CreateActions();
}

CSlideView::~CSlideView() { DetachFromDocument(); }

void CSlideView::CreateActions() {
    m_pImportBinaryMatrix =
        m_pImportMenu->addAction(QStringLiteral("Binary Matrix"), this, &CSlideView::OnImportBinaryMatrix);
    m_pImportBinaryMatrix->setStatusTip(QStringLiteral("Import a raw matrix file as 8-bit pixels"));
    m_pExportBinaryMatrix = m_pExportMenu->addAction(QStringLiteral("Binary Matrix (Unsigned Byte)"), this,
                                                     &CSlideView::OnExportBinaryMatrix);
    m_pExportBinaryMatrix->setStatusTip(QStringLiteral("Write the pixels as a raw matrix of bytes"));
    m_pExportBitmap = m_pExportMenu->addAction(QStringLiteral("Windows Bitmap"), this, &CSlideView::OnExportBitmap);
    m_pExportBitmap->setStatusTip(QStringLiteral("Write the image as an 8-bit grey bitmap"));
    m_pGenerateProjection =
        m_pSlideMenu->addAction(QStringLiteral("Generate Projection"), this, &CSlideView::OnGenerateProjection);
    m_pGenerateProjection->setStatusTip(QStringLiteral("Make the line integrals against a reference slide"));
}

CSlide* CSlideView::GetSlide() const { return dynamic_cast<CSlide*>(GetDocument()); }

QList<QMenu*> CSlideView::DocumentMenus() const {
    return QList<QMenu*>{m_pImportMenu, m_pExportMenu, m_pSlideMenu} + CSurfaceiView::DocumentMenus();
}

QString CSlideView::FrameTitle() const {
    const CSlide* slide = GetSlide();
    if (!slide || !slide->GetTitle().empty()) return CSurfaceiView::FrameTitle();
    // A cine's slide has no file name of its own: name it by its source.
    std::string description;
    const_cast<CSlide*>(slide)->GetDescription(description);
    return QStringLiteral("Slide %1").arg(QString::fromStdString(description));
}

void CSlideView::OnInitialUpdate() {
    CSurfaceiView::OnInitialUpdate();
    UpdateCommandState();
}

void CSlideView::OnUpdate(CView* sender, long hint, CObject* pHint) {
    CSurfaceiView::OnUpdate(sender, hint, pHint);
    UpdateCommandState();
}

void CSlideView::UpdateCommandState() {
    const CSlide* slide = GetSlide();
    const bool hasPixels = slide && slide->HasPixels();
    m_pImportBinaryMatrix->setEnabled(slide != nullptr);
    for (QAction* action : {m_pExportBinaryMatrix, m_pExportBitmap, m_pGenerateProjection})
        action->setEnabled(hasPixels);
}

void CSlideView::OnImportBinaryMatrix() {
    CSlide* slide = GetSlide();
    if (!slide) return;
    const QString path = PromptOpenFile(this, kBinaryMatrixFiles, QStringLiteral("Import Binary Matrix"));
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
        ShowMessageBox(this, QMessageBox::Warning,
                       QStringLiteral("Cannot import %1:\n%2").arg(path, QString::fromLocal8Bit(e.what())));
    }
}

void CSlideView::Export(unsigned fileType, const std::function<void(const std::string& path)>& write) {
    const CSlide* slide = GetSlide();
    if (!slide || !slide->HasPixels()) return;
    const QString path = PromptSaveFile(this, static_cast<ImageFileType>(fileType), QStringLiteral("Export"));
    if (path.isEmpty()) return;
    try {
        write(path.toStdString());
    } catch (const std::exception& e) {
        ShowMessageBox(this, QMessageBox::Warning,
                       QStringLiteral("Cannot export to %1:\n%2").arg(path, QString::fromLocal8Bit(e.what())));
    }
}

void CSlideView::OnExportBinaryMatrix() {
    Export(kBinaryMatrixFiles, [this](const std::string& path) { GetSlide()->ExportBinaryMatrix(path); });
}

void CSlideView::OnExportBitmap() {
    Export(kBitmapFiles, [this](const std::string& path) { GetSlide()->ExportBitmap(path); });
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
