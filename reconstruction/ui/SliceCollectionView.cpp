#include "reconstruction/ui/SliceCollectionView.h"

#include <QAction>
#include <QActionGroup>
#include <QHeaderView>
#include <QListView>
#include <QMdiArea>
#include <QMenu>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QTreeView>
#include <QVBoxLayout>

#include "app/DocTemplate.h"
#include "app/ListElementStub.h"
#include "app/templates/DocManager.h"
#include "app/ui/ChildFrame.h"
#include "app/ui/DibImage.h"
#include "app/ui/MainFrame.h"
#include "app/ui/MessageBox.h"
#include "imaging/dib/Dib.h"
#include "reconstruction/Slice.h"
#include "reconstruction/SliceCollection.h"

namespace voxmill {
namespace {

QIcon Thumbnail(CListElementStub& entry) {
    const CDib* dib = entry.GetCachedThumbnail();
    const QImage image = dib ? DibToImage(*dib) : QImage();
    return image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(image));
}

}  // namespace

CSliceCollectionView::CSliceCollectionView(QWidget* parent)
    : CWidgetView(parent), m_pStack(new QStackedWidget(this)), m_pIcons(new QListView), m_pDetails(new QTreeView),
      m_pModel(new QStandardItemModel(0, 1, this)), m_pSlicesMenu(new QMenu(QStringLiteral("Slices"), this)) {
    CreateViews();
    CreateActions();
}

CSliceCollectionView::~CSliceCollectionView() { DetachFromDocument(); }

void CSliceCollectionView::CreateViews() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pStack);
    m_pModel->setHorizontalHeaderLabels({QStringLiteral("Axis")});

    m_pIcons->setObjectName(QStringLiteral("sliceIcons"));
    m_pIcons->setViewMode(QListView::IconMode);
    m_pIcons->setIconSize(QSize(kThumbnailSize, kThumbnailSize));
    m_pIcons->setGridSize(QSize(kThumbnailSize + 32, kThumbnailSize + 2 * fontMetrics().height() + 8));
    m_pIcons->setMovement(QListView::Static);
    m_pIcons->setResizeMode(QListView::Adjust);
    m_pIcons->setWordWrap(true);
    m_pIcons->setUniformItemSizes(true);
    m_pIcons->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pIcons->setModel(m_pModel);

    m_pDetails->setObjectName(QStringLiteral("sliceDetails"));
    m_pDetails->setRootIsDecorated(false);
    m_pDetails->setUniformRowHeights(true);
    m_pDetails->setItemsExpandable(false);
    m_pDetails->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pDetails->setIconSize(QSize(kThumbnailSize, kThumbnailSize));
    m_pDetails->setModel(m_pModel);
    m_pDetails->setSelectionModel(m_pIcons->selectionModel());
    m_pDetails->header()->setStretchLastSection(false);
    m_pDetails->header()->resizeSection(0, kAxisColumnWidth);

    m_pStack->addWidget(m_pIcons);
    m_pStack->addWidget(m_pDetails);
    for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(m_pIcons), static_cast<QAbstractItemView*>(m_pDetails)})
        connect(view, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) { OpenSlice(index.row()); });
}

void CSliceCollectionView::CreateActions() {
    // Shown as the menu has them; this document kind gives them no action.
    for (const char* text : {"Add Slice", "Remove Selected", "Remove All"})
        m_pSlicesMenu->addAction(QString::fromLatin1(text))->setEnabled(false);
    m_pSlicesMenu->addSeparator();
    auto* modes = new QActionGroup(this);
    m_pLargeIcons = m_pSlicesMenu->addAction(QStringLiteral("Large Icons"), this, [this] { SetDetails(false); });
    m_pDetailsAction = m_pSlicesMenu->addAction(QStringLiteral("Details"), this, [this] { SetDetails(true); });
    for (QAction* mode : {m_pLargeIcons, m_pDetailsAction}) {
        mode->setCheckable(true);
        modes->addAction(mode);
    }
    m_pLargeIcons->setChecked(true);
    m_pSlicesMenu->addSeparator();
    QAction* target = m_pSlicesMenu->addAction(QStringLiteral("Target"), this, &CSliceCollectionView::OnTarget);
    target->setStatusTip(QStringLiteral("Show the collection as a target"));
}

CSliceCollection* CSliceCollectionView::GetCollection() const { return dynamic_cast<CSliceCollection*>(GetDocument()); }

QList<QMenu*> CSliceCollectionView::DocumentMenus() const { return {m_pSlicesMenu}; }

QSize CSliceCollectionView::sizeHint() const { return QSize(520, 340); }

void CSliceCollectionView::SetDetails(bool details) {
    m_pStack->setCurrentWidget(details ? static_cast<QWidget*>(m_pDetails) : m_pIcons);
    (details ? m_pDetailsAction : m_pLargeIcons)->setChecked(true);
}

bool CSliceCollectionView::IsDetails() const { return m_pStack->currentWidget() == m_pDetails; }

CDocTemplate* CSliceCollectionView::FindTemplate(unsigned resourceId) const {
    CMainFrame* mainFrame = CMainFrame::FromWidget(this);
    return mainFrame ? mainFrame->GetDocManager().FindTemplate(resourceId) : nullptr;
}

void CSliceCollectionView::OnUpdate(CView* /*sender*/, long /*hint*/, CObject* /*pHint*/) { Rebuild(); }

void CSliceCollectionView::Rebuild() {
    m_pModel->removeRows(0, m_pModel->rowCount());
    CSliceCollection* collection = GetCollection();
    if (!collection) return;
    for (std::size_t i = 0; i < collection->GetCount(); ++i) {
        CListElementStub& entry = *collection->GetEntry(i);
        m_pModel->appendRow(new QStandardItem(Thumbnail(entry), QString::fromStdString(collection->EntryDescription(i))));
    }
}

CChildFrame* CSliceCollectionView::OpenSlice(int index) {
    CSliceCollection* collection = GetCollection();
    CListElementStub* entry = collection && index >= 0 ? collection->GetEntry(static_cast<std::size_t>(index)) : nullptr;
    if (!entry) return nullptr;
    if (!entry->Load()) {
        ShowMessageBox(this, QMessageBox::Warning,
                       QStringLiteral("The slice file %1 cannot be read.").arg(QString::fromStdString(entry->m_strPath)));
        return nullptr;
    }
    CSlice* slice = collection->GetSlice(static_cast<std::size_t>(index));
    if (!slice) return nullptr;
    for (CView* view : slice->GetViews()) {
        if (auto* frame = dynamic_cast<CChildFrame*>(view->GetParentFrame()); frame && !frame->IsDestroyed()) {
            if (QMdiArea* area = frame->mdiArea()) area->setActiveSubWindow(frame);
            return frame;
        }
    }
    CDocTemplate* tmpl = slice->GetDocTemplate();
    if (!tmpl || tmpl->GetResourceId() != kSliceTemplate) tmpl = FindTemplate(kSliceTemplate);
    if (!tmpl || !tmpl->HasFrameFactory()) return nullptr;
    // Slices are tied to the Slice template without entering its list.
    if (slice->GetDocTemplate() != tmpl) slice->SetDocTemplate(tmpl);
    return CChildFrame::OpenFrame(*tmpl, *slice);
}

void CSliceCollectionView::OnTarget() {
    CSliceCollection* collection = GetCollection();
    CDocTemplate* tmpl = FindTemplate(kTargetTemplate);
    if (collection && tmpl) CChildFrame::ReplaceFrames(*collection, *tmpl);
}

}  // namespace voxmill
