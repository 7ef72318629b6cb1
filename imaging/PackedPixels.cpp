#include "imaging/PackedPixels.h"

#include <new>
#include <string>

#include <zlib.h>

#include "app/archive/Archive.h"

namespace voxmill {
namespace {

// Deflate cannot shrink data by more than about 1032:1; a packed length
// that would have to exceed that is a damaged header, refused before the
// pixel block is allocated.
constexpr std::uint64_t kMaxDeflateRatio = 1040;

}  // namespace

std::vector<std::uint8_t> PackPixels(const void* data, std::size_t bytes, std::size_t scratchBytes) {
    std::vector<std::uint8_t> packed;
    try {
        packed.resize(scratchBytes);
    } catch (const std::bad_alloc&) {
        return {};
    }
    uLongf packedLength = static_cast<uLongf>(scratchBytes);
    if (compress(packed.data(), &packedLength, static_cast<const Bytef*>(data), static_cast<uLong>(bytes)) != Z_OK ||
        packedLength == 0 || packedLength > 0xFFFFFFFFu)
        return {};
    packed.resize(packedLength);
    return packed;
}

void CheckPixelBlock(CArchive& ar, std::uint32_t packedLength, std::uint64_t bytes) {
    if (packedLength == 0) {
        ar.Require(bytes, "image pixels");
        return;
    }
    ar.Require(packedLength, "packed image pixels");
    if (bytes > static_cast<std::uint64_t>(packedLength) * kMaxDeflateRatio + 1024)
        ar.Fail(CArchiveException::generic, std::to_string(packedLength) + " packed bytes cannot hold " +
                                                std::to_string(bytes) + " bytes of pixels");
}

void UnpackPixels(CArchive& ar, std::uint32_t packedLength, void* out, std::uint64_t bytes) {
    std::vector<Bytef> packed(packedLength);
    ar.ReadRaw(packed.data(), packed.size(), "packed image pixels");
    uLongf outLength = static_cast<uLongf>(bytes);
    const int rc = uncompress(static_cast<Bytef*>(out), &outLength, packed.data(), packedLength);
    if (rc != Z_OK || outLength != bytes)
        ar.Fail(CArchiveException::generic, "packed image pixels are damaged (zlib " + std::to_string(rc) + ", " +
                                                std::to_string(outLength) + " of " + std::to_string(bytes) + " bytes)");
}

}  // namespace voxmill
