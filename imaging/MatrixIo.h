// Pieces of the image file formats that the float and the 8-bit image share,
// parameterised on the pixel type; only their .cpp files include this.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/archive/Archive.h"
#include "app/archive/ArchiveFile.h"
#include "app/archive/CheckedSize.h"
#include "imaging/PackedPixels.h"
#include "imaging/SurfaceGrid.h"

namespace voxmill {

inline constexpr std::size_t kImageLoadBufferSize = 4096;
inline constexpr std::size_t kImageExportBufferSize = 1048576;
// Raw matrices are read and converted a slice at a time.
inline constexpr std::size_t kConvertChunkElements = 65536;

inline bool CanCreateImage(double dimX, double dimY, std::uint32_t width, std::uint32_t height) {
    return dimX > 0.0 && dimY > 0.0 && width != 0 && height != 0;
}

[[noreturn]] inline void FailImageMemory(CArchive& ar, std::uint32_t width, std::uint32_t height) {
    ar.Fail(CArchiveException::generic,
            "not enough memory for a " + std::to_string(width) + " x " + std::to_string(height) + " image");
}

// Replaces the image's pixels by the matrix elements from where the archive
// stands, read with its import values; convertSlice(in, out, n) turns n
// elements of the import type into pixels. The range widens to the result.
template <class Image, class ConvertSlice>
void ReadMatrixPixels(Image& image, CArchive& ar, ConvertSlice convertSlice) {
    SurfaceGrid& grid = image;
    grid.CheckMatrixLeft(ar);
    image.ReleaseData();
    if (!image.Create(grid.m_dimX, grid.m_dimY, grid.m_width, grid.m_height))
        FailImageMemory(ar, grid.m_width, grid.m_height);
    const std::size_t elementSize = BinaryMatrixElementSize(grid.m_importType);
    grid.m_importElementSize = static_cast<std::uint8_t>(elementSize);
    const std::size_t count = image.GetPixelCount();
    std::vector<std::uint8_t> scratch(std::min(count, kConvertChunkElements) * elementSize);
    for (std::size_t done = 0; done < count;) {
        const std::size_t n = std::min(count - done, kConvertChunkElements);
        ar.ReadRaw(scratch.data(), n * elementSize, "binary matrix");
        convertSlice(scratch.data(), image.GetPixels() + done, n);
        done += n;
    }
    image.UpdateRange();
}

inline void WritePlainPixels(CArchive& ar, const float* pixels, std::size_t count) {
    ar.WriteFloats(pixels, count);
}
inline void WritePlainPixels(CArchive& ar, const std::uint8_t* pixels, std::size_t count) {
    ar.WriteRaw(pixels, count);
}

// The native record: pixel counts, physical size, then the pixels packed
// with zlib into a scratch block of scratchBytes ((width + 4) x (height + 4)
// pixels when 0), or plain when they do not fit.
template <class Image>
void StoreNativeRecord(const Image& image, CArchive& ar, std::size_t scratchBytes) {
    const auto* pixels = image.GetPixels();
    // An image-less surface keeps its old counts in memory; writing them
    // would make a reader expect pixels that are not there.
    ar.WriteDword(pixels ? image.GetWidth() : 0);
    ar.WriteDword(pixels ? image.GetHeight() : 0);
    ar.WriteDouble(image.GetDimX());
    ar.WriteDouble(image.GetDimY());
    if (!pixels) return;

    const std::size_t count = image.GetPixelCount();
    if (scratchBytes == 0)
        scratchBytes = (static_cast<std::size_t>(image.GetWidth()) + 4) * (image.GetHeight() + 4) * sizeof(*pixels);
    const std::vector<std::uint8_t> packed = PackPixels(pixels, count * sizeof(*pixels), scratchBytes);
    ar.WriteDword(static_cast<std::uint32_t>(packed.size()));
    if (!packed.empty())
        ar.WriteRaw(packed.data(), packed.size());
    else
        WritePlainPixels(ar, pixels, count);
}

// Reads the head of a native record and creates the image it describes;
// false, the image empty, for an image-less record. packedLength and bytes
// (the plain pixel block) tell the caller how the pixels follow.
template <class Image>
bool StartNativeLoad(Image& image, CArchive& ar, std::uint32_t& packedLength, std::uint64_t& bytes) {
    // Opening always starts from an empty image; one that still held pixels
    // would refuse Create and leave the rest of the record unread.
    image.ReleaseData();
    const std::uint32_t width = ar.ReadDword();
    const std::uint32_t height = ar.ReadDword();
    const double dimX = ar.ReadDouble();
    const double dimY = ar.ReadDouble();
    if (!CanCreateImage(dimX, dimY, width, height)) return false;

    packedLength = ar.ReadDword();
    bytes = SaturatedProduct({width, height, sizeof(*image.GetPixels())});
    CheckPixelBlock(ar, packedLength, bytes);
    if (!image.Create(dimX, dimY, width, height)) FailImageMemory(ar, width, height);
    return true;
}

// Reads a raw matrix file with these values into `fresh`, a new image, so
// that a failure (unusable values, a short file) throws and leaves the
// image being replaced as it was.
template <class Image>
void LoadMatrixFile(Image& fresh, const std::string& path, const BinaryMatrixImport& values) {
    if (const std::string problem = values.Problem(); !problem.empty()) throw std::invalid_argument(problem);
    fresh.SetImportValues(values);
    LoadArchiveFile(path, kImageLoadBufferSize, [&](CArchive& ar) { fresh.LoadBinaryMatrix(ar); });
}

// Writes an export file through store(ar); a failure throws and leaves an
// existing file as it was.
template <class Store>
void ExportImageFile(const std::string& path, bool hasContent, Store store) {
    if (!hasContent) throw std::runtime_error("the image has no pixels to export");
    SaveArchiveFile(path, kImageExportBufferSize, store);
}

// Loads or stores the image in the format its document template selects.
template <class Image>
void SerializeByFormat(Image& image, CArchive& ar) {
    using Format = typename Image::StorageFormat;
    switch (image.GetStorageFormat()) {
        case Format::native:
            if (ar.IsStoring())
                image.StoreNative(ar);
            else
                image.LoadNative(ar);
            break;
        case Format::binaryMatrix:
            if (ar.IsStoring())
                image.StoreBinaryMatrix(ar);
            else
                image.LoadBinaryMatrix(ar);
            break;
        case Format::bitmap:
            if (ar.IsStoring()) image.StoreBitmap(ar);
            break;
    }
}

}  // namespace voxmill
