// "Select an ActiveX Voxmill Plugin": the modal chooser of the renderer
// plug-ins installed, one list of their display names in enumeration order
// (each item carrying its class identifier) with "OK" and "Cancel", the
// first item selected when it opens. OK, or a double click on a name,
// answers the selected class; Cancel answers the null GUID, and so does OK
// with nothing selected.
//
// SelectRenderer runs the whole discovery: it reads the plug-in category
// under the wait cursor and shows no dialog when nothing is installed. The
// dialog goes through a hook, so that tests answer it instead of a user.
#pragma once

#include <QDialog>
#include <functional>
#include <vector>

#include "reconstruction/PluginRegistry.h"

class QDialogButtonBox;
class QListWidget;
class QPushButton;

namespace voxmill {

class CSelectRendererDialog : public QDialog {
    Q_OBJECT

public:
    static QString Caption() { return QStringLiteral("Select an ActiveX Voxmill Plugin"); }

    explicit CSelectRendererDialog(const std::vector<CPluginRegistry::Plugin>& plugins, QWidget* parent = nullptr);

    // The class of the selected item; GUID_NULL when none is selected.
    CLSID SelectedClassId() const;
    // Selects the item of that class; false when the list has none.
    bool SelectClassId(REFCLSID clsid);

    QListWidget* List() const { return m_pList; }
    QPushButton* OkButton() const;
    QPushButton* CancelButton() const;

private:
    QListWidget* m_pList;
    QDialogButtonBox* m_pButtons;
};

// Answers the dialog in place of exec(): QDialog::Accepted or Rejected.
using SelectRendererHook = std::function<int(CSelectRendererDialog& dialog)>;
// Installs a hook and returns the previous one (null: the real dialog).
SelectRendererHook SetSelectRendererHook(SelectRendererHook hook);

// How the choice ended, for the caller to say so.
enum class RendererSelection { chosen, cancelled, noneInstalled, noneSelected };

// Discovery and choice: the plug-ins of the registry and, when there is
// at least one, the dialog. The chosen class, or GUID_NULL when nothing is
// installed, on Cancel, or with nothing selected; *how (optional) says which.
CLSID SelectRenderer(QWidget* parent, const CPluginRegistry& registry, RendererSelection* how = nullptr);

}  // namespace voxmill
