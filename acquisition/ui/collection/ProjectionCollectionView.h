// The projection collection window's view: the member list (large icons
// or details) with the "Angle (rad)" column, the member's angle on the
// orbit (atan2(x, z) of its source, 0 to 2 pi); a double click shows the
// projection in its window.
//
// Commands: Import, "Sinogram Binary Matrix" and "Binary Matrix" (several
// raw files, one projection each); Export, "Sinogram Binary Matrix (IEEE
// Float)"; "Target". Cancel anywhere leaves the members as they were.
#pragma once

#include <QString>

#include "app/ui/MemberListView.h"

class QAction;
class QMenu;

namespace voxmill {

class CListElementStub;
class CProjectionCollection;

class CProjectionCollectionView : public CMemberListView {
    Q_OBJECT

public:
    enum Column { kDescriptionColumn = 0, kAngleColumn = 1 };
    static constexpr int kAngleColumnWidth = 64;

    explicit CProjectionCollectionView(QWidget* parent = nullptr);
    ~CProjectionCollectionView() override;

    CProjectionCollection* GetCollection() const;

    // The member's angle in radians as the list shows it ("%.4f"), or empty
    // when its source lies on the rotation axis.
    static QString AngleText(CListElementStub& stub);

    QAction* ImportSinogramAction() const { return m_pImportSinogram; }
    QAction* ImportBinaryMatrixAction() const { return m_pImportBinaryMatrix; }
    QAction* ExportSinogramAction() const { return m_pExportSinogram; }
    // The projections and their geometry as HDF5, the images as a TIFF stack.
    class CStackExportMenu* StackExports() const { return m_pStackExports; }

public slots:
    void OnImportSinogram();
    void OnImportBinaryMatrix();
    void OnExportSinogram();

protected:
    std::size_t MemberCount() const override;
    CListElementStub* Member(std::size_t index) const override;
    CDocument* MemberDocument(std::size_t index) const override;
    QStringList MemberColumns(std::size_t index) const override;
    QList<QMenu*> CommandMenus() const override { return {m_pImportMenu, m_pExportMenu}; }
    void UpdateCommandState() override;

private:
    void CreateActions();

    QMenu* m_pImportMenu;
    QMenu* m_pExportMenu;
    QAction* m_pImportSinogram = nullptr;
    QAction* m_pImportBinaryMatrix = nullptr;
    QAction* m_pExportSinogram = nullptr;
    class CStackExportMenu* m_pStackExports = nullptr;
};

}  // namespace voxmill
