// The slice collection window's view: the slices as large icons (their
// cached 64 x 64 thumbnails) labelled with their descriptions ("Z =
// -0.984"), in creation order, or as a details list whose one column is
// "Axis", 64 pixels wide, with the same thumbnails. The list is rebuilt on every update; a double
// click loads the slice and shows it in a slice window (the one already
// open, if any). Closing that window leaves the slice in the collection.
//
// Commands: "Slices" menu with "Add Slice", "Remove Selected" and "Remove
// All" (shown, never enabled: this kind gives them no action), "Large
// Icons" / "Details", and "Target".
#pragma once

#include "app/ui/WidgetView.h"

class QAction;
class QListView;
class QMenu;
class QStackedWidget;
class QStandardItemModel;
class QTreeView;

namespace voxmill {

class CChildFrame;
class CSliceCollection;

class CSliceCollectionView : public CWidgetView {
    Q_OBJECT

public:
    static constexpr unsigned kSliceTemplate = 137;
    static constexpr unsigned kTargetTemplate = 138;
    static constexpr int kAxisColumnWidth = 64;
    // Both image lists, large icons and details, hold the entries' thumbnails.
    static constexpr int kThumbnailSize = 64;

    explicit CSliceCollectionView(QWidget* parent = nullptr);
    ~CSliceCollectionView() override;

    CSliceCollection* GetCollection() const;

    void OnUpdate(CView* sender, long hint, CObject* pHint) override;
    QList<QMenu*> DocumentMenus() const override;
    QSize sizeHint() const override;

    // Loads slice `index` and shows it in a slice window; null when it
    // cannot be shown.
    CChildFrame* OpenSlice(int index);

    void SetDetails(bool details);
    bool IsDetails() const;
    QStandardItemModel* Model() const { return m_pModel; }
    QListView* IconView() const { return m_pIcons; }
    QTreeView* DetailsView() const { return m_pDetails; }
    QMenu* SlicesMenu() const { return m_pSlicesMenu; }

public slots:
    void OnTarget();

private:
    void CreateViews();
    void CreateActions();
    void Rebuild();
    class CDocTemplate* FindTemplate(unsigned resourceId) const;

    QStackedWidget* m_pStack;
    QListView* m_pIcons;
    QTreeView* m_pDetails;
    QStandardItemModel* m_pModel;
    QMenu* m_pSlicesMenu;
    QAction* m_pLargeIcons = nullptr;
    QAction* m_pDetailsAction = nullptr;
};

}  // namespace voxmill
