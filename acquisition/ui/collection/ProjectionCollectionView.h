// The projection collection window's view: the members as large icons
// (their cached 64 x 64 thumbnails) labelled with their cached
// descriptions, or as a details list that adds the "Angle (rad)" column,
// the member's angle on the orbit (atan2(x, z) of its source, 0 to 2 pi).
// The list is rebuilt on every update; reading it never loads a linked
// member. A double click loads the member and shows it in its projection
// window, which keeps it loaded while it is open.
//
// Commands: Import, "Sinogram Binary Matrix" and "Binary Matrix" (several
// raw files, one projection each); Export, "Sinogram Binary Matrix (IEEE
// Float)"; "Target". Cancel anywhere leaves the members as they were.
#pragma once

#include <QString>

#include "app/ui/WidgetView.h"

class QAction;
class QListView;
class QMenu;
class QStackedWidget;
class QStandardItemModel;
class QTreeView;

namespace voxmill {

class CChildFrame;
class CListElementStub;
class CProjectionCollection;

class CProjectionCollectionView : public CWidgetView {
    Q_OBJECT

public:
    enum Column { kDescriptionColumn = 0, kAngleColumn = 1 };
    static constexpr int kAngleColumnWidth = 64;
    static constexpr int kLargeIconSize = 64;

    explicit CProjectionCollectionView(QWidget* parent = nullptr);
    ~CProjectionCollectionView() override;

    CProjectionCollection* GetCollection() const;

    void OnUpdate(CView* sender, long hint, CObject* pHint) override;
    QList<QMenu*> DocumentMenus() const override;
    QSize sizeHint() const override;

    // The member's angle in radians as the list shows it ("%.4f"), or empty
    // when its source lies on the rotation axis.
    static QString AngleText(CListElementStub& stub);

    // Loads member `index` and shows it in a projection window (the one
    // already open, if any); null when it cannot be shown.
    CChildFrame* OpenMember(int index);

    void SetDetails(bool details);
    bool IsDetails() const;
    QStandardItemModel* Model() const { return m_pModel; }
    QListView* IconView() const { return m_pIcons; }
    QTreeView* DetailsView() const { return m_pDetails; }
    QAction* ImportSinogramAction() const { return m_pImportSinogram; }
    QAction* ImportBinaryMatrixAction() const { return m_pImportBinaryMatrix; }
    QAction* ExportSinogramAction() const { return m_pExportSinogram; }

public slots:
    void OnImportSinogram();
    void OnImportBinaryMatrix();
    void OnExportSinogram();
    void OnTarget();

private:
    void CreateViews();
    void CreateActions();
    void Rebuild();
    void UpdateCommandState();

    QStackedWidget* m_pStack;
    QListView* m_pIcons;
    QTreeView* m_pDetails;
    QStandardItemModel* m_pModel;
    QMenu* m_pProjectionsMenu;
    QMenu* m_pImportMenu;
    QMenu* m_pExportMenu;
    QAction* m_pImportSinogram = nullptr;
    QAction* m_pImportBinaryMatrix = nullptr;
    QAction* m_pExportSinogram = nullptr;
    QAction* m_pLargeIcons = nullptr;
    QAction* m_pDetailsAction = nullptr;
};

}  // namespace voxmill
