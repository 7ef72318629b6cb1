#include "reconstruction/Slice.h"

#include <cstdio>
#include <stdexcept>

#include "app/archive/Archive.h"
#include "imaging/GreyMap.h"
#include "imaging/dib/Dib.h"

namespace voxmill {
namespace {

void CheckAxis(std::uint32_t axis) {
    if (axis >= kSliceAxisCount)
        throw std::invalid_argument("slice axis " + std::to_string(axis) + " is none of X (0), Y (1), Z (2)");
}

// Clears the surface's export bitmap when the export is over, also when it threw.
class ExportBitmapScope {
public:
    ExportBitmapScope(CSurface& surface, const CDib& bitmap) : m_surface(surface) { surface.SetExportBitmap(&bitmap); }
    ~ExportBitmapScope() { m_surface.SetExportBitmap(nullptr); }
    ExportBitmapScope(const ExportBitmapScope&) = delete;
    ExportBitmapScope& operator=(const ExportBitmapScope&) = delete;

private:
    CSurface& m_surface;
};

}  // namespace

const char* SliceAxisLetter(std::uint32_t axis) {
    switch (axis) {
        case kSliceAxisX: return "X";
        case kSliceAxisY: return "Y";
        case kSliceAxisZ: return "Z";
        default: return "?";
    }
}

VOXMILL_IMPLEMENT_SERIAL(CSlice, CSurface, 1)

CSlice::CSlice() = default;

CSlice::~CSlice() = default;

void CSlice::SetAxisPosition(std::uint32_t axis, double position) {
    CheckAxis(axis);
    m_axis = axis;
    m_position = position;
}

void CSlice::GetDescription(std::string& description) {
    char text[64];
    std::snprintf(text, sizeof text, "%s = %+.3f", SliceAxisLetter(m_axis), m_position);
    description = text;
}

void CSlice::Serialize(CArchive& ar) {
    if (GetStorageFormat() != StorageFormat::native) {
        CSurface::Serialize(ar);
        return;
    }
    if (ar.IsStoring())
        StoreRecord(ar);
    else
        LoadRecord(ar);
}

void CSlice::StoreRecord(CArchive& ar) const {
    StoreNative(ar);
    ar.WriteDword(m_axis);
    ar.WriteDouble(m_position);
    ar.WriteDouble(GetDimX());
    ar.WriteDouble(GetDimY());
}

void CSlice::LoadRecord(CArchive& ar) {
    LoadNative(ar);
    // All four fields or none, so a short file leaves axis and position alone.
    ar.Require(kTrailerBytes, "slice axis, position and extents");
    const std::uint32_t axis = ar.ReadDword();
    const double position = ar.ReadDouble();
    const double dimX = ar.ReadDouble();
    const double dimY = ar.ReadDouble();
    if (axis >= kSliceAxisCount)
        ar.Fail(CArchiveException::generic, "slice axis " + std::to_string(axis) + " is none of X, Y, Z");
    // The extents repeat the image record's; pixels laid out on another
    // grid than the one the file states cannot be trusted.
    if (HasPixels() && (dimX != GetDimX() || dimY != GetDimY())) {
        char text[160];
        std::snprintf(text, sizeof text, "slice extents %g x %g disagree with the image's %g x %g", dimX, dimY,
                      GetDimX(), GetDimY());
        ar.Fail(CArchiveException::generic, text);
    }
    m_axis = axis;
    m_position = position;
}

void CSlice::ExportShownBitmap(const std::string& path, const CDib& shown) {
    ExportBitmapScope scope(*this, shown);
    ExportBitmap(path);
}

void CSlice::ExportWindowedBitmap(const std::string& path, GreySliders sliders) {
    for (int value : {sliders.width, sliders.position})
        if (value < 1 || value > kGreyWindowSliderMax)
            throw std::invalid_argument("grey window slider value " + std::to_string(value) + " is outside 1 to " +
                                        std::to_string(kGreyWindowSliderMax));
    if (!HasPixels()) throw std::runtime_error("the image has no pixels to export");
    std::unique_ptr<CDib> shown = MakeBitmap();
    const GreyWindow w = FloatGreyWindow(GetMinValue(), GetMaxValue(), sliders.width, sliders.position);
    if (!shown || !FillBitmap(*shown, w.low, w.high)) throw std::runtime_error("not enough memory for the bitmap");
    ExportShownBitmap(path, *shown);
}

bool CSlice::OnNewDocument() {
    if (!CSurface::OnNewDocument()) return false;
    m_axis = kSliceAxisX;
    m_position = 0.0;
    return true;
}

void CSlice::DeleteContents() {
    m_axis = kSliceAxisX;
    m_position = 0.0;
    CSurface::DeleteContents();
}

}  // namespace voxmill
