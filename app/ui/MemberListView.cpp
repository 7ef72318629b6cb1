#include "app/ui/MemberListView.h"

#include <QAction>
#include <QActionGroup>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QListView>
#include <QMdiArea>
#include <QMenu>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "app/DocTemplate.h"
#include "app/Document.h"
#include "app/ListElementStub.h"
#include "app/templates/DocManager.h"
#include "app/ui/ChildFrame.h"
#include "app/ui/DibImage.h"
#include "app/ui/MainFrame.h"
#include "app/ui/MessageBox.h"
#include "imaging/dib/Dib.h"

namespace voxmill {
namespace {

// The rounded pi the orbit uses; angles shown match the geometry's.
constexpr double kTwoPi = 2.0 * 3.14159265359;

QIcon Thumbnail(CListElementStub& stub) {
    const CDib* dib = stub.GetCachedThumbnail();
    const QImage image = dib ? DibToImage(*dib) : QImage();
    return image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(image));
}

}  // namespace

CMemberListView::CMemberListView(Style style, QWidget* parent)
    : CWidgetView(parent), m_style(std::move(style)), m_pStack(new QStackedWidget(this)), m_pIcons(new QListView),
      m_pDetails(new QTreeView), m_pModel(new QStandardItemModel(0, static_cast<int>(m_style.columns.size()), this)),
      m_pMembersMenu(new QMenu(m_style.menuTitle, this)) {
    CreateViews();
    CreateActions();
}

CMemberListView::~CMemberListView() { DetachFromDocument(); }

void CMemberListView::CreateViews() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pStack);
    m_pModel->setHorizontalHeaderLabels(m_style.columns);

    m_pIcons->setObjectName(m_style.objectPrefix + QStringLiteral("Icons"));
    m_pIcons->setViewMode(QListView::IconMode);
    m_pIcons->setIconSize(QSize(kLargeIconSize, kLargeIconSize));
    m_pIcons->setGridSize(QSize(kLargeIconSize + m_style.gridMargin, kLargeIconSize + 2 * fontMetrics().height() + 8));
    m_pIcons->setMovement(QListView::Static);
    m_pIcons->setResizeMode(QListView::Adjust);
    // Descriptions have no break opportunity ("+0.00,+0.00,+4.00"): wrapping
    // would elide them; one line fits the grid.
    m_pIcons->setWordWrap(false);
    m_pIcons->setUniformItemSizes(false);
    m_pIcons->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_pIcons->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pIcons->setModel(m_pModel);
    m_pIcons->setModelColumn(0);

    m_pDetails->setObjectName(m_style.objectPrefix + QStringLiteral("Details"));
    m_pDetails->setRootIsDecorated(false);
    m_pDetails->setUniformRowHeights(true);
    m_pDetails->setItemsExpandable(false);
    m_pDetails->setAllColumnsShowFocus(true);
    m_pDetails->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_pDetails->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pDetails->setIconSize(QSize(m_style.detailsIconSize, m_style.detailsIconSize));
    m_pDetails->setModel(m_pModel);
    m_pDetails->setSelectionModel(m_pIcons->selectionModel());
    m_pDetails->header()->setStretchLastSection(false);
    for (std::size_t c = 0; c < m_style.widths.size(); ++c)
        m_pDetails->header()->resizeSection(static_cast<int>(c), m_style.widths[c]);

    m_pStack->addWidget(m_pIcons);
    m_pStack->addWidget(m_pDetails);
    for (QAbstractItemView* view :
         {static_cast<QAbstractItemView*>(m_pIcons), static_cast<QAbstractItemView*>(m_pDetails)})
        connect(view, &QAbstractItemView::doubleClicked, this,
                [this](const QModelIndex& index) { OpenMember(index.row()); });
    connect(m_pIcons->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CMemberListView::UpdateMemberCommands);
}

void CMemberListView::CreateActions() {
    m_pAdd = m_pMembersMenu->addAction(m_style.addText, this, &CMemberListView::OnAddMember);
    m_pRemoveSelected =
        m_pMembersMenu->addAction(QStringLiteral("Remove Selected"), this, &CMemberListView::OnRemoveSelected);
    m_pRemoveAll = m_pMembersMenu->addAction(QStringLiteral("Remove All"), this, &CMemberListView::OnRemoveAll);
    for (QAction* edit : {m_pAdd, m_pRemoveSelected, m_pRemoveAll}) edit->setEnabled(false);
    m_pMembersMenu->addSeparator();
    auto* modes = new QActionGroup(this);
    m_pLargeIcons = m_pMembersMenu->addAction(QStringLiteral("Large Icons"), this, [this] { SetDetails(false); });
    m_pDetailsAction = m_pMembersMenu->addAction(QStringLiteral("Details"), this, [this] { SetDetails(true); });
    for (QAction* mode : {m_pLargeIcons, m_pDetailsAction}) {
        mode->setCheckable(true);
        modes->addAction(mode);
    }
    m_pLargeIcons->setChecked(true);
    m_pMembersMenu->addSeparator();
    QAction* target = m_pMembersMenu->addAction(QStringLiteral("Target"), this, &CMemberListView::OnTarget);
    target->setStatusTip(QStringLiteral("Show the collection as a target"));
}

QList<QMenu*> CMemberListView::DocumentMenus() const { return CommandMenus() << m_pMembersMenu; }

QSize CMemberListView::sizeHint() const { return QSize(520, 340); }

void CMemberListView::SetDetails(bool details) {
    m_pStack->setCurrentWidget(details ? static_cast<QWidget*>(m_pDetails) : m_pIcons);
    (details ? m_pDetailsAction : m_pLargeIcons)->setChecked(true);
}

bool CMemberListView::IsDetails() const { return m_pStack->currentWidget() == m_pDetails; }

CDocTemplate* CMemberListView::FindTemplate(unsigned resourceId) const {
    CMainFrame* mainFrame = CMainFrame::FromWidget(this);
    return mainFrame ? mainFrame->GetDocManager().FindTemplate(resourceId) : nullptr;
}

QString CMemberListView::OrbitAngleText(double x, double z) {
    if (x == 0.0 && z == 0.0) return {};
    double angle = std::atan2(x, z);
    if (angle < 0) angle += kTwoPi;
    return QString::asprintf("%.4f", angle);
}

// --- the list -------------------------------------------------------------------

QString CMemberListView::MemberText(std::size_t index) const {
    CListElementStub* stub = Member(index);
    return stub ? QString::fromStdString(stub->GetCachedDescription()) : QString();
}

void CMemberListView::OnUpdate(CView* /*sender*/, long /*hint*/, CObject* /*pHint*/) { Rebuild(); }

void CMemberListView::Rebuild() {
    m_pModel->removeRows(0, m_pModel->rowCount());
    for (std::size_t i = 0; i < MemberCount(); ++i) {
        CListElementStub* stub = Member(i);
        if (!stub) continue;
        // Each item shows its own member's thumbnail; one without any shows none.
        const QString text = MemberText(i);
        QList<QStandardItem*> row{new QStandardItem(Thumbnail(*stub), text)};
        // Narrow grids and columns elide labels; the tip keeps the whole text.
        row.front()->setToolTip(text);
        for (const QString& column : MemberColumns(i)) {
            auto* item = new QStandardItem(column);
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            item->setToolTip(column);
            row << item;
        }
        m_pModel->appendRow(row);
    }
    UpdateMemberCommands();
    UpdateCommandState();
}

void CMemberListView::UpdateMemberCommands() {
    const bool edits = EditsMembers() && GetDocument();
    m_pAdd->setEnabled(edits);
    m_pRemoveSelected->setEnabled(edits && m_pIcons->selectionModel()->hasSelection());
    m_pRemoveAll->setEnabled(edits && MemberCount() > 0);
}

std::vector<std::size_t> CMemberListView::SelectedMembers() const {
    std::vector<std::size_t> rows;
    for (const QModelIndex& index : m_pIcons->selectionModel()->selectedIndexes())
        if (index.column() == 0) rows.push_back(static_cast<std::size_t>(index.row()));
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

CChildFrame* CMemberListView::OpenMember(int index) {
    CListElementStub* stub = index >= 0 ? Member(static_cast<std::size_t>(index)) : nullptr;
    if (!stub) return nullptr;
    if (!stub->Load()) {
        ShowMessageBox(this, QMessageBox::Warning,
                       QStringLiteral("The %1 file %2 cannot be read.")
                           .arg(m_style.memberNoun, QString::fromStdString(stub->m_strPath)));
        return nullptr;
    }
    CDocument* member = MemberDocument(static_cast<std::size_t>(index));
    if (!member) return nullptr;
    for (CView* view : member->GetViews()) {
        if (auto* frame = dynamic_cast<CChildFrame*>(view->GetParentFrame()); frame && !frame->IsDestroyed()) {
            if (QMdiArea* area = frame->mdiArea()) area->setActiveSubWindow(frame);
            return frame;
        }
    }
    CDocTemplate* tmpl = member->GetDocTemplate();
    if (!tmpl || tmpl->GetResourceId() != m_style.memberTemplate) tmpl = FindTemplate(m_style.memberTemplate);
    if (!tmpl || !tmpl->HasFrameFactory()) return nullptr;
    // Members are tied to their template without entering its list.
    if (member->GetDocTemplate() != tmpl) member->SetDocTemplate(tmpl);
    return CChildFrame::OpenFrame(*tmpl, *member);
}

// --- commands ---------------------------------------------------------------------

void CMemberListView::OnAddMember() {
    if (EditsMembers()) AddMember();
}

void CMemberListView::OnRemoveSelected() {
    const std::vector<std::size_t> rows = SelectedMembers();
    if (EditsMembers() && !rows.empty()) RemoveMembers(rows);
}

void CMemberListView::OnRemoveAll() {
    if (EditsMembers() && MemberCount() > 0) RemoveAllMembers();
}

void CMemberListView::OnTarget() {
    CDocument* collection = GetDocument();
    CDocTemplate* tmpl = FindTemplate(kTargetTemplate);
    if (collection && tmpl) CChildFrame::ReplaceFrames(*collection, *tmpl);
}

}  // namespace voxmill
