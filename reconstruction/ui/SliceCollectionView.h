// The slice collection window's view: the slices as large icons (their
// cached 64 x 64 thumbnails) labelled with their descriptions ("Z =
// -0.984"), in creation order, or as a details list whose one column is
// "Axis", 64 pixels wide, with the same thumbnails; a double click shows
// the slice in a slice window. Closing that window leaves the slice in the
// collection.
//
// Commands: "Slices" menu with "Add Slice", "Remove Selected" and "Remove
// All" (shown, never enabled: this kind gives them no action), "Large
// Icons" / "Details", and "Target".
#pragma once

#include "app/ui/MemberListView.h"

namespace voxmill {

class CSliceCollection;

class CSliceCollectionView : public CMemberListView {
    Q_OBJECT

public:
    static constexpr unsigned kSliceTemplate = 137;
    static constexpr int kAxisColumnWidth = 64;
    // Both image lists, large icons and details, hold the entries' thumbnails.
    static constexpr int kThumbnailSize = 64;

    explicit CSliceCollectionView(QWidget* parent = nullptr);
    ~CSliceCollectionView() override;

    CSliceCollection* GetCollection() const;

    // Loads slice `index` and shows it in a slice window; null when it
    // cannot be shown.
    CChildFrame* OpenSlice(int index) { return OpenMember(index); }
    QMenu* SlicesMenu() const { return MembersMenu(); }
    QMenu* ExportMenu() const { return m_pExportMenu; }
    // The whole collection as one HDF5 or TIFF stack.
    class CStackExportMenu* StackExports() const { return m_pStackExports; }

protected:
    std::size_t MemberCount() const override;
    CListElementStub* Member(std::size_t index) const override;
    CDocument* MemberDocument(std::size_t index) const override;
    QString MemberText(std::size_t index) const override;
    QList<QMenu*> CommandMenus() const override { return {m_pExportMenu}; }
    void UpdateCommandState() override;

private:
    QMenu* m_pExportMenu;
    class CStackExportMenu* m_pStackExports = nullptr;
};

}  // namespace voxmill
