// The "New" prompt of File, New when several document kinds are offered:
// one line per registered kind, in the order offered.
#pragma once

#include <QDialog>
#include <QStringList>
#include <functional>

class QListWidget;

namespace voxmill {

class CNewTypeDlg : public QDialog {
    Q_OBJECT

public:
    CNewTypeDlg(const QStringList& kinds, QWidget* parent = nullptr);

    QStringList Kinds() const;
    int SelectedIndex() const;
    void Select(int index);

private:
    QListWidget* m_pList;
};

// How File, New asks: through the dialog, or through a hook a test
// installs (it returns the chosen index, -1 for Cancel).
using NewKindHook = std::function<int(const QStringList& kinds)>;
NewKindHook SetNewKindHook(NewKindHook hook);
int ChooseNewKind(QWidget* parent, const QStringList& kinds);

}  // namespace voxmill
