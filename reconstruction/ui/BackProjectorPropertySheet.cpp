#include "reconstruction/ui/BackProjectorPropertySheet.h"

#include <QSignalBlocker>

#include "app/ui/MessageBox.h"
#include "app/ui/PropertyPageX.h"
#include "reconstruction/ui/BackProjectorPropertyPage_Options.h"
#include "reconstruction/ui/BackProjectorPropertyPage_Renderer.h"
#include "reconstruction/ui/BackProjectorPropertyPage_Target.h"
#include "reconstruction/ui/BackProjectorPropertyPage_Volume.h"

namespace voxmill {

CBackProjectorPropertySheet::CBackProjectorPropertySheet(QWidget* parent)
    : QTabWidget(parent), m_pVolume(new CBackProjectorPropertyPage_Volume),
      m_pOptions(new CBackProjectorPropertyPage_Options), m_pTarget(new CBackProjectorPropertyPage_Target),
      m_pRenderer(new CBackProjectorPropertyPage_Renderer) {
    setWindowTitle(Caption());
    setObjectName(Caption());
    addTab(m_pVolume, CBackProjectorPropertyPage_Volume::Title());
    addTab(m_pOptions, CBackProjectorPropertyPage_Options::Title());
    addTab(m_pTarget, CBackProjectorPropertyPage_Target::Title());
    addTab(m_pRenderer, CBackProjectorPropertyPage_Renderer::Title());
    m_pActive = currentWidget();
    connect(this, &QTabWidget::currentChanged, this, &CBackProjectorPropertySheet::OnCurrentChanged);
}

bool CBackProjectorPropertySheet::ValidatePage(QWidget* page) {
    if (page != m_pVolume) return true;
    QString message;
    QWidget* field = nullptr;
    if (m_pVolume->Validate(&message, &field)) return true;
    // The page stays in front until its fields are right.
    if (currentWidget() != page) {
        const QSignalBlocker block(this);
        setCurrentWidget(page);
    }
    ShowMessageBox(this, QMessageBox::Warning, message);
    if (field) field->setFocus();
    return false;
}

void CBackProjectorPropertySheet::OnCurrentChanged(int index) {
    QWidget* next = widget(index);
    if (next == m_pActive) return;
    QWidget* previous = m_pActive;
    if (previous && !ValidatePage(previous)) return;
    if (auto* page = qobject_cast<CPropertyPageX*>(previous)) page->OnKillActive();
    m_pActive = next;
    if (auto* page = qobject_cast<CPropertyPageX*>(next)) page->OnSetActive();
}

bool CBackProjectorPropertySheet::ValidateActivePage() { return ValidatePage(currentWidget()); }

CBackProjector::VolumeSize CBackProjectorPropertySheet::Values() const { return m_pVolume->Values(); }

std::vector<CPropertyPageX*> CBackProjectorPropertySheet::RendererPages() const {
    std::vector<CPropertyPageX*> pages;
    for (int i = 0; i < count(); ++i)
        if (auto* page = qobject_cast<CPropertyPageX*>(widget(i))) pages.push_back(page);
    return pages;
}

void CBackProjectorPropertySheet::RemoveRendererPages() {
    const std::vector<CPropertyPageX*> pages = RendererPages();
    if (pages.empty()) return;
    // Leave the renderer's pages before they go, so that none is removed
    // while it is the one shown.
    if (qobject_cast<CPropertyPageX*>(currentWidget())) setCurrentWidget(m_pRenderer);
    for (CPropertyPageX* page : pages) {
        removeTab(indexOf(page));
        if (m_pActive == page) m_pActive = currentWidget();
        delete page;
    }
    updateGeometry();
}

int CBackProjectorPropertySheet::AddRendererPages(const CBackProjector& doc, const CPluginRegistry& registry) {
    int added = 0;
    for (const CLSID& pageClass : doc.GetRendererPageIds()) {
        IPropertyPage* page = doc.CreateRendererPage(pageClass, registry);
        if (!page) continue;  // reported by the host
        auto* wrapper = new CPropertyPageX(page);
        addTab(wrapper, wrapper->Title());
        setCurrentWidget(wrapper);
        wrapper->ActivatePage();
        ++added;
    }
    if (added) updateGeometry();
    return added;
}

void CBackProjectorPropertySheet::ApplyRendererPages() {
    for (CPropertyPageX* page : RendererPages()) page->Apply();
}

}  // namespace voxmill
