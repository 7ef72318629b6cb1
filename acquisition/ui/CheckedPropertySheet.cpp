#include "acquisition/ui/CheckedPropertySheet.h"

#include "acquisition/ui/ProjectorPropertyPage.h"
#include "app/ui/MessageBox.h"

namespace voxmill {

CCheckedPropertySheet::CCheckedPropertySheet(QWidget* parent) : QTabWidget(parent) {
    setWindowTitle(Caption());
    setObjectName(Caption());
    // Every tab stays in sight: the sheet is as wide as its tab row.
    setUsesScrollButtons(false);
    connect(this, &QTabWidget::currentChanged, this, &CCheckedPropertySheet::OnCurrentChanged);
}

bool CCheckedPropertySheet::ValidatePage(int index) {
    auto* page = dynamic_cast<CProjectorPropertyPage*>(widget(index));
    if (!page) return true;
    QString message;
    QWidget* field = nullptr;
    if (page->Validate(&message, &field)) return true;
    // The page stays in front until its field is right.
    if (currentIndex() != index) {
        const QSignalBlocker block(this);
        setCurrentIndex(index);
    }
    ShowMessageBox(this, QMessageBox::Warning, message);
    if (field) field->setFocus();
    return false;
}

void CCheckedPropertySheet::OnCurrentChanged(int index) {
    if (index == m_nActive) return;
    if (ValidatePage(m_nActive)) m_nActive = index;
}

bool CCheckedPropertySheet::ValidateActivePage() { return ValidatePage(currentIndex()); }

}  // namespace voxmill
