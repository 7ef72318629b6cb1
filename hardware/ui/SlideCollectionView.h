// The slide collection (cine) window's view: the member list with large
// 64 x 64 icons and the "Angle (rad)" column, 64 pixels wide; a double
// click opens the slide in its 8-bit image window.
//
// Commands: Import, "Cine Binary Matrix" (one raw file of frames back to
// back, with "Units" frames) and "Binary Matrix" (several raw files, one
// linked slide each, posed on the full circle); Export, "Cine Binary Matrix
// (Unsigned Byte)" and "Cine Windows AVI"; "Generate Projections" against a
// reference cine file; "Slides" with "Add Slide", "Remove Selected", "Remove
// All", the list modes and "Target". Cancel anywhere changes nothing; a
// failure says why.
#pragma once

#include <QString>
#include <QStringList>

#include "app/ui/MemberListView.h"

class QAction;
class QMenu;

namespace voxmill {

class CSlideCollection;

class CSlideCollectionView : public CMemberListView {
    Q_OBJECT

public:
    enum Column { kDescriptionColumn = 0, kAngleColumn = 1 };
    static constexpr int kAngleColumnWidth = 64;
    static constexpr unsigned kSlideTemplate = 147;

    explicit CSlideCollectionView(QWidget* parent = nullptr);
    ~CSlideCollectionView() override;

    CSlideCollection* GetCollection() const;

    // The commands with their files chosen (the prompts' part done); each
    // reports a failure itself and returns false.
    bool ImportRawFiles(const QStringList& files);
    bool ExportCine(const QString& path);
    bool ExportAvi(const QString& path);
    // The new projection collection's window, or null after saying why.
    // `linkedPath` is asked for only when the cine's first slide is linked.
    CChildFrame* GenerateProjections(const QString& referencePath, const QString& linkedPath = {});

    QAction* ImportCineAction() const { return m_pImportCine; }
    QAction* ImportBinaryMatrixAction() const { return m_pImportBinaryMatrix; }
    QAction* ExportCineAction() const { return m_pExportCine; }
    QAction* ExportAviAction() const { return m_pExportAvi; }
    QAction* GenerateProjectionsAction() const { return m_pGenerateProjections; }

public slots:
    void OnImportCine();
    void OnImportBinaryMatrix();
    void OnExportCine();
    void OnExportAvi();
    void OnGenerateProjections();

protected:
    std::size_t MemberCount() const override;
    CListElementStub* Member(std::size_t index) const override;
    CDocument* MemberDocument(std::size_t index) const override;
    QStringList MemberColumns(std::size_t index) const override;
    QList<QMenu*> CommandMenus() const override { return {m_pImportMenu, m_pExportMenu, m_pCineMenu}; }
    bool EditsMembers() const override { return true; }
    void AddMember() override;
    void RemoveMembers(const std::vector<std::size_t>& indices) override;
    void RemoveAllMembers() override;
    void UpdateCommandState() override;

private:
    void CreateActions();
    void Warn(const QString& text);

    QMenu* m_pImportMenu;
    QMenu* m_pExportMenu;
    QMenu* m_pCineMenu;
    QAction* m_pImportCine = nullptr;
    QAction* m_pImportBinaryMatrix = nullptr;
    QAction* m_pExportCine = nullptr;
    QAction* m_pExportAvi = nullptr;
    QAction* m_pGenerateProjections = nullptr;
};

}  // namespace voxmill
