// A cut through a volume: a float image (CSurface) that also knows the axis
// it is perpendicular to and the coordinate of its plane along that axis,
// in world units (the centre of the voxel layer it came from).
//
// .slc record: the image record, then axis (uint32), position, the image's
// physical width and height (float64 each). Through the "Bitmap" template
// only the grey bitmap is written, and through the "Binary Matrix" template
// only the pixels, as for any float image.
#pragma once

#include <cstdint>
#include <string>

#include "imaging/Surface.h"

namespace voxmill {

class CArchive;
class CDib;

// The axis a slice is perpendicular to, as stored in files.
enum SliceAxis : std::uint32_t { kSliceAxisX = 0, kSliceAxisY = 1, kSliceAxisZ = 2 };

inline constexpr std::uint32_t kSliceAxisCount = 3;

// "X", "Y" or "Z"; "?" for a value that is no axis.
const char* SliceAxisLetter(std::uint32_t axis);

// The two grey-window sliders of an image view, 1 to 1000 each.
struct GreySliders {
    int width = 1000;
    int position = 499;
};

class CSlice : public CSurface {
    VOXMILL_DECLARE_SERIAL(CSlice)

public:
    // Bytes of what follows the image record.
    static constexpr std::uint64_t kTrailerBytes = 4 + 8 + 8 + 8;

    CSlice();
    ~CSlice() override;

    // Throws std::invalid_argument for an axis other than 0, 1 or 2.
    void SetAxisPosition(std::uint32_t axis, double position);
    std::uint32_t GetAxis() const { return m_axis; }
    double GetPosition() const { return m_position; }

    // "%s = %+.3f" with the axis letter and the position: "Z = -0.984".
    void GetDescription(std::string& description) override;

    void Serialize(CArchive& ar) override;
    void StoreRecord(CArchive& ar) const;
    // Throws CArchiveException for an axis that is none, and for extents
    // that disagree with the image record's (a damaged file).
    void LoadRecord(CArchive& ar);

    // "Windows Bitmap  (thresholded)": writes `shown`, the picture a view
    // shows through its grey window, as the slice's bitmap export. The
    // export bitmap is cleared again whatever happens. Throws on failure,
    // leaving an existing file as it was.
    void ExportShownBitmap(const std::string& path, const CDib& shown);
    // The same for the picture a view shows with its sliders at `sliders`
    // (after they moved): the full-range bitmap rewritten through the grey
    // window they give for this slice's value range. Throws
    // std::invalid_argument for slider values outside 1 to 1000.
    void ExportWindowedBitmap(const std::string& path, GreySliders sliders);

    bool OnNewDocument() override;
    void DeleteContents() override;

private:
    std::uint32_t m_axis = kSliceAxisX;
    double m_position = 0.0;
};

}  // namespace voxmill
