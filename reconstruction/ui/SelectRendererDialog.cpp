#include "reconstruction/ui/SelectRendererDialog.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <cstring>

namespace voxmill {
namespace {

constexpr int kClassIdRole = Qt::UserRole;

SelectRendererHook& Hook() {
    static SelectRendererHook hook;
    return hook;
}

QByteArray ToBytes(REFCLSID clsid) { return QByteArray(reinterpret_cast<const char*>(&clsid), sizeof(CLSID)); }

CLSID FromBytes(const QByteArray& bytes) {
    CLSID clsid = GUID_NULL;
    if (bytes.size() == static_cast<qsizetype>(sizeof(CLSID))) std::memcpy(&clsid, bytes.constData(), sizeof(CLSID));
    return clsid;
}

// The plug-in list under the wait cursor, however the reading ends.
std::vector<CPluginRegistry::Plugin> EnumerateUnderWaitCursor(const CPluginRegistry& registry) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    struct Restore {
        ~Restore() { QApplication::restoreOverrideCursor(); }
    } restore;
    return registry.EnumeratePlugins();
}

}  // namespace

CSelectRendererDialog::CSelectRendererDialog(const std::vector<CPluginRegistry::Plugin>& plugins, QWidget* parent)
    : QDialog(parent), m_pList(new QListWidget), m_pButtons(new QDialogButtonBox) {
    setWindowTitle(Caption());
    setModal(true);
    m_pList->setObjectName(QStringLiteral("plugins"));
    m_pList->setSelectionMode(QAbstractItemView::SingleSelection);
    for (const CPluginRegistry::Plugin& plugin : plugins) {
        auto* item = new QListWidgetItem(QString::fromStdString(plugin.name), m_pList);
        item->setData(kClassIdRole, ToBytes(plugin.clsid));
    }
    m_pButtons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole)->setDefault(true);
    m_pButtons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    connect(m_pButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_pButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_pList, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        m_pList->setCurrentItem(item);
        accept();
    });
    // OK right away takes the first renderer rather than nothing.
    if (m_pList->count() > 0) {
        m_pList->setCurrentRow(0);
        m_pList->item(0)->setSelected(true);
    }
    auto* column = new QVBoxLayout(this);
    column->addWidget(m_pList);
    column->addWidget(m_pButtons);
    resize(360, 240);
}

CLSID CSelectRendererDialog::SelectedClassId() const {
    const QList<QListWidgetItem*> selected = m_pList->selectedItems();
    return selected.isEmpty() ? GUID_NULL : FromBytes(selected.front()->data(kClassIdRole).toByteArray());
}

bool CSelectRendererDialog::SelectClassId(REFCLSID clsid) {
    for (int row = 0; row < m_pList->count(); ++row) {
        QListWidgetItem* item = m_pList->item(row);
        if (FromBytes(item->data(kClassIdRole).toByteArray()) == clsid) {
            m_pList->setCurrentItem(item);
            item->setSelected(true);
            return true;
        }
    }
    return false;
}

QPushButton* CSelectRendererDialog::OkButton() const {
    for (QAbstractButton* b : m_pButtons->buttons())
        if (m_pButtons->buttonRole(b) == QDialogButtonBox::AcceptRole) return qobject_cast<QPushButton*>(b);
    return nullptr;
}

QPushButton* CSelectRendererDialog::CancelButton() const {
    for (QAbstractButton* b : m_pButtons->buttons())
        if (m_pButtons->buttonRole(b) == QDialogButtonBox::RejectRole) return qobject_cast<QPushButton*>(b);
    return nullptr;
}

SelectRendererHook SetSelectRendererHook(SelectRendererHook hook) {
    SelectRendererHook previous = std::move(Hook());
    Hook() = std::move(hook);
    return previous;
}

CLSID SelectRenderer(QWidget* parent, const CPluginRegistry& registry, RendererSelection* how) {
    RendererSelection ignored;
    if (!how) how = &ignored;
    const std::vector<CPluginRegistry::Plugin> plugins = EnumerateUnderWaitCursor(registry);
    if (plugins.empty()) {
        *how = RendererSelection::noneInstalled;
        return GUID_NULL;
    }
    CSelectRendererDialog dialog(plugins, parent);
    const int answer = Hook() ? Hook()(dialog) : dialog.exec();
    if (answer != QDialog::Accepted) {
        *how = RendererSelection::cancelled;
        return GUID_NULL;
    }
    const CLSID clsid = dialog.SelectedClassId();
    *how = clsid == GUID_NULL ? RendererSelection::noneSelected : RendererSelection::chosen;
    return clsid;
}

}  // namespace voxmill
