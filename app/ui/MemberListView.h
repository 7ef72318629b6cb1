// The window of a collection document (projections, slices, slides): the
// members as large icons (their cached 64 x 64 thumbnails) labelled with
// their descriptions, or as a details list with the collection's report
// columns; a double click loads a member and shows it in its own window
// (the one already open, if any), which keeps it loaded while it is open.
// The list is rebuilt on every update and never loads a linked member to
// draw itself.
//
// The members menu holds "Add <member>", "Remove Selected", "Remove All"
// (enabled only for kinds that edit their members), "Large Icons" /
// "Details" and "Target". A derived view names the collection's kind in a
// Style and answers the member hooks; it may put menus of its own (Import,
// Export, ...) before the members menu.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <vector>

#include "app/ui/WidgetView.h"

class QAction;
class QListView;
class QMenu;
class QStackedWidget;
class QStandardItem;
class QStandardItemModel;
class QTreeView;

namespace voxmill {

class CChildFrame;
class CDocTemplate;
class CDocument;
class CListElementStub;

class CMemberListView : public CWidgetView {
    Q_OBJECT

public:
    static constexpr int kLargeIconSize = 64;
    static constexpr unsigned kTargetTemplate = 138;

    struct Style {
        QString menuTitle;         // "Projections"
        QString addText;           // "Add Projection"
        QStringList columns;       // header labels; the first is the description
        std::vector<int> widths;   // of every column
        int detailsIconSize = 32;  // icons of the details list
        int gridMargin = 64;       // added to the icon size for the icon grid
        QString objectPrefix;      // names the lists "<prefix>Icons", "<prefix>Details"
        QString memberNoun;        // "projection", in messages
        unsigned memberTemplate;   // resource of the member's window
    };

    explicit CMemberListView(Style style, QWidget* parent = nullptr);
    ~CMemberListView() override;

    void OnUpdate(CView* sender, long hint, CObject* pHint) override;
    QList<QMenu*> DocumentMenus() const override;
    QSize sizeHint() const override;

    // Loads member `index` and shows it in its window; null when it cannot.
    CChildFrame* OpenMember(int index);
    // Rows selected in the list, ascending.
    std::vector<std::size_t> SelectedMembers() const;

    void SetDetails(bool details);
    bool IsDetails() const;
    QStandardItemModel* Model() const { return m_pModel; }
    QListView* IconView() const { return m_pIcons; }
    QTreeView* DetailsView() const { return m_pDetails; }
    QMenu* MembersMenu() const { return m_pMembersMenu; }
    QAction* AddAction() const { return m_pAdd; }
    QAction* RemoveSelectedAction() const { return m_pRemoveSelected; }
    QAction* RemoveAllAction() const { return m_pRemoveAll; }

    // The orbit angle atan2(x, z) of a source position in radians, 0 to
    // 2 pi, as "%.4f"; empty on the rotation axis.
    static QString OrbitAngleText(double x, double z);

public slots:
    void OnTarget();
    void OnAddMember();
    void OnRemoveSelected();
    void OnRemoveAll();

protected:
    // --- the member hooks ---
    virtual std::size_t MemberCount() const = 0;
    virtual CListElementStub* Member(std::size_t index) const = 0;
    // The member's document once loaded (the window shows it), or null.
    virtual CDocument* MemberDocument(std::size_t index) const = 0;
    // Column 0's text: the cached description unless overridden.
    virtual QString MemberText(std::size_t index) const;
    // The texts of the columns after the first.
    virtual QStringList MemberColumns(std::size_t /*index*/) const { return {}; }
    // Menus before the members menu.
    virtual QList<QMenu*> CommandMenus() const { return {}; }
    // Member editing; kinds that do not edit their members leave the entries off.
    virtual bool EditsMembers() const { return false; }
    virtual void AddMember() {}
    virtual void RemoveMembers(const std::vector<std::size_t>& /*indices*/) {}
    virtual void RemoveAllMembers() {}
    // Enables the derived view's own commands after every rebuild.
    virtual void UpdateCommandState() {}

    CDocTemplate* FindTemplate(unsigned resourceId) const;

private:
    void CreateViews();
    void CreateActions();
    void Rebuild();
    void UpdateMemberCommands();

    Style m_style;
    QStackedWidget* m_pStack;
    QListView* m_pIcons;
    QTreeView* m_pDetails;
    QStandardItemModel* m_pModel;
    QMenu* m_pMembersMenu;
    QAction* m_pAdd = nullptr;
    QAction* m_pRemoveSelected = nullptr;
    QAction* m_pRemoveAll = nullptr;
    QAction* m_pLargeIcons = nullptr;
    QAction* m_pDetailsAction = nullptr;
};

}  // namespace voxmill
