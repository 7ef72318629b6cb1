// The base of the workbench's views: a widget that observes one document.
// A view lives in a CChildFrame; the frame detaches it from its document
// before the widget goes away, so a view never sees a dead document.
#pragma once

#include <QList>
#include <QWidget>

#include "app/View.h"

class QMenu;

namespace voxmill {

class CWidgetView : public QWidget, public CView {
    Q_OBJECT

public:
    explicit CWidgetView(QWidget* parent = nullptr);
    ~CWidgetView() override;

    // The menus of the view's own document menu, shown between View and
    // Window while the view is active. A view without any gets the menu of
    // the main frame.
    virtual QList<QMenu*> DocumentMenus() const { return {}; }
    // The caption of the frame; the document's title by default.
    virtual QString FrameTitle() const;
    // The frame is about to detach the view from its document: let go of
    // everything that points into the document.
    virtual void OnDetach() {}
};

}  // namespace voxmill
