#include "app/ui/NewTypeDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

namespace voxmill {
namespace {

NewKindHook& Hook() {
    static NewKindHook hook;
    return hook;
}

}  // namespace

NewKindHook SetNewKindHook(NewKindHook hook) {
    NewKindHook previous = std::move(Hook());
    Hook() = std::move(hook);
    return previous;
}

int ChooseNewKind(QWidget* parent, const QStringList& kinds) {
    if (Hook()) return Hook()(kinds);
    CNewTypeDlg dialog(kinds, parent);
    if (dialog.exec() != QDialog::Accepted) return -1;
    return dialog.SelectedIndex();
}

CNewTypeDlg::CNewTypeDlg(const QStringList& kinds, QWidget* parent) : QDialog(parent), m_pList(new QListWidget) {
    setWindowTitle(QStringLiteral("New"));
    m_pList->addItems(kinds);
    if (!kinds.isEmpty()) m_pList->setCurrentRow(0);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_pList, &QListWidget::itemDoubleClicked, this, &QDialog::accept);

    auto* column = new QVBoxLayout(this);
    auto* label = new QLabel(QStringLiteral("&New"));
    label->setBuddy(m_pList);
    column->addWidget(label);
    column->addWidget(m_pList);
    column->addWidget(buttons);
}

QStringList CNewTypeDlg::Kinds() const {
    QStringList kinds;
    for (int i = 0; i < m_pList->count(); ++i) kinds << m_pList->item(i)->text();
    return kinds;
}

int CNewTypeDlg::SelectedIndex() const { return m_pList->currentRow(); }

void CNewTypeDlg::Select(int index) { m_pList->setCurrentRow(index); }

}  // namespace voxmill
