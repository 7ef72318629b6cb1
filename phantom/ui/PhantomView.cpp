#include "phantom/ui/PhantomView.h"

#include <QAction>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMenu>
#include <QTreeView>
#include <QVBoxLayout>
#include <memory>

#include "app/templates/DocManager.h"
#include "app/ui/ChildFrame.h"
#include "app/ui/DibImage.h"
#include "app/ui/MainFrame.h"
#include "phantom/Phantom.h"
#include "phantom/PhantomElementCylinder.h"
#include "phantom/PhantomElementEllipsoid.h"
#include "phantom/ui/PhantomElementListModel.h"
#include "phantom/ui/PhantomElementView.h"

namespace voxmill {
namespace {

constexpr unsigned kTargetTemplate = 138;
constexpr unsigned kEllipsoidTemplate = 136;
constexpr unsigned kCylinderTemplate = 151;

// The 16 x 16 picture of a temporary element of the class.
QIcon ElementImage(const CRuntimeClass* cls) {
    std::unique_ptr<CObject> object(cls->CreateObject());
    auto* element = dynamic_cast<CPhantomElement*>(object.get());
    if (!element) return {};
    element->m_bAutoDelete = false;
    const CDib* bitmap = element->GetBitmap();
    const QImage image = bitmap ? DibToImage(*bitmap) : QImage();
    element->OnCloseDocument();
    return image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(image));
}

}  // namespace

CPhantomView::CPhantomView(QWidget* parent)
    : CWidgetView(parent), m_pList(new QTreeView(this)), m_pModel(new CPhantomElementListModel(this)),
      m_pMenu(new QMenu(QStringLiteral("Elements"), this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pList);
    m_pList->setObjectName(QStringLiteral("elementList"));
    m_pList->setRootIsDecorated(false);
    m_pList->setUniformRowHeights(true);
    m_pList->setItemsExpandable(false);
    m_pList->setAllColumnsShowFocus(true);
    m_pList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_pList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pList->setIconSize(QSize(16, 16));
    m_pList->setModel(m_pModel);
    m_pList->header()->setStretchLastSection(false);
    connect(m_pList, &QTreeView::doubleClicked, this, [this](const QModelIndex&) { OnOpenElement(); });
    CreateImageList();
    CreateActions();
}

CPhantomView::~CPhantomView() { DetachFromDocument(); }

void CPhantomView::CreateActions() {
    m_pAddEllipsoid = m_pMenu->addAction(QStringLiteral("Add Ellipsoid"), this, &CPhantomView::OnAddEllipsoid);
    m_pAddEllipsoid->setStatusTip(QStringLiteral("Add an ellipsoid to the phantom"));
    m_pAddCylinder = m_pMenu->addAction(QStringLiteral("Add Truncated Cylinder"), this, &CPhantomView::OnAddCylinder);
    m_pAddCylinder->setStatusTip(QStringLiteral("Add a truncated cylinder to the phantom"));
    m_pRemoveSelected = m_pMenu->addAction(QStringLiteral("Remove Selected"), this, &CPhantomView::OnRemoveSelected);
    m_pRemoveSelected->setStatusTip(QStringLiteral("Remove the selected element"));
    // Shown as the menu has it, without an action behind it.
    m_pRemoveAll = m_pMenu->addAction(QStringLiteral("Remove All"));
    m_pRemoveAll->setEnabled(false);
    m_pMenu->addSeparator();
    m_pTarget = m_pMenu->addAction(QStringLiteral("Target"), this, &CPhantomView::OnTarget);
    m_pTarget->setStatusTip(QStringLiteral("Show the phantom as a target"));
}

void CPhantomView::CreateImageList() {
    m_pModel->SetImages(ElementImage(RUNTIME_CLASS(CPhantomElementEllipsoid)),
                        ElementImage(RUNTIME_CLASS(CPhantomElementCylinder)));
}

CPhantom* CPhantomView::GetPhantom() const { return dynamic_cast<CPhantom*>(GetDocument()); }

QList<QMenu*> CPhantomView::DocumentMenus() const { return {m_pMenu}; }

QSize CPhantomView::sizeHint() const {
    const int width = m_pList->header()->length() + 24;
    return QSize(std::max(width, 320), 260);
}

void CPhantomView::SetUpColumns() {
    const QFontMetrics fm(m_pList->font());
    QHeaderView* header = m_pList->header();
    header->resizeSection(CPhantomElementListModel::kElement, 10 * fm.averageCharWidth() + 16);
    header->resizeSection(CPhantomElementListModel::kCenter, 13 * fm.maxWidth());
    header->resizeSection(CPhantomElementListModel::kMu, 6 * fm.maxWidth());
    m_bColumnsSet = true;
}

void CPhantomView::OnInitialUpdate() {
    m_pModel->SetPhantom(GetPhantom());
    if (!m_bColumnsSet) SetUpColumns();
    m_pModel->Reload();
}

void CPhantomView::OnUpdate(CView*, long, CObject*) {
    // Another window changed the list: rebuild the rows from the phantom.
    m_pModel->SetPhantom(GetPhantom());
    m_pModel->Reload();
    m_pList->viewport()->update();
}

void CPhantomView::OnDetach() { m_pModel->Clear(); }

void CPhantomView::AddElement(const CRuntimeClass* cls) {
    CPhantom* phantom = GetPhantom();
    if (!phantom) return;
    CPhantomElement* element = phantom->AddElement(cls);
    if (!element) return;
    phantom->SetModifiedFlag();
    phantom->UpdateAllViews(this);
    m_pModel->AppendRow(element);
}

void CPhantomView::OnAddEllipsoid() { AddElement(RUNTIME_CLASS(CPhantomElementEllipsoid)); }

void CPhantomView::OnAddCylinder() { AddElement(RUNTIME_CLASS(CPhantomElementCylinder)); }

int CPhantomView::FirstSelectedRow() const {
    const QModelIndexList rows = m_pList->selectionModel()->selectedRows();
    int first = -1;
    for (const QModelIndex& index : rows)
        if (first < 0 || index.row() < first) first = index.row();
    return first;
}

void CPhantomView::OnRemoveSelected() {
    CPhantom* phantom = GetPhantom();
    const int row = FirstSelectedRow();
    if (!phantom || row < 0) return;
    phantom->RemoveElement(m_pModel->ElementAt(row));  // marks the phantom modified
    m_pModel->RemoveRow(row);
    // Other windows of the phantom must not keep a row for the removed element.
    phantom->UpdateAllViews(this);
}

void CPhantomView::OnTarget() {
    CPhantom* phantom = GetPhantom();
    CMainFrame* mainFrame = CMainFrame::FromWidget(this);
    CDocTemplate* tmpl = mainFrame ? mainFrame->GetDocManager().FindTemplate(kTargetTemplate) : nullptr;
    if (phantom && tmpl) CChildFrame::ReplaceFrames(*phantom, *tmpl);
}

void CPhantomView::OnOpenElement() {
    CPhantom* phantom = GetPhantom();
    const int row = FirstSelectedRow();
    CPhantomElement* element = m_pModel->ElementAt(row);
    CMainFrame* mainFrame = CMainFrame::FromWidget(this);
    if (!phantom || !element || !mainFrame) return;
    unsigned resource = 0;
    if (element->IsKindOf(RUNTIME_CLASS(CPhantomElementEllipsoid)))
        resource = kEllipsoidTemplate;
    else if (element->IsKindOf(RUNTIME_CLASS(CPhantomElementCylinder)))
        resource = kCylinderTemplate;
    CDocTemplate* tmpl = resource ? mainFrame->GetDocManager().FindTemplate(resource) : nullptr;
    if (!tmpl) return;
    CChildFrame* frame = CChildFrame::OpenFrame(*tmpl, *element);
    if (auto* view = frame ? dynamic_cast<CPhantomElementView*>(frame->GetView()) : nullptr) view->SetOwner(phantom);
}

}  // namespace voxmill
