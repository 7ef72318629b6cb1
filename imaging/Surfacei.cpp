#include "imaging/Surfacei.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "app/DocTemplate.h"
#include "app/archive/Archive.h"
#include "app/archive/File.h"
#include "imaging/GreyRows.h"
#include "imaging/MatrixIo.h"
#include "imaging/PackedPixels.h"
#include "imaging/dib/Dib.h"

namespace voxmill {
namespace {

// Truncation toward zero, then the low 8 bits of the two's complement
// integer. fmod of a whole double by 256 is exact, so values past any
// integer type keep the same rule; NaN and infinities give 0.
std::uint8_t LowByteOfTruncated(double v) {
    if (!std::isfinite(v)) return 0;
    double r = std::fmod(std::trunc(v), 256.0);
    if (r < 0) r += 256.0;
    return static_cast<std::uint8_t>(r);
}

}  // namespace

std::uint8_t ElementToByte(std::int32_t type, const std::uint8_t* element) {
    switch (type) {
        case kIeeeFloat: {
            float v;
            std::memcpy(&v, element, sizeof v);
            return LowByteOfTruncated(v);
        }
        case kIeeeDouble: {
            double v;
            std::memcpy(&v, element, sizeof v);
            return LowByteOfTruncated(v);
        }
        // Little-endian integers of any width: the first byte is the low one.
        default: return element[0];
    }
}

VOXMILL_IMPLEMENT_SERIAL(CSurfacei, CListElement, 1)

CSurfacei::CSurfacei() = default;

CSurfacei::~CSurfacei() = default;

// --- image storage -------------------------------------------------------------

bool CSurfacei::Create(double dimX, double dimY, std::uint32_t width, std::uint32_t height) {
    if (m_pPixels || !CanCreateImage(dimX, dimY, width, height)) return false;
    try {
        m_pPixels.reset(new std::uint8_t[static_cast<std::size_t>(width) * height]);
    } catch (const std::bad_alloc&) {
        return false;
    }
    SetGrid(dimX, dimY, width, height);
    return true;
}

void CSurfacei::ReleaseData() { m_pPixels.reset(); }

void CSurfacei::UpdateRange() {
    if (!m_pPixels || m_height == 0) return;
    const std::uint8_t* p = m_pPixels.get();
    const std::size_t n = GetPixelCount();
    std::uint8_t lo = m_minValue, hi = m_maxValue;
    for (std::size_t k = 0; k < n; ++k) {
        lo = std::min(lo, p[k]);
        hi = std::max(hi, p[k]);
    }
    m_minValue = lo;
    m_maxValue = hi;
}

// --- pictures ------------------------------------------------------------------

std::unique_ptr<CDib> CSurfacei::MakeBitmap() const {
    if (!m_pPixels) return nullptr;
    auto bitmap = NewGreyDib((m_width + 3) / 4 * 4, m_height, true);
    if (!bitmap->HasBits()) return nullptr;
    const std::uint8_t lo = m_minValue, hi = m_maxValue;
    WriteGreyRows(*bitmap, m_pPixels.get(), m_width, m_height,
                  [=](std::uint8_t p) { return IntegerGreyIndex(p, lo, hi); });
    return bitmap;
}

std::unique_ptr<CDib> CSurfacei::MakeBitmap(float low, float high) const {
    if (!m_pPixels) return nullptr;
    auto bitmap = NewGreyDib((m_width + 3) / 4 * 4, m_height, true);
    if (!bitmap->HasBits() || !FillBitmap(*bitmap, low, high)) return nullptr;
    return bitmap;
}

bool CSurfacei::FillBitmap(CDib& bitmap, float low, float high) const {
    if (!m_pPixels || !bitmap.HasBits() || bitmap.GetBitCount() != 8) return false;
    if (bitmap.GetWidth() < static_cast<std::int32_t>(m_width) ||
        bitmap.GetHeight() != static_cast<std::int32_t>(m_height))
        return false;
    const std::uint32_t levels = bitmap.GetColorCount();
    WriteGreyRows(bitmap, m_pPixels.get(), m_width, m_height,
                  [=](std::uint8_t p) { return GreyIndex(static_cast<float>(p), low, high, levels); });
    return true;
}

CDib* CSurfacei::MakeThumbnail(int width, int height) {
    const std::uint8_t lo = m_minValue, hi = m_maxValue;
    return MakeGreyThumbnail(
               m_pPixels.get(), m_width, m_height, width, height,
               [=](std::uint8_t p) { return IntegerGreyIndex(p, lo, hi); }, true)
        .release();
}

// --- files -----------------------------------------------------------------------

CSurfacei::StorageFormat CSurfacei::GetStorageFormat() const { return CSurface::FormatOfTemplate(GetDocTemplate()); }

void CSurfacei::Serialize(CArchive& ar) { SerializeByFormat(*this, ar); }

void CSurfacei::StoreNative(CArchive& ar, std::size_t scratchBytes) const {
    StoreNativeRecord(*this, ar, scratchBytes);
}

void CSurfacei::LoadNative(CArchive& ar) {
    std::uint32_t packedLength = 0;
    std::uint64_t bytes = 0;
    if (!StartNativeLoad(*this, ar, packedLength, bytes)) return;  // an image-less record
    try {
        if (packedLength == 0)
            ar.ReadRaw(m_pPixels.get(), GetPixelCount(), "image pixels");
        else
            UnpackPixels(ar, packedLength, m_pPixels.get(), bytes);
    } catch (...) {
        ReleaseData();
        throw;
    }
    UpdateRange();
}

void CSurfacei::StoreBinaryMatrix(CArchive& ar) const {
    if (m_pPixels) ar.WriteRaw(m_pPixels.get(), GetPixelCount());
}

void CSurfacei::LoadBinaryMatrix(CArchive& ar) {
    StartMatrixLoad(ar);
    ReadMatrixElements(ar);
}

void CSurfacei::ReadMatrixElements(CArchive& ar) {
    const std::int32_t type = m_importType;
    const std::size_t elementSize = BinaryMatrixElementSize(type);
    ReadMatrixPixels(*this, ar, [type, elementSize](const std::uint8_t* in, std::uint8_t* out, std::size_t n) {
        for (std::size_t k = 0; k < n; ++k) out[k] = ElementToByte(type, in + k * elementSize);
    });
}

void CSurfacei::StoreBitmap(CArchive& ar) const {
    const std::unique_ptr<CDib> bitmap = MakeBitmap();
    if (!bitmap) return;
    ar.Flush();
    if (!bitmap->Write(ar.GetFile())) ar.Fail(CArchiveException::generic, "bitmap could not be written");
}

void CSurfacei::ImportBinaryMatrix(const std::string& path, const BinaryMatrixImport& values) {
    CSurfacei fresh;
    LoadMatrixFile(fresh, path, values);
    TakeImage(fresh);
    SetModifiedFlag();
    UpdateAllViews(nullptr, kHintImageChanged);
}

void CSurfacei::ExportBinaryMatrix(const std::string& path) const {
    ExportImageFile(path, m_pPixels != nullptr, [this](CArchive& ar) { StoreBinaryMatrix(ar); });
}

void CSurfacei::ExportBitmap(const std::string& path) const {
    ExportImageFile(path, m_pPixels != nullptr, [this](CArchive& ar) { StoreBitmap(ar); });
}

// --- document ----------------------------------------------------------------------

void CSurfacei::ResetSurface() {
    m_pPixels.reset();
    ResetGrid();
    m_minValue = kInitialMinValue;
    m_maxValue = kInitialMaxValue;
}

void CSurfacei::TakeImage(CSurfacei& other) {
    m_pPixels = std::move(other.m_pPixels);
    SurfaceGrid::operator=(other);
    m_minValue = other.m_minValue;
    m_maxValue = other.m_maxValue;
}

bool CSurfacei::OnNewDocument() {
    if (!CListElement::OnNewDocument()) return false;
    ResetSurface();
    return true;
}

void CSurfacei::DeleteContents() {
    ReleaseData();
    CListElement::DeleteContents();
}

}  // namespace voxmill
