#include "acquisition/ui/collection/ProjectionCollectionView.h"

#include "formats/DocumentExports.h"
#include "formats/ui/StackExportMenu.h"

#include <QAction>
#include <QDialog>
#include <QHeaderView>
#include <QTreeView>
#include <QMenu>
#include <cstdio>
#include <exception>

#include "acquisition/Projection.h"
#include "acquisition/ProjectionCollection.h"
#include "acquisition/ui/collection/SinogramImportDialog.h"
#include "acquisition/ui/collection/TemplateFiles.h"
#include "app/ListElementStub.h"
#include "app/ui/MessageBox.h"
#include "imaging/ui/BinaryMatrixImportDialog.h"

namespace voxmill {
namespace {

// The source position of a member without loading it: the projection's
// own, in full precision, when it holds its fields (loaded, or unloaded
// after a run wrote it), else the cached "%+.2f,%+.2f,%+.2f" text of a
// member never read since its collection was opened.
bool SourcePosition(CListElementStub& stub, double& x, double& z) {
    if (stub.HoldsElementFields()) {
        if (const auto* projection = dynamic_cast<const CProjection*>(stub.m_pElement)) {
            x = projection->GetSource().GetPosition().x;
            z = projection->GetSource().GetPosition().z;
            return true;
        }
    }
    double y = 0;
    return std::sscanf(stub.GetCachedDescription().c_str(), "%lf,%lf,%lf", &x, &y, &z) == 3;
}

QString Join(const std::vector<std::string>& lines) {
    QStringList list;
    for (const std::string& line : lines) list << QString::fromStdString(line);
    return list.join(QLatin1Char('\n'));
}

}  // namespace

CProjectionCollectionView::CProjectionCollectionView(QWidget* parent)
    : CMemberListView({QStringLiteral("Projections"),
                       QStringLiteral("Add Projection"),
                       {QStringLiteral("Source Position"), QStringLiteral("Angle (rad)")},
                       {0, kAngleColumnWidth},
                       32,
                       64,
                       QStringLiteral("member"),
                       QStringLiteral("projection"),
                       kProjectionFiles},
                      parent),
      m_pImportMenu(new QMenu(QStringLiteral("Import"), this)), m_pExportMenu(new QMenu(QStringLiteral("Export"), this)) {
    DetailsView()->header()->resizeSection(kDescriptionColumn, 20 * fontMetrics().averageCharWidth() + 40);
    CreateActions();
}

CProjectionCollectionView::~CProjectionCollectionView() { DetachFromDocument(); }

void CProjectionCollectionView::CreateActions() {
    m_pImportSinogram = m_pImportMenu->addAction(QStringLiteral("Sinogram Binary Matrix"), this,
                                                 &CProjectionCollectionView::OnImportSinogram);
    m_pImportSinogram->setStatusTip(QStringLiteral("Replace the projections by those of one raw sinogram file"));
    m_pImportBinaryMatrix = m_pImportMenu->addAction(QStringLiteral("Binary Matrix"), this,
                                                     &CProjectionCollectionView::OnImportBinaryMatrix);
    m_pImportBinaryMatrix->setStatusTip(QStringLiteral("Add one projection per raw matrix file"));
    m_pExportSinogram = m_pExportMenu->addAction(QStringLiteral("Sinogram Binary Matrix (IEEE Float)"), this,
                                                 &CProjectionCollectionView::OnExportSinogram);
    m_pExportSinogram->setStatusTip(QStringLiteral("Write all projections to one raw file of floats"));
    const auto projections = [this]() -> CProjectionCollection& { return *GetCollection(); };
    m_pStackExports = new CStackExportMenu(
        m_pExportMenu, this, QStringLiteral("collection"),
        {{StackFormat::hdf5, [projections](const std::string& p) { ExportProjectionsHdf5(projections(), p); }},
         {StackFormat::tiff, [projections](const std::string& p) { ExportProjectionsTiff(projections(), p); }}});
}

CProjectionCollection* CProjectionCollectionView::GetCollection() const {
    return dynamic_cast<CProjectionCollection*>(GetDocument());
}

// --- the list -------------------------------------------------------------------

QString CProjectionCollectionView::AngleText(CListElementStub& stub) {
    double x = 0, z = 0;
    return SourcePosition(stub, x, z) ? OrbitAngleText(x, z) : QString();
}

std::size_t CProjectionCollectionView::MemberCount() const {
    const CProjectionCollection* collection = GetCollection();
    return collection ? collection->GetCount() : 0;
}

CListElementStub* CProjectionCollectionView::Member(std::size_t index) const {
    const CProjectionCollection* collection = GetCollection();
    return collection ? collection->GetMember(index) : nullptr;
}

CDocument* CProjectionCollectionView::MemberDocument(std::size_t index) const {
    const CProjectionCollection* collection = GetCollection();
    return collection ? collection->GetProjection(index) : nullptr;
}

QStringList CProjectionCollectionView::MemberColumns(std::size_t index) const {
    CListElementStub* stub = Member(index);
    return {stub ? AngleText(*stub) : QString()};
}

void CProjectionCollectionView::UpdateCommandState() {
    const CProjectionCollection* collection = GetCollection();
    m_pImportSinogram->setEnabled(collection != nullptr);
    m_pImportBinaryMatrix->setEnabled(collection != nullptr);
    m_pExportSinogram->setEnabled(collection && collection->GetCount() > 0);
    m_pStackExports->SetEnabled(collection && collection->GetCount() > 0);
}

// --- commands ---------------------------------------------------------------------

void CProjectionCollectionView::OnImportSinogram() {
    CProjectionCollection* collection = GetCollection();
    if (!collection) return;
    const QString path = PromptOpenFile(this, kSinogramFiles, QStringLiteral("Import Sinogram Binary Matrix"));
    if (path.isEmpty()) return;
    const unsigned long long length = FileLength(path);
    if (length == 0) {
        ShowMessageBox(this, QMessageBox::Warning, QStringLiteral("%1 is empty: nothing was imported.").arg(path));
        return;
    }
    CSinogramImportDialog dialog(SinogramImport::ForFileLength(length), length, this);
    if (dialog.exec() != QDialog::Accepted) return;
    try {
        collection->ImportSinogram(path.toStdString(), dialog.Values());
    } catch (const std::exception& e) {
        ShowMessageBox(this, QMessageBox::Warning,
                       QStringLiteral("Cannot import %1:\n%2").arg(path, QString::fromLocal8Bit(e.what())));
    }
}

void CProjectionCollectionView::OnImportBinaryMatrix() {
    CProjectionCollection* collection = GetCollection();
    if (!collection) return;
    const QStringList files = PromptOpenFiles(this, kBinaryMatrixFiles, QStringLiteral("Import Binary Matrix"));
    if (files.isEmpty()) return;
    std::vector<std::string> paths;
    for (const QString& file : files) paths.push_back(file.toStdString());

    const std::int64_t length = CProjectionCollection::CommonRawFileLength(paths);
    if (length < 0) {
        ShowMessageBox(this, QMessageBox::Warning,
                       QStringLiteral("The selected files differ in length: nothing was imported."));
        return;
    }
    if (length == 0) {
        ShowMessageBox(this, QMessageBox::Warning,
                       QStringLiteral("%1 is empty: nothing was imported.").arg(files.front()));
        return;
    }
    CBinaryMatrixImportDialog dialog(BinaryMatrixImport::ForFileLength(static_cast<std::uint64_t>(length)),
                                     static_cast<std::uint64_t>(length), this);
    if (dialog.exec() != QDialog::Accepted) return;
    CProjectionCollection::RawFilesReport report;
    try {
        report = collection->ImportRawFiles(paths, dialog.Values());
    } catch (const std::exception& e) {
        ShowMessageBox(this, QMessageBox::Warning,
                       QStringLiteral("Cannot import the files:\n%1").arg(QString::fromLocal8Bit(e.what())));
        return;
    }
    QStringList problems;
    if (!report.dropped.empty()) problems << QStringLiteral("These files could not be read:\n%1").arg(Join(report.dropped));
    if (!report.inPlace.empty())
        problems << QStringLiteral("The projection files of these could not be written; they stay in the collection:\n%1")
                        .arg(Join(report.inPlace));
    if (!problems.isEmpty()) ShowMessageBox(this, QMessageBox::Warning, problems.join(QStringLiteral("\n\n")));
}

void CProjectionCollectionView::OnExportSinogram() {
    CProjectionCollection* collection = GetCollection();
    if (!collection || collection->GetCount() == 0) return;
    const QString path = PromptSaveFile(this, kSinogramFiles, QStringLiteral("Export"));
    if (path.isEmpty()) return;
    try {
        collection->ExportSinogram(path.toStdString());
    } catch (const std::exception& e) {
        ShowMessageBox(this, QMessageBox::Warning,
                       QStringLiteral("Cannot export to %1:\n%2").arg(path, QString::fromLocal8Bit(e.what())));
    }
}

}  // namespace voxmill
