// The backprojector's property sheet ("Property Sheet"): the pages
// "Volume geometry", "General Options", "Target" and "Renderer", in that
// order, followed by the hosted renderer's own pages, each wrapped in a
// CPropertyPageX. The Volume page cannot be left while a field does not
// parse: changing tabs checks it, shows the message and stays on it.
// Leaving a renderer page applies it and hides the plug-in's window;
// entering it shows the window again. The sheet owns every page it holds,
// the renderer's included.
#pragma once

#include <QPointer>
#include <QTabWidget>
#include <vector>

#include "reconstruction/BackProjector.h"

namespace voxmill {

class CBackProjector;
class CBackProjectorPropertyPage_Options;
class CBackProjectorPropertyPage_Renderer;
class CBackProjectorPropertyPage_Target;
class CBackProjectorPropertyPage_Volume;
class CPluginRegistry;
class CPropertyPageX;

class CBackProjectorPropertySheet : public QTabWidget {
    Q_OBJECT

public:
    enum Page { kVolumePage, kOptionsPage, kTargetPage, kRendererPage, kFirstRendererPage };
    static QString Caption() { return QStringLiteral("Property Sheet"); }

    explicit CBackProjectorPropertySheet(QWidget* parent = nullptr);

    // Checks the active page; false, after showing the message, on a field
    // that does not parse.
    bool ValidateActivePage();
    // The geometry the Volume page accepted.
    CBackProjector::VolumeSize Values() const;

    // The renderer's pages, in sheet order.
    std::vector<CPropertyPageX*> RendererPages() const;
    // Removes and destroys every page that wraps a renderer page.
    void RemoveRendererPages();
    // One wrapped page per page class the held renderer lists, each added,
    // made active, activated in its client rectangle and shown; a page
    // that cannot be created is left out. Returns how many were added.
    int AddRendererPages(const CBackProjector& doc, const CPluginRegistry& registry);
    // Applies the renderer pages' pending changes.
    void ApplyRendererPages();

    CBackProjectorPropertyPage_Volume* VolumePage() const { return m_pVolume; }
    CBackProjectorPropertyPage_Options* OptionsPage() const { return m_pOptions; }
    CBackProjectorPropertyPage_Target* TargetPage() const { return m_pTarget; }
    CBackProjectorPropertyPage_Renderer* RendererPage() const { return m_pRenderer; }

private:
    void OnCurrentChanged(int index);
    bool ValidatePage(QWidget* page);

    CBackProjectorPropertyPage_Volume* m_pVolume;
    CBackProjectorPropertyPage_Options* m_pOptions;
    CBackProjectorPropertyPage_Target* m_pTarget;
    CBackProjectorPropertyPage_Renderer* m_pRenderer;
    // The page last entered; tracked by pointer since renderer pages come
    // and go.
    QPointer<QWidget> m_pActive;
};

}  // namespace voxmill
