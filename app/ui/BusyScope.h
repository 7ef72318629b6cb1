// An operator run's state on screen: its run button disabled and the wait
// cursor shown, both undone however the run ends.
#pragma once

#include <QApplication>
#include <QPushButton>

namespace voxmill {

class BusyScope {
public:
    explicit BusyScope(QPushButton* button) : m_pButton(button) {
        m_pButton->setEnabled(false);
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~BusyScope() {
        QApplication::restoreOverrideCursor();
        m_pButton->setEnabled(true);
    }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    QPushButton* m_pButton;
};

}  // namespace voxmill
