#include "hardware/ui/SlideCollectionView.h"

#include <QDialog>
#include <QMenu>
#include <cstdio>
#include <exception>
#include <memory>

#include "acquisition/ProjectionCollection.h"
#include "acquisition/ui/collection/SinogramImportDialog.h"
#include "acquisition/ui/collection/TemplateFiles.h"
#include "app/DocTemplate.h"
#include "app/ListElementStub.h"
#include "app/ui/ChildFrame.h"
#include "app/ui/MessageBox.h"
#include "hardware/Slide.h"
#include "hardware/SlideCollection.h"
#include "imaging/ui/BinaryMatrixImportDialog.h"

namespace voxmill {
namespace {

QString Join(const std::vector<std::string>& lines) {
    QStringList list;
    for (const std::string& line : lines) list << QString::fromStdString(line);
    return list.join(QLatin1Char('\n'));
}

QString What(const std::exception& e) { return QString::fromLocal8Bit(e.what()); }

}  // namespace

CSlideCollectionView::CSlideCollectionView(QWidget* parent)
    : CMemberListView({QStringLiteral("Slides"),
                       QStringLiteral("Add Slide"),
                       {QStringLiteral("Source Position"), QStringLiteral("Angle (rad)")},
                       {160, kAngleColumnWidth},
                       32,
                       64,
                       QStringLiteral("slide"),
                       QStringLiteral("slide"),
                       kSlideTemplate},
                      parent),
      m_pImportMenu(new QMenu(QStringLiteral("Import"), this)),
      m_pExportMenu(new QMenu(QStringLiteral("Export"), this)), m_pCineMenu(new QMenu(QStringLiteral("Cine"), this)) {
    CreateActions();
}

CSlideCollectionView::~CSlideCollectionView() { DetachFromDocument(); }

void CSlideCollectionView::CreateActions() {
    m_pImportCine =
        m_pImportMenu->addAction(QStringLiteral("Cine Binary Matrix"), this, &CSlideCollectionView::OnImportCine);
    m_pImportCine->setStatusTip(QStringLiteral("Replace the slides by the frames of one raw file"));
    m_pImportBinaryMatrix =
        m_pImportMenu->addAction(QStringLiteral("Binary Matrix"), this, &CSlideCollectionView::OnImportBinaryMatrix);
    m_pImportBinaryMatrix->setStatusTip(QStringLiteral("Add one slide per raw matrix file"));
    m_pExportCine = m_pExportMenu->addAction(QStringLiteral("Cine Binary Matrix (Unsigned Byte)"), this,
                                             &CSlideCollectionView::OnExportCine);
    m_pExportCine->setStatusTip(QStringLiteral("Write every slide's bytes to one raw file"));
    m_pExportAvi =
        m_pExportMenu->addAction(QStringLiteral("Cine Windows AVI"), this, &CSlideCollectionView::OnExportAvi);
    m_pExportAvi->setStatusTip(QStringLiteral("Write the cine as a 10-second video"));
    m_pGenerateProjections = m_pCineMenu->addAction(QStringLiteral("Generate Projections"), this,
                                                    &CSlideCollectionView::OnGenerateProjections);
    m_pGenerateProjections->setStatusTip(QStringLiteral("Make a projection collection against a reference cine"));
}

CSlideCollection* CSlideCollectionView::GetCollection() const { return dynamic_cast<CSlideCollection*>(GetDocument()); }

void CSlideCollectionView::Warn(const QString& text) { ShowMessageBox(this, QMessageBox::Warning, text); }

// --- the list -------------------------------------------------------------------

std::size_t CSlideCollectionView::MemberCount() const {
    const CSlideCollection* cine = GetCollection();
    return cine ? cine->GetCount() : 0;
}

CListElementStub* CSlideCollectionView::Member(std::size_t index) const {
    const CSlideCollection* cine = GetCollection();
    return cine ? cine->GetMember(index) : nullptr;
}

CDocument* CSlideCollectionView::MemberDocument(std::size_t index) const {
    const CSlideCollection* cine = GetCollection();
    return cine ? cine->GetSlide(index) : nullptr;
}

QStringList CSlideCollectionView::MemberColumns(std::size_t index) const {
    CListElementStub* stub = Member(index);
    if (!stub) return {QString()};
    // The slide's own source in full precision while it holds its fields,
    // else the cached text: the list never loads a linked slide to draw itself.
    double x = 0, y = 0, z = 0;
    const CSlide* slide = stub->HoldsElementFields() ? GetCollection()->GetSlide(index) : nullptr;
    if (slide) {
        x = slide->GetSource().GetPosition().x;
        z = slide->GetSource().GetPosition().z;
    } else if (std::sscanf(stub->GetCachedDescription().c_str(), "%lf,%lf,%lf", &x, &y, &z) != 3) {
        return {QString()};
    }
    return {OrbitAngleText(x, z)};
}

void CSlideCollectionView::UpdateCommandState() {
    const CSlideCollection* cine = GetCollection();
    const bool any = cine && cine->GetCount() > 0;
    m_pImportCine->setEnabled(cine != nullptr);
    m_pImportBinaryMatrix->setEnabled(cine != nullptr);
    for (QAction* action : {m_pExportCine, m_pExportAvi, m_pGenerateProjections}) action->setEnabled(any);
}

void CSlideCollectionView::AddMember() {
    if (CSlideCollection* cine = GetCollection()) {
        cine->AddSlide();
        cine->UpdateAllViews(nullptr);
    }
}

void CSlideCollectionView::RemoveMembers(const std::vector<std::size_t>& indices) {
    if (CSlideCollection* cine = GetCollection()) cine->RemoveMembers(indices);
}

void CSlideCollectionView::RemoveAllMembers() {
    if (CSlideCollection* cine = GetCollection()) {
        cine->DeleteContents();
        cine->SetModifiedFlag();
        cine->UpdateAllViews(nullptr);
    }
}

// --- imports ----------------------------------------------------------------------

void CSlideCollectionView::OnImportCine() {
    CSlideCollection* cine = GetCollection();
    if (!cine) return;
    const QString path = PromptOpenFile(this, kSinogramFiles, QStringLiteral("Import Cine Binary Matrix"));
    if (path.isEmpty()) return;
    const unsigned long long length = FileLength(path);
    if (length == 0) return Warn(QStringLiteral("%1 is empty: nothing was imported.").arg(path));
    CSinogramImportDialog dialog(SinogramImport::ForFileLength(length), length, this,
                                 CSinogramImportDialog::Kind::cine);
    if (dialog.exec() != QDialog::Accepted) return;
    try {
        cine->ImportCine(path.toStdString(), dialog.Values());
    } catch (const std::exception& e) {
        Warn(QStringLiteral("Cannot import %1:\n%2").arg(path, What(e)));
    }
}

void CSlideCollectionView::OnImportBinaryMatrix() {
    if (!GetCollection()) return;
    const QStringList files = PromptOpenFiles(this, kBinaryMatrixFiles, QStringLiteral("Import Binary Matrix"));
    if (!files.isEmpty()) ImportRawFiles(files);
}

bool CSlideCollectionView::ImportRawFiles(const QStringList& files) {
    CSlideCollection* cine = GetCollection();
    if (!cine || files.isEmpty()) return false;
    // The dialog is filled in once, for the first file; its values hold for all.
    const unsigned long long length = FileLength(files.front());
    if (length == 0) {
        Warn(QStringLiteral("%1 is empty: nothing was imported.").arg(files.front()));
        return false;
    }
    CBinaryMatrixImportDialog dialog(BinaryMatrixImport::ForFileLength(length), length, this);
    if (dialog.exec() != QDialog::Accepted) return false;
    std::vector<std::string> paths;
    for (const QString& file : files) paths.push_back(file.toStdString());
    CSlideCollection::RawFilesReport report;
    try {
        report = cine->ImportRawFiles(paths, dialog.Values());
    } catch (const std::exception& e) {
        Warn(QStringLiteral("Cannot import the files:\n%1").arg(What(e)));
        return false;
    }
    QStringList problems;
    if (!report.dropped.empty())
        problems << QStringLiteral("These files could not be read:\n%1").arg(Join(report.dropped));
    if (!report.inPlace.empty())
        problems << QStringLiteral("The slide files of these could not be written; they stay in the cine:\n%1")
                        .arg(Join(report.inPlace));
    if (!problems.isEmpty()) Warn(problems.join(QStringLiteral("\n\n")));
    return report.importedCount > 0;
}

// --- exports ----------------------------------------------------------------------

void CSlideCollectionView::OnExportCine() {
    if (!GetCollection() || GetCollection()->GetCount() == 0) return;
    const QString path = PromptSaveFile(this, kSinogramFiles, QStringLiteral("Export"));
    if (!path.isEmpty()) ExportCine(path);
}

void CSlideCollectionView::OnExportAvi() {
    if (!GetCollection() || GetCollection()->GetCount() == 0) return;
    const QString path = PromptSaveFile(this, kAviFiles, QStringLiteral("Export"));
    if (!path.isEmpty()) ExportAvi(path);
}

bool CSlideCollectionView::ExportCine(const QString& path) {
    try {
        GetCollection()->ExportCine(path.toStdString());
        return true;
    } catch (const std::exception& e) {
        Warn(QStringLiteral("Cannot export to %1:\n%2").arg(path, What(e)));
        return false;
    }
}

bool CSlideCollectionView::ExportAvi(const QString& path) {
    try {
        GetCollection()->ExportAvi(path.toStdString());
        return true;
    } catch (const std::exception& e) {
        Warn(QStringLiteral("Cannot export to %1:\n%2").arg(path, What(e)));
        return false;
    }
}

// --- projections --------------------------------------------------------------------

void CSlideCollectionView::OnGenerateProjections() {
    CSlideCollection* cine = GetCollection();
    if (!cine || cine->GetCount() == 0) return;
    const QString reference = PromptOpenFile(this, kSlideCollectionFiles, QStringLiteral("Reference Cine"));
    if (reference.isEmpty()) return;
    QString linked;
    if (cine->GetMember(0)->m_bLinked) {
        linked = PromptSaveFile(this, kProjectionCollectionFiles, QStringLiteral("Projection Collection"));
        if (linked.isEmpty()) return;
    }
    GenerateProjections(reference, linked);
}

CChildFrame* CSlideCollectionView::GenerateProjections(const QString& referencePath, const QString& linkedPath) {
    CSlideCollection* cine = GetCollection();
    if (!cine) return nullptr;
    CSlideCollection::ProjectionsReport report;
    try {
        report = cine->GenerateProjections(referencePath.toStdString(), linkedPath.toStdString());
    } catch (const std::exception& e) {
        Warn(QStringLiteral("No projections were made:\n%1").arg(What(e)));
        return nullptr;
    }
    if (!report.collection) {
        Warn(QStringLiteral("The reference cine does not have as many slides as this one: no projections were made."));
        return nullptr;
    }
    if (!report.skipped.empty() || !report.unwrittenFiles.empty())
        Warn(QStringLiteral("Some slides gave no projection:\n%1\n%2")
                 .arg(Join(report.skipped), Join(report.unwrittenFiles))
                 .trimmed());
    CDocTemplate* tmpl = FindTemplate(kProjectionCollectionFiles);
    if (!tmpl || !tmpl->HasFrameFactory()) {
        Warn(QStringLiteral("No projection collection window is available."));
        return nullptr;
    }
    std::unique_ptr<CProjectionCollection> collection = std::move(report.collection);
    tmpl->AddDocument(collection.get());
    collection->SetModifiedFlag();
    CChildFrame* frame = CChildFrame::OpenFrame(*tmpl, *collection);
    if (frame) collection.release();  // the window's document now
    return frame;
}

}  // namespace voxmill
