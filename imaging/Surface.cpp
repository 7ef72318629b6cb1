#include "imaging/Surface.h"

#include <cstring>
#include <limits>
#include <type_traits>
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

// IEEE rounding to float; magnitudes past the float range become infinities
// (a plain cast of those is undefined in C++).
float NarrowToFloat(double v) {
    constexpr double kLargest = 3.4028235677973366e38;  // FLT_MAX plus half an ulp
    if (v >= kLargest) return std::numeric_limits<float>::infinity();
    if (v <= -kLargest) return -std::numeric_limits<float>::infinity();
    return static_cast<float>(v);
}

template <class T>
void ConvertElements(const std::uint8_t* in, float* out, std::size_t count) {
    for (std::size_t k = 0; k < count; ++k) {
        T v;
        std::memcpy(&v, in + k * sizeof(T), sizeof(T));
        if constexpr (std::is_same_v<T, double>)
            out[k] = NarrowToFloat(v);
        else
            out[k] = static_cast<float>(v);
    }
}

void ConvertChunk(std::int32_t type, const std::uint8_t* in, float* out, std::size_t count) {
    switch (type) {
        case kIeeeFloat: std::memcpy(out, in, count * sizeof(float)); break;
        case kIeeeDouble: ConvertElements<double>(in, out, count); break;
        case kInt8: ConvertElements<std::int8_t>(in, out, count); break;
        case kInt16: ConvertElements<std::int16_t>(in, out, count); break;
        case kInt32: ConvertElements<std::int32_t>(in, out, count); break;
        case kInt64: ConvertElements<std::int64_t>(in, out, count); break;
        default: break;
    }
}

}  // namespace

VOXMILL_IMPLEMENT_SERIAL(CSurface, CListElement, 1)

CSurface::CSurface() = default;

CSurface::~CSurface() = default;

// --- image storage -----------------------------------------------------------

bool CSurface::Create(double dimX, double dimY, std::uint32_t width, std::uint32_t height) {
    if (m_pPixels || !CanCreateImage(dimX, dimY, width, height)) return false;
    try {
        m_pPixels = PixelBlock(new float[static_cast<std::size_t>(width) * height]);
    } catch (const std::bad_alloc&) {
        return false;
    }
    SetGrid(dimX, dimY, width, height);
    return true;
}

bool CSurface::CreateOver(double dimX, double dimY, std::uint32_t width, std::uint32_t height, float* pixels) {
    if (m_pPixels || !pixels || !CanCreateImage(dimX, dimY, width, height)) return false;
    m_pPixels = PixelBlock(pixels, PixelRelease{false});
    SetGrid(dimX, dimY, width, height);
    return true;
}

void CSurface::ReleaseData() { m_pPixels.reset(); }

void CSurface::UpdateRange() {
    if (!m_pPixels || m_height == 0) return;
    const float* p = m_pPixels.get();
    const std::size_t n = GetPixelCount();
    float lo = m_minValue, hi = m_maxValue;
    for (std::size_t k = 0; k < n; ++k) {
        if (p[k] < lo) lo = p[k];
        if (p[k] > hi) hi = p[k];
    }
    m_minValue = lo;
    m_maxValue = hi;
}

void CSurface::ClampNegative() {
    if (!m_pPixels) return;
    float* p = m_pPixels.get();
    const std::size_t n = GetPixelCount();
    for (std::size_t k = 0; k < n; ++k)
        if (!(p[k] >= 0.0f)) p[k] = 0.0f;
}

// --- pictures ----------------------------------------------------------------

void CSurface::WriteGreyRows(CDib& bitmap, float low, float high) const {
    const std::uint32_t levels = bitmap.GetColorCount();
    voxmill::WriteGreyRows(bitmap, m_pPixels.get(), m_width, m_height,
                           [=](float v) { return GreyIndex(v, low, high, levels); });
}

std::unique_ptr<CDib> CSurface::MakeBitmap() const { return MakeBitmap(m_minValue, m_maxValue); }

std::unique_ptr<CDib> CSurface::MakeBitmap(float low, float high) const {
    if (!m_pPixels) return nullptr;
    auto bitmap = NewGreyDib((m_width + 3) / 4 * 4, m_height);
    if (!bitmap->HasBits()) return nullptr;
    WriteGreyRows(*bitmap, low, high);
    return bitmap;
}

bool CSurface::FillBitmap(CDib& bitmap, float low, float high) const {
    if (!m_pPixels || !bitmap.HasBits() || bitmap.GetBitCount() != 8) return false;
    if (bitmap.GetWidth() < static_cast<std::int32_t>(m_width) ||
        bitmap.GetHeight() != static_cast<std::int32_t>(m_height))
        return false;
    WriteGreyRows(bitmap, low, high);
    return true;
}

CDib* CSurface::MakeThumbnail(int width, int height) {
    const float low = m_minValue, high = m_maxValue;
    return MakeGreyThumbnail(m_pPixels.get(), m_width, m_height, width, height,
                             [=](float v) { return GreyIndex(v, low, high); })
        .release();
}

// --- files -------------------------------------------------------------------

CSurface::StorageFormat CSurface::FormatOfTemplate(const CDocTemplate* pTemplate) {
    if (!pTemplate) return StorageFormat::native;
    const std::string type = pTemplate->GetDocString(CDocTemplate::regFileTypeId);
    if (type == "BinaryMatrix.Document") return StorageFormat::binaryMatrix;
    if (type == "Bitmap.Document") return StorageFormat::bitmap;
    return StorageFormat::native;
}

CSurface::StorageFormat CSurface::GetStorageFormat() const { return FormatOfTemplate(GetDocTemplate()); }

void CSurface::Serialize(CArchive& ar) { SerializeByFormat(*this, ar); }

void CSurface::StoreNative(CArchive& ar, std::size_t scratchBytes) const { StoreNativeRecord(*this, ar, scratchBytes); }

void CSurface::LoadNative(CArchive& ar) {
    std::uint32_t packedLength = 0;
    std::uint64_t bytes = 0;
    if (!StartNativeLoad(*this, ar, packedLength, bytes)) return;  // an image-less record
    if (packedLength == 0) {
        ar.ReadFloats(m_pPixels.get(), GetPixelCount(), "image pixels");
    } else {
        try {
            UnpackPixels(ar, packedLength, m_pPixels.get(), bytes);
        } catch (...) {
            ReleaseData();
            throw;
        }
    }
    UpdateRange();
}

void CSurface::StoreBinaryMatrix(CArchive& ar) const {
    if (m_pPixels) ar.WriteFloats(m_pPixels.get(), GetPixelCount());
}

void CSurface::LoadBinaryMatrix(CArchive& ar) {
    StartMatrixLoad(ar);
    const std::int32_t type = m_importType;
    ReadMatrixPixels(*this, ar, [type](const std::uint8_t* in, float* out, std::size_t n) {
        ConvertChunk(type, in, out, n);
    });
}

void CSurface::StoreBitmap(CArchive& ar) const {
    std::unique_ptr<CDib> own;
    const CDib* bitmap = m_pExportBitmap;
    if (!bitmap) {
        own = MakeBitmap();
        bitmap = own.get();
    }
    if (!bitmap) return;
    ar.Flush();
    if (!bitmap->Write(ar.GetFile())) ar.Fail(CArchiveException::generic, "bitmap could not be written");
}

void CSurface::ImportBinaryMatrix(const std::string& path, const BinaryMatrixImport& values) {
    // Read into a fresh image first, so a failure leaves this one as it was
    // and the value range is the new image's own.
    CSurface fresh;
    LoadMatrixFile(fresh, path, values);
    TakeImage(fresh);
    SetModifiedFlag();
    UpdateAllViews(nullptr, kHintImageChanged);
}

void CSurface::ExportBinaryMatrix(const std::string& path) const {
    ExportImageFile(path, m_pPixels != nullptr, [this](CArchive& ar) { StoreBinaryMatrix(ar); });
}

void CSurface::ExportBitmap(const std::string& path) const {
    ExportImageFile(path, m_pPixels || m_pExportBitmap, [this](CArchive& ar) { StoreBitmap(ar); });
}

// --- document ----------------------------------------------------------------

void CSurface::ResetSurface() {
    m_pPixels.reset();
    ResetGrid();
    m_pExportBitmap = nullptr;
    m_minValue = kInitialMinValue;
    m_maxValue = kInitialMaxValue;
}

void CSurface::TakeImage(CSurface& other) {
    m_pPixels = std::move(other.m_pPixels);
    SurfaceGrid::operator=(other);
    m_minValue = other.m_minValue;
    m_maxValue = other.m_maxValue;
}

bool CSurface::OnNewDocument() {
    if (!CListElement::OnNewDocument()) return false;
    ResetSurface();
    return true;
}

void CSurface::DeleteContents() {
    ReleaseData();
    CListElement::DeleteContents();
}

}  // namespace voxmill
