// A property sheet whose field pages (CProjectorPropertyPage) are checked
// when they are left: a page with a field out of range stays in front,
// shows the standard range message and puts the focus on that field.
// Pages of other kinds (Target, Options) are never held back.
#pragma once

#include <QTabWidget>

namespace voxmill {

class CProjectorPropertyPage;

class CCheckedPropertySheet : public QTabWidget {
    Q_OBJECT

public:
    static QString Caption() { return QStringLiteral("Property Sheet"); }

    explicit CCheckedPropertySheet(QWidget* parent = nullptr);

    // Checks the active page (the others hold what they accepted when they
    // were left); false, after showing the range message, on a bad field.
    bool ValidateActivePage();

private:
    void OnCurrentChanged(int index);
    bool ValidatePage(int index);

    int m_nActive = 0;
};

}  // namespace voxmill
