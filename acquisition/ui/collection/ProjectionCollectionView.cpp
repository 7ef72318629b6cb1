#include "acquisition/ui/collection/ProjectionCollectionView.h"

#include <QAction>
#include <QActionGroup>
#include <QDialog>
#include <QHeaderView>
#include <QListView>
#include <QMdiArea>
#include <QMenu>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QTreeView>
#include <QVBoxLayout>
#include <cmath>
#include <cstdio>
#include <exception>

#include "acquisition/CircularOrbit.h"
#include "acquisition/Projection.h"
#include "acquisition/ProjectionCollection.h"
#include "acquisition/ui/collection/SinogramImportDialog.h"
#include "acquisition/ui/collection/TemplateFiles.h"
#include "app/DocTemplate.h"
#include "app/ListElementStub.h"
#include "app/ui/ChildFrame.h"
#include "app/ui/DibImage.h"
#include "app/ui/MessageBox.h"
#include "imaging/dib/Dib.h"
#include "imaging/ui/BinaryMatrixImportDialog.h"

namespace voxmill {
namespace {

constexpr unsigned kTargetTemplate = 138;
constexpr double kTwoPi = 2.0 * kOrbitPi;

// The source position of a member without loading it: the projection's
// own when it is in memory, else the cached "%+.2f,%+.2f,%+.2f" text.
bool SourcePosition(CListElementStub& stub, double& x, double& z) {
    if (stub.m_bLoaded && stub.m_pElement) {
        if (const auto* projection = dynamic_cast<const CProjection*>(stub.m_pElement)) {
            x = projection->GetSource().GetPosition().x;
            z = projection->GetSource().GetPosition().z;
            return true;
        }
    }
    double y = 0;
    return std::sscanf(stub.GetCachedDescription().c_str(), "%lf,%lf,%lf", &x, &y, &z) == 3;
}

QIcon Thumbnail(CListElementStub& stub) {
    const CDib* dib = stub.GetCachedThumbnail();
    const QImage image = dib ? DibToImage(*dib) : QImage();
    return image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(image));
}

QString Join(const std::vector<std::string>& lines) {
    QStringList list;
    for (const std::string& line : lines) list << QString::fromStdString(line);
    return list.join(QLatin1Char('\n'));
}

}  // namespace

CProjectionCollectionView::CProjectionCollectionView(QWidget* parent)
    : CWidgetView(parent), m_pStack(new QStackedWidget(this)), m_pIcons(new QListView),
      m_pDetails(new QTreeView), m_pModel(new QStandardItemModel(0, 2, this)),
      m_pProjectionsMenu(new QMenu(QStringLiteral("Projections"), this)),
      m_pImportMenu(new QMenu(QStringLiteral("Import"), this)), m_pExportMenu(new QMenu(QStringLiteral("Export"), this)) {
    CreateViews();
    CreateActions();
}

CProjectionCollectionView::~CProjectionCollectionView() { DetachFromDocument(); }

void CProjectionCollectionView::CreateViews() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pStack);
    m_pModel->setHorizontalHeaderLabels({QStringLiteral("Source Position"), QStringLiteral("Angle (rad)")});

    m_pIcons->setObjectName(QStringLiteral("memberIcons"));
    m_pIcons->setViewMode(QListView::IconMode);
    m_pIcons->setIconSize(QSize(kLargeIconSize, kLargeIconSize));
    m_pIcons->setGridSize(QSize(kLargeIconSize + 64, kLargeIconSize + 2 * fontMetrics().height() + 8));
    m_pIcons->setMovement(QListView::Static);
    m_pIcons->setResizeMode(QListView::Adjust);
    m_pIcons->setWordWrap(true);
    m_pIcons->setUniformItemSizes(true);
    m_pIcons->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pIcons->setModel(m_pModel);
    m_pIcons->setModelColumn(kDescriptionColumn);

    m_pDetails->setObjectName(QStringLiteral("memberDetails"));
    m_pDetails->setRootIsDecorated(false);
    m_pDetails->setUniformRowHeights(true);
    m_pDetails->setItemsExpandable(false);
    m_pDetails->setAllColumnsShowFocus(true);
    m_pDetails->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pDetails->setIconSize(QSize(32, 32));
    m_pDetails->setModel(m_pModel);
    m_pDetails->setSelectionModel(m_pIcons->selectionModel());
    m_pDetails->header()->setStretchLastSection(false);
    m_pDetails->header()->resizeSection(kDescriptionColumn, 20 * fontMetrics().averageCharWidth() + 40);
    m_pDetails->header()->resizeSection(kAngleColumn, kAngleColumnWidth);

    m_pStack->addWidget(m_pIcons);
    m_pStack->addWidget(m_pDetails);
    for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(m_pIcons), static_cast<QAbstractItemView*>(m_pDetails)})
        connect(view, &QAbstractItemView::doubleClicked, this,
                [this](const QModelIndex& index) { OpenMember(index.row()); });
}

void CProjectionCollectionView::CreateActions() {
    // Shown as the menu has them; this document kind gives them no action.
    for (const char* text : {"Add Projection", "Remove Selected", "Remove All"})
        m_pProjectionsMenu->addAction(QString::fromLatin1(text))->setEnabled(false);
    m_pProjectionsMenu->addSeparator();
    auto* modes = new QActionGroup(this);
    m_pLargeIcons = m_pProjectionsMenu->addAction(QStringLiteral("Large Icons"), this, [this] { SetDetails(false); });
    m_pDetailsAction = m_pProjectionsMenu->addAction(QStringLiteral("Details"), this, [this] { SetDetails(true); });
    for (QAction* mode : {m_pLargeIcons, m_pDetailsAction}) {
        mode->setCheckable(true);
        modes->addAction(mode);
    }
    m_pLargeIcons->setChecked(true);
    m_pProjectionsMenu->addSeparator();
    QAction* target = m_pProjectionsMenu->addAction(QStringLiteral("Target"), this, &CProjectionCollectionView::OnTarget);
    target->setStatusTip(QStringLiteral("Show the collection as a target"));

    m_pImportSinogram = m_pImportMenu->addAction(QStringLiteral("Sinogram Binary Matrix"), this,
                                                 &CProjectionCollectionView::OnImportSinogram);
    m_pImportSinogram->setStatusTip(QStringLiteral("Replace the projections by those of one raw sinogram file"));
    m_pImportBinaryMatrix = m_pImportMenu->addAction(QStringLiteral("Binary Matrix"), this,
                                                     &CProjectionCollectionView::OnImportBinaryMatrix);
    m_pImportBinaryMatrix->setStatusTip(QStringLiteral("Add one projection per raw matrix file"));
    m_pExportSinogram = m_pExportMenu->addAction(QStringLiteral("Sinogram Binary Matrix (IEEE Float)"), this,
                                                 &CProjectionCollectionView::OnExportSinogram);
    m_pExportSinogram->setStatusTip(QStringLiteral("Write all projections to one raw file of floats"));
}

CProjectionCollection* CProjectionCollectionView::GetCollection() const {
    return dynamic_cast<CProjectionCollection*>(GetDocument());
}

QList<QMenu*> CProjectionCollectionView::DocumentMenus() const {
    return {m_pImportMenu, m_pExportMenu, m_pProjectionsMenu};
}

QSize CProjectionCollectionView::sizeHint() const { return QSize(520, 340); }

void CProjectionCollectionView::SetDetails(bool details) {
    m_pStack->setCurrentWidget(details ? static_cast<QWidget*>(m_pDetails) : m_pIcons);
    (details ? m_pDetailsAction : m_pLargeIcons)->setChecked(true);
}

bool CProjectionCollectionView::IsDetails() const { return m_pStack->currentWidget() == m_pDetails; }

// --- the list -------------------------------------------------------------------

QString CProjectionCollectionView::AngleText(CListElementStub& stub) {
    double x = 0, z = 0;
    if (!SourcePosition(stub, x, z) || (x == 0.0 && z == 0.0)) return {};
    double angle = std::atan2(x, z);
    if (angle < 0) angle += kTwoPi;
    return QString::asprintf("%.4f", angle);
}

void CProjectionCollectionView::OnUpdate(CView* /*sender*/, long /*hint*/, CObject* /*pHint*/) { Rebuild(); }

void CProjectionCollectionView::Rebuild() {
    m_pModel->removeRows(0, m_pModel->rowCount());
    if (CProjectionCollection* collection = GetCollection()) {
        for (std::size_t i = 0; i < collection->GetCount(); ++i) {
            CListElementStub& stub = *collection->GetMember(i);
            // Each item shows its own member's thumbnail; one without any shows none.
            auto* description = new QStandardItem(Thumbnail(stub), QString::fromStdString(stub.GetCachedDescription()));
            auto* angle = new QStandardItem(AngleText(stub));
            angle->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            m_pModel->appendRow({description, angle});
        }
    }
    UpdateCommandState();
}

void CProjectionCollectionView::UpdateCommandState() {
    const CProjectionCollection* collection = GetCollection();
    m_pImportSinogram->setEnabled(collection != nullptr);
    m_pImportBinaryMatrix->setEnabled(collection != nullptr);
    m_pExportSinogram->setEnabled(collection && collection->GetCount() > 0);
}

CChildFrame* CProjectionCollectionView::OpenMember(int index) {
    CProjectionCollection* collection = GetCollection();
    CListElementStub* stub = collection && index >= 0 ? collection->GetMember(static_cast<std::size_t>(index)) : nullptr;
    if (!stub) return nullptr;
    if (!stub->Load()) {
        ShowMessageBox(this, QMessageBox::Warning,
                       QStringLiteral("The projection file %1 cannot be read.").arg(QString::fromStdString(stub->m_strPath)));
        return nullptr;
    }
    CProjection* projection = collection->GetProjection(static_cast<std::size_t>(index));
    if (!projection) return nullptr;
    for (CView* view : projection->GetViews()) {
        if (auto* frame = dynamic_cast<CChildFrame*>(view->GetParentFrame()); frame && !frame->IsDestroyed()) {
            if (QMdiArea* area = frame->mdiArea()) area->setActiveSubWindow(frame);
            return frame;
        }
    }
    CDocTemplate* tmpl = FindWorkbenchTemplate(this, kProjectionFiles);
    if (!tmpl || !tmpl->HasFrameFactory()) return nullptr;
    // Members are tied to the Projection template without entering its list.
    if (!projection->GetDocTemplate()) projection->SetDocTemplate(tmpl);
    return CChildFrame::OpenFrame(*tmpl, *projection);
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

void CProjectionCollectionView::OnTarget() {
    CProjectionCollection* collection = GetCollection();
    CDocTemplate* tmpl = FindWorkbenchTemplate(this, kTargetTemplate);
    if (collection && tmpl) CChildFrame::ReplaceFrames(*collection, *tmpl);
}

}  // namespace voxmill
