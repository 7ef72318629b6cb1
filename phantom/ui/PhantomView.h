// The phantom window: the element list in report style ("Element",
// "Center", "Mu"), with the "Elements" menu: "Add Ellipsoid", "Add
// Truncated Cylinder", "Remove Selected", "Remove All" (no action, so it
// stays disabled) and "Target" (show the phantom in the target view). A
// double click on a row opens the element's editing window. Adding or
// removing an element marks the phantom modified and updates its other
// windows.
#pragma once

#include "app/ui/WidgetView.h"

class QAction;
class QMenu;
class QModelIndex;
class QTreeView;

namespace voxmill {

class CPhantom;
class CPhantomElement;
class CPhantomElementListModel;
class CRuntimeClass;

class CPhantomView : public CWidgetView {
    Q_OBJECT

public:
    explicit CPhantomView(QWidget* parent = nullptr);
    ~CPhantomView() override;

    CPhantom* GetPhantom() const;
    QList<QMenu*> DocumentMenus() const override;
    void OnInitialUpdate() override;
    void OnUpdate(CView* sender, long hint, CObject* pHint) override;
    void OnDetach() override;
    QSize sizeHint() const override;

    QTreeView* List() const { return m_pList; }
    CPhantomElementListModel* Model() const { return m_pModel; }
    QAction* AddEllipsoidAction() const { return m_pAddEllipsoid; }
    QAction* AddCylinderAction() const { return m_pAddCylinder; }
    QAction* RemoveSelectedAction() const { return m_pRemoveSelected; }
    QAction* RemoveAllAction() const { return m_pRemoveAll; }
    QAction* TargetAction() const { return m_pTarget; }

public slots:
    void OnAddEllipsoid();
    void OnAddCylinder();
    void OnRemoveSelected();
    void OnTarget();
    // Opens the editing window of the first selected row's element.
    void OnOpenElement();

private:
    void CreateActions();
    void CreateImageList();
    void SetUpColumns();
    void AddElement(const CRuntimeClass* cls);
    int FirstSelectedRow() const;

    QTreeView* m_pList;
    CPhantomElementListModel* m_pModel;
    QMenu* m_pMenu;
    QAction* m_pAddEllipsoid = nullptr;
    QAction* m_pAddCylinder = nullptr;
    QAction* m_pRemoveSelected = nullptr;
    QAction* m_pRemoveAll = nullptr;
    QAction* m_pTarget = nullptr;
    bool m_bColumnsSet = false;
};

}  // namespace voxmill
