// The slices of one volume cut along one axis: a target (type code 102)
// whose entries are CListElementStub records, each owning a CSlice, in the
// order they were made (the first at the largest coordinate). Slices are
// tied to the "Slice" template, so windows opened on them are slice
// windows, and have auto-delete cleared: closing a slice's last window
// leaves it in the collection.
//
// .sls record: the target record, the axis (uint32), a count, then one
// entry reference per slice (the slice written inside its entry, or the
// path of its own .slc file for a linked entry).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/Target.h"

namespace voxmill {

class CDocTemplate;
class CListElementStub;
class CSlice;
struct GreySliders;

class CSliceCollection : public CTarget {
    VOXMILL_DECLARE_SERIAL(CSliceCollection)

public:
    CSliceCollection();
    ~CSliceCollection() override;

    std::uint16_t GetTargetType() const override { return kTargetSliceCollection; }

    // The "Slice" template every slice is tied to (without entering its
    // document list); set once by the application.
    static void SetSliceTemplate(CDocTemplate* pTemplate);
    static CDocTemplate* GetSliceTemplate();

    // Throws std::invalid_argument for an axis other than 0, 1 or 2.
    void SetAxis(std::uint32_t axis);
    std::uint32_t GetAxis() const { return m_axis; }

    // Appends an entry holding a new empty slice (tied to the Slice
    // template, initialised as a new document); null when no slice can be
    // had.
    CListElementStub* AddSlice();
    std::size_t GetCount() const { return m_entries.size(); }
    CListElementStub* GetEntry(std::size_t index) const;
    std::vector<CListElementStub*> GetMemberStubs() const override;
    // The entry's slice (loaded or not), or null.
    CSlice* GetSlice(std::size_t index) const;

    // The entry's text in lists: its cached description, computed from the
    // slice when missing. A linked slice whose file cannot be read gives
    // "n/a" and caches nothing, so the text is right once the file is back.
    std::string EntryDescription(std::size_t index);

    // Closes and deletes every slice, then every entry.
    void DeleteContents() override;
    bool OnNewDocument() override;

    void Serialize(CArchive& ar) override;
    void StoreRecord(CArchive& ar);
    void LoadRecord(CArchive& ar);

    // The full-range grey bitmap of slice `index`, or with `sliders` the
    // picture a view shows with its sliders there. Throws std::out_of_range
    // for an index past the end, and when the slice cannot be read or has
    // no image; an existing file stays as it was.
    void ExportSliceBitmap(std::size_t index, const std::string& path, const GreySliders* sliders = nullptr);
    // Every slice's bitmap into `folder` (created when missing) as
    // slice-000.bmp, slice-001.bmp, ... in entry order, the numbers padded
    // to the width of the last index. Returns the paths written; throws on
    // the first slice that cannot be written.
    std::vector<std::string> ExportSliceBitmaps(const std::string& folder, const GreySliders* sliders = nullptr);
    // The file name ExportSliceBitmaps gives slice `index` of `count`.
    static std::string BitmapFileName(std::size_t index, std::size_t count);

private:
    static std::unique_ptr<CSlice> MakeSlice();
    void RemoveEntry(std::size_t index);

    std::vector<std::unique_ptr<CListElementStub>> m_entries;
    std::uint32_t m_axis = 0;
};

}  // namespace voxmill
