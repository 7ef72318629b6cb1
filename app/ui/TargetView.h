// The target window's view: the target document's icon bitmap in an
// 80 x 80 scroll area, draggable onto operators, with the commands
// "Change icon..." (a ".bmp" file) and "Document" (back to the document's
// own window).
#pragma once

#include "app/ui/WidgetView.h"

class QAction;
class QMenu;
class QScrollArea;

namespace voxmill {

class CTarget;
class CTargetIconCanvas;

class CTargetView : public CWidgetView {
    Q_OBJECT

public:
    explicit CTargetView(QWidget* parent = nullptr);
    ~CTargetView() override;

    CTarget* GetTarget() const;
    QList<QMenu*> DocumentMenus() const override;
    void OnUpdate(CView* sender, long hint, CObject* pHint) override;
    QSize sizeHint() const override;

    QAction* ChangeIconAction() const { return m_pChangeIcon; }
    QAction* DocumentAction() const { return m_pDocument; }

public slots:
    void OnChangeIcon();
    void OnDocument();

private:
    void CreateActions();

    QScrollArea* m_pScroll;
    CTargetIconCanvas* m_pCanvas;
    QMenu* m_pMenu;
    QAction* m_pChangeIcon;
    QAction* m_pDocument;
};

}  // namespace voxmill
