#include "imaging/Surface.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <type_traits>
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
// Raw matrices are read and converted a slice at a time.
constexpr std::size_t kConvertChunkElements = 65536;

bool CanCreate(double dimX, double dimY, std::uint32_t width, std::uint32_t height) {
    return dimX > 0.0 && dimY > 0.0 && width != 0 && height != 0;
}

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
    if (m_pPixels || !CanCreate(dimX, dimY, width, height)) return false;
    try {
        m_pPixels.reset(new float[static_cast<std::size_t>(width) * height]);
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

void CSurface::Serialize(CArchive& ar) {
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

void CSurface::StoreNative(CArchive& ar, std::size_t scratchBytes) const {
    // An image-less surface keeps its old counts in memory; writing them
    // would make a reader expect pixels that are not there.
    ar.WriteDword(m_pPixels ? m_width : 0);
    ar.WriteDword(m_pPixels ? m_height : 0);
    ar.WriteDouble(m_dimX);
    ar.WriteDouble(m_dimY);
    if (!m_pPixels) return;

    const std::size_t bytes = GetPixelCount() * sizeof(float);
    if (scratchBytes == 0) scratchBytes = (static_cast<std::size_t>(m_width) + 4) * (m_height + 4) * 4;
    const std::vector<std::uint8_t> packed = PackPixels(m_pPixels.get(), bytes, scratchBytes);
    ar.WriteDword(static_cast<std::uint32_t>(packed.size()));
    if (!packed.empty())
        ar.WriteRaw(packed.data(), packed.size());
    else
        ar.WriteFloats(m_pPixels.get(), GetPixelCount());
}

void CSurface::LoadNative(CArchive& ar) {
    // Opening always starts from an empty image; a surface that still held
    // pixels would refuse Create and leave the rest of the record unread.
    ReleaseData();
    const std::uint32_t width = ar.ReadDword();
    const std::uint32_t height = ar.ReadDword();
    const double dimX = ar.ReadDouble();
    const double dimY = ar.ReadDouble();
    if (!CanCreate(dimX, dimY, width, height)) return;  // an image-less record

    const std::uint32_t packedLength = ar.ReadDword();
    const std::uint64_t bytes = static_cast<std::uint64_t>(width) * height * sizeof(float);
    CheckPixelBlock(ar, packedLength, bytes);
    if (!Create(dimX, dimY, width, height))
        ar.Fail(CArchiveException::generic,
                "not enough memory for a " + std::to_string(width) + " x " + std::to_string(height) + " image");

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
    const BinaryMatrixImport values = GetImportValues();
    if (const std::string problem = values.Problem(); !problem.empty())
        ar.Fail(CArchiveException::generic, "binary matrix: " + problem);
    if (m_importOffset != 0) {
        ar.Flush();
        if (m_importOffset > ar.GetFile().GetLength())
            ar.Fail(CArchiveException::endOfFile, "binary matrix: offset " + std::to_string(m_importOffset) +
                                                      " lies beyond the end of the file");
        ar.GetFile().Seek(m_importOffset);
    }
    const std::uint64_t bytes = values.MatrixBytes();
    if (bytes > ar.BytesLeft())
        ar.Fail(CArchiveException::endOfFile,
                "binary matrix: " + std::to_string(m_width) + " x " + std::to_string(m_height) + " " +
                    BinaryMatrixTypeText(m_importType) + " elements need " + std::to_string(bytes) +
                    " bytes, the file has " + std::to_string(ar.BytesLeft()) + " left");

    ReleaseData();
    if (!Create(m_dimX, m_dimY, m_width, m_height))
        ar.Fail(CArchiveException::generic,
                "not enough memory for a " + std::to_string(m_width) + " x " + std::to_string(m_height) + " image");
    const std::size_t elementSize = m_importElementSize;
    const std::size_t count = GetPixelCount();
    std::vector<std::uint8_t> scratch(std::min(count, kConvertChunkElements) * elementSize);
    for (std::size_t done = 0; done < count;) {
        const std::size_t n = std::min(count - done, kConvertChunkElements);
        ar.ReadRaw(scratch.data(), n * elementSize, "binary matrix");
        ConvertChunk(m_importType, scratch.data(), m_pPixels.get() + done, n);
        done += n;
    }
    UpdateRange();
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

void CSurface::SetImportValues(const BinaryMatrixImport& values) {
    m_importType = values.type;
    m_importElementSize = values.ElementSize();
    m_importOffset = values.offset;
    m_width = values.width;
    m_height = values.height;
    m_dimX = values.dimX;
    m_dimY = values.dimY;
}

BinaryMatrixImport CSurface::GetImportValues() const {
    BinaryMatrixImport values;
    values.type = m_importType;
    values.offset = m_importOffset;
    values.width = m_width;
    values.height = m_height;
    values.dimX = static_cast<float>(m_dimX);
    values.dimY = static_cast<float>(m_dimY);
    return values;
}

void CSurface::ImportBinaryMatrix(const std::string& path, const BinaryMatrixImport& values) {
    if (const std::string problem = values.Problem(); !problem.empty()) throw std::invalid_argument(problem);
    // Read into a fresh image first, so a failure leaves this one as it was
    // and the value range is the new image's own.
    CSurface fresh;
    fresh.SetImportValues(values);
    LoadArchiveFile(path, kLoadBufferSize, [&](CArchive& ar) { fresh.LoadBinaryMatrix(ar); });
    TakeImage(fresh);
    SetModifiedFlag();
    UpdateAllViews(nullptr, kHintImageChanged);
}

void CSurface::ExportBinaryMatrix(const std::string& path) const {
    if (!m_pPixels) throw std::runtime_error("the image has no pixels to export");
    SaveArchiveFile(path, kExportBufferSize, [this](CArchive& ar) { StoreBinaryMatrix(ar); });
}

void CSurface::ExportBitmap(const std::string& path) const {
    if (!m_pPixels && !m_pExportBitmap) throw std::runtime_error("the image has no pixels to export");
    SaveArchiveFile(path, kExportBufferSize, [this](CArchive& ar) { StoreBitmap(ar); });
}

// --- document ----------------------------------------------------------------

void CSurface::ResetSurface() {
    m_pPixels.reset();
    m_importType = kIeeeFloat;
    m_importElementSize = 0;
    m_importOffset = 0;
    m_pExportBitmap = nullptr;
    m_width = m_height = 0;
    m_dimX = m_dimY = m_firstX = m_lastX = m_firstY = m_lastY = m_pitchX = m_pitchY = 0.0;
    m_minValue = kInitialMinValue;
    m_maxValue = kInitialMaxValue;
}

void CSurface::TakeImage(CSurface& other) {
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
