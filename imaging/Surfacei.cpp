#include "imaging/Surfacei.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <stdexcept>
#include <vector>

#include "app/DocTemplate.h"
#include "app/archive/Archive.h"
#include "app/archive/ArchiveFile.h"
#include "app/archive/File.h"
#include "imaging/GreyRows.h"
#include "imaging/PackedPixels.h"
#include "imaging/dib/Dib.h"

namespace voxmill {
namespace {

constexpr std::size_t kLoadBufferSize = 4096;
constexpr std::size_t kExportBufferSize = 1048576;
constexpr std::size_t kConvertChunkElements = 65536;

bool CanCreate(double dimX, double dimY, std::uint32_t width, std::uint32_t height) {
    return dimX > 0.0 && dimY > 0.0 && width != 0 && height != 0;
}

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

bool MatrixBytesWithin(const BinaryMatrixImport& values, std::uint64_t available, std::uint64_t& bytes,
                       std::uint64_t count) {
    std::uint64_t n = 0;
    // Counts from a dialog or a command line may be anything: a product
    // that wraps must not pass for a small one.
    const bool fits = !__builtin_mul_overflow(static_cast<std::uint64_t>(values.width), values.height, &n) &&
                      !__builtin_mul_overflow(n, values.ElementSize(), &n) && !__builtin_mul_overflow(n, count, &n);
    bytes = fits ? n : 0;
    return fits && n <= available;
}

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
    if (m_pPixels || !CanCreate(dimX, dimY, width, height)) return false;
    try {
        m_pPixels.reset(new std::uint8_t[static_cast<std::size_t>(width) * height]);
    } catch (const std::bad_alloc&) {
        return false;
    }
    m_dimX = dimX;
    m_dimY = dimY;
    m_width = width;
    m_height = height;
    m_pitchX = dimX / width;
    m_pitchY = dimY / height;
    m_firstX = (m_pitchX - dimX) / 2;
    m_lastX = -m_firstX;
    m_firstY = (m_pitchY - dimY) / 2;
    m_lastY = -m_firstY;
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

void CSurfacei::Serialize(CArchive& ar) {
    switch (GetStorageFormat()) {
        case StorageFormat::native:
            if (ar.IsStoring())
                StoreNative(ar);
            else
                LoadNative(ar);
            break;
        case StorageFormat::binaryMatrix:
            if (ar.IsStoring())
                StoreBinaryMatrix(ar);
            else
                LoadBinaryMatrix(ar);
            break;
        case StorageFormat::bitmap:
            if (ar.IsStoring()) StoreBitmap(ar);
            break;
    }
}

void CSurfacei::StoreNative(CArchive& ar, std::size_t scratchBytes) const {
    // An image-less record carries no counts a reader would take for pixels.
    ar.WriteDword(m_pPixels ? m_width : 0);
    ar.WriteDword(m_pPixels ? m_height : 0);
    ar.WriteDouble(m_dimX);
    ar.WriteDouble(m_dimY);
    if (!m_pPixels) return;
    if (scratchBytes == 0) scratchBytes = (static_cast<std::size_t>(m_width) + 4) * (m_height + 4);
    const std::vector<std::uint8_t> packed = PackPixels(m_pPixels.get(), GetPixelCount(), scratchBytes);
    ar.WriteDword(static_cast<std::uint32_t>(packed.size()));
    if (!packed.empty())
        ar.WriteRaw(packed.data(), packed.size());
    else
        ar.WriteRaw(m_pPixels.get(), GetPixelCount());
}

void CSurfacei::LoadNative(CArchive& ar) {
    ReleaseData();
    const std::uint32_t width = ar.ReadDword();
    const std::uint32_t height = ar.ReadDword();
    const double dimX = ar.ReadDouble();
    const double dimY = ar.ReadDouble();
    if (!CanCreate(dimX, dimY, width, height)) return;  // an image-less record

    const std::uint32_t packedLength = ar.ReadDword();
    const std::uint64_t bytes = static_cast<std::uint64_t>(width) * height;
    CheckPixelBlock(ar, packedLength, bytes);
    if (!Create(dimX, dimY, width, height))
        ar.Fail(CArchiveException::generic,
                "not enough memory for a " + std::to_string(width) + " x " + std::to_string(height) + " image");
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
    const BinaryMatrixImport values = GetImportValues();
    if (const std::string problem = values.Problem(); !problem.empty())
        ar.Fail(CArchiveException::generic, "binary matrix: " + problem);
    if (m_importOffset != 0) {
        ar.Flush();
        if (m_importOffset > ar.GetFile().GetLength())
            ar.Fail(CArchiveException::endOfFile,
                    "binary matrix: offset " + std::to_string(m_importOffset) + " lies beyond the end of the file");
        ar.GetFile().Seek(m_importOffset);
    }
    ReadMatrixElements(ar);
}

void CSurfacei::ReadMatrixElements(CArchive& ar) {
    const BinaryMatrixImport values = GetImportValues();
    std::uint64_t bytes = 0;
    if (!MatrixBytesWithin(values, ar.BytesLeft(), bytes))
        ar.Fail(CArchiveException::endOfFile, "binary matrix: " + std::to_string(m_width) + " x " +
                                                  std::to_string(m_height) + " " + BinaryMatrixTypeText(m_importType) +
                                                  " elements need " + (bytes ? std::to_string(bytes) : "more") +
                                                  " bytes, the file has " + std::to_string(ar.BytesLeft()) + " left");
    ReleaseData();
    if (!Create(m_dimX, m_dimY, m_width, m_height))
        ar.Fail(CArchiveException::generic,
                "not enough memory for a " + std::to_string(m_width) + " x " + std::to_string(m_height) + " image");
    const std::size_t elementSize = values.ElementSize();
    m_importElementSize = static_cast<std::uint8_t>(elementSize);
    const std::size_t count = GetPixelCount();
    std::vector<std::uint8_t> scratch(std::min(count, kConvertChunkElements) * elementSize);
    std::uint8_t* out = m_pPixels.get();
    for (std::size_t done = 0; done < count;) {
        const std::size_t n = std::min(count - done, kConvertChunkElements);
        ar.ReadRaw(scratch.data(), n * elementSize, "binary matrix");
        for (std::size_t k = 0; k < n; ++k) out[done + k] = ElementToByte(m_importType, &scratch[k * elementSize]);
        done += n;
    }
    UpdateRange();
}

void CSurfacei::StoreBitmap(CArchive& ar) const {
    const std::unique_ptr<CDib> bitmap = MakeBitmap();
    if (!bitmap) return;
    ar.Flush();
    if (!bitmap->Write(ar.GetFile())) ar.Fail(CArchiveException::generic, "bitmap could not be written");
}

void CSurfacei::SetImportValues(const BinaryMatrixImport& values) {
    m_importType = values.type;
    m_importElementSize = values.ElementSize();
    m_importOffset = values.offset;
    m_width = values.width;
    m_height = values.height;
    m_dimX = values.dimX;
    m_dimY = values.dimY;
}

BinaryMatrixImport CSurfacei::GetImportValues() const {
    BinaryMatrixImport values;
    values.type = m_importType;
    values.offset = m_importOffset;
    values.width = m_width;
    values.height = m_height;
    values.dimX = static_cast<float>(m_dimX);
    values.dimY = static_cast<float>(m_dimY);
    return values;
}

void CSurfacei::ImportBinaryMatrix(const std::string& path, const BinaryMatrixImport& values) {
    if (const std::string problem = values.Problem(); !problem.empty()) throw std::invalid_argument(problem);
    CSurfacei fresh;
    fresh.SetImportValues(values);
    LoadArchiveFile(path, kLoadBufferSize, [&](CArchive& ar) { fresh.LoadBinaryMatrix(ar); });
    TakeImage(fresh);
    SetModifiedFlag();
    UpdateAllViews(nullptr, kHintImageChanged);
}

void CSurfacei::ExportBinaryMatrix(const std::string& path) const {
    if (!m_pPixels) throw std::runtime_error("the image has no pixels to export");
    SaveArchiveFile(path, kExportBufferSize, [this](CArchive& ar) { StoreBinaryMatrix(ar); });
}

void CSurfacei::ExportBitmap(const std::string& path) const {
    if (!m_pPixels) throw std::runtime_error("the image has no pixels to export");
    SaveArchiveFile(path, kExportBufferSize, [this](CArchive& ar) { StoreBitmap(ar); });
}

// --- document ----------------------------------------------------------------------

void CSurfacei::ResetSurface() {
    m_pPixels.reset();
    m_importType = kIeeeFloat;
    m_importElementSize = 0;
    m_importOffset = 0;
    m_width = m_height = 0;
    m_dimX = m_dimY = m_firstX = m_lastX = m_firstY = m_lastY = m_pitchX = m_pitchY = 0.0;
    m_minValue = kInitialMinValue;
    m_maxValue = kInitialMaxValue;
}

void CSurfacei::TakeImage(CSurfacei& other) {
    m_pPixels = std::move(other.m_pPixels);
    m_importType = other.m_importType;
    m_importElementSize = other.m_importElementSize;
    m_importOffset = other.m_importOffset;
    m_width = other.m_width;
    m_height = other.m_height;
    m_dimX = other.m_dimX;
    m_dimY = other.m_dimY;
    m_firstX = other.m_firstX;
    m_lastX = other.m_lastX;
    m_firstY = other.m_firstY;
    m_lastY = other.m_lastY;
    m_pitchX = other.m_pitchX;
    m_pitchY = other.m_pitchY;
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
