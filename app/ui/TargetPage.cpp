#include "app/ui/TargetPage.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

#include "app/DocTemplate.h"
#include "app/Operator.h"
#include "app/Target.h"
#include "app/ui/ChildFrame.h"
#include "app/ui/DibImage.h"
#include "app/ui/DocumentCommands.h"
#include "app/ui/ResourceIcons.h"
#include "app/ui/TargetMimeData.h"
#include "imaging/dib/Dib.h"

namespace voxmill {

CTargetPage::CTargetPage(std::vector<std::uint16_t> acceptedTypes, QWidget* parent)
    : QWidget(parent), m_acceptedTypes(std::move(acceptedTypes)),
      m_pTypeLabel(new QLabel(QStringLiteral("Target type:"), this)), m_pTypeName(new QLabel(this)) {
    qRegisterMetaType<CTarget*>("voxmill::CTarget*");
    setAcceptDrops(true);
    m_pTypeLabel->move(IconArea().right() + 14, IconArea().top() + 4);
    m_pTypeName->setMinimumWidth(200);
    m_pTypeName->move(IconArea().right() + 14, IconArea().top() + 26);
    setMinimumSize(IconArea().right() + 230, IconArea().bottom() + 8);
    Refresh();
}

CTargetPage::~CTargetPage() { DeleteTarget(m_pTarget); }

void CTargetPage::DeleteTarget(CTarget* target) {
    if (!target) return;
    target->m_bAutoDelete = false;
    target->OnCloseDocument();
    delete target;
}

void CTargetPage::SetTarget(CTarget* target) {
    if (target == m_pTarget) return;
    // The page owns what it holds from now on, whatever the drag's source
    // does afterwards: no windows, no template list, no auto-delete.
    if (target) COperator::ReleaseLinkedTarget(*target);
    CTarget* previous = m_pTarget;
    m_pTarget = target;
    // Unsaved work is not thrown away: the old target gets its window back.
    if (!previous || !previous->IsModified() || !GiveWindowBack(previous)) DeleteTarget(previous);
    Refresh();
    emit targetChanged(m_pTarget);
}

bool CTargetPage::GiveWindowBack(CTarget* target) {
    CDocTemplate* tmpl = target->GetDocTemplate();
    if (!tmpl || !tmpl->HasFrameFactory()) return false;
    // Auto-delete comes back only once the window exists, so that a
    // failed window cannot take the document with it.
    tmpl->AddDocument(target);
    if (!CChildFrame::OpenFrame(*tmpl, *target)) {
        tmpl->RemoveDocument(target);
        target->SetDocTemplate(tmpl);
        return false;
    }
    target->m_bAutoDelete = true;
    return true;
}

bool CTargetPage::CanGiveWindowBack(const CTarget* target) {
    const CDocTemplate* tmpl = target ? target->GetDocTemplate() : nullptr;
    return tmpl && tmpl->HasFrameFactory();
}

bool CTargetPage::ReleaseTarget() {
    CTarget* target = m_pTarget;
    if (!target || !GiveWindowBack(target)) return false;
    m_pTarget = nullptr;
    Refresh();
    emit targetChanged(nullptr);
    return true;
}

bool CTargetPage::SaveModifiedTarget() { return !m_pTarget || SaveModified(this, *m_pTarget); }

QString CTargetPage::TargetTypeName() const {
    const CDocTemplate* tmpl = m_pTarget ? m_pTarget->GetDocTemplate() : nullptr;
    const std::string name = tmpl ? tmpl->GetDocString(CDocTemplate::regFileTypeName) : std::string();
    return name.empty() ? QStringLiteral("n/a") : QString::fromStdString(name);
}

void CTargetPage::Refresh() {
    m_pTypeName->setText(TargetTypeName());
    m_pTypeName->adjustSize();
    // The icon alone does not say which document the page holds.
    setToolTip(m_pTarget ? QString::fromStdString(m_pTarget->GetTitle()) : QString());
    update();
}

void CTargetPage::dragEnterEvent(QDragEnterEvent* event) {
    if (CTargetMimeData::Offers(event->mimeData(), m_acceptedTypes) && (event->possibleActions() & Qt::LinkAction)) {
        event->setDropAction(Qt::LinkAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void CTargetPage::dragMoveEvent(QDragMoveEvent* event) {
    if (CTargetMimeData::Offers(event->mimeData(), m_acceptedTypes) && (event->possibleActions() & Qt::LinkAction)) {
        event->setDropAction(Qt::LinkAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void CTargetPage::dropEvent(QDropEvent* event) {
    CTarget* target = CTargetMimeData::TargetFrom(event->mimeData(), m_acceptedTypes);
    if (!target || target == m_pTarget || !(event->possibleActions() & Qt::LinkAction)) {
        event->ignore();
        return;
    }
    // A modified target about to be replaced gets its window back; only
    // one that cannot have a window is offered for saving (Cancel refuses
    // the drop) before it is deleted.
    if (!CanGiveWindowBack(m_pTarget) && !SaveModifiedTarget()) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::LinkAction);
    event->accept();
    SetTarget(target);
}

void CTargetPage::mouseDoubleClickEvent(QMouseEvent* event) {
    if (IconArea().contains(event->position().toPoint()) && m_pTarget) {
        ReleaseTarget();
        event->accept();
        return;
    }
    QWidget::mouseDoubleClickEvent(event);
}

void CTargetPage::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QPen tracker(palette().windowText().color(), 1, Qt::DotLine);
    painter.setPen(tracker);
    painter.drawRect(IconArea().adjusted(-1, -1, 0, 0));
    if (!m_pTarget) return;
    const QImage icon = m_pTarget->GetIcon() ? DibToImage(*m_pTarget->GetIcon()) : QImage();
    if (!icon.isNull()) {
        painter.drawImage(IconArea(), icon);
    } else {
        // A target without an icon bitmap shows its document kind's icon.
        const CDocTemplate* tmpl = m_pTarget->GetDocTemplate();
        ResourceIcon(tmpl ? tmpl->GetResourceId() : 0).paint(&painter, IconArea());
    }
}

}  // namespace voxmill
