// The pixel block of the native image records: a packed length, then that
// many bytes of a zlib stream, or (length 0) the plain pixels. Float and
// 8-bit images share the packing; only their element size differs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace voxmill {

class CArchive;

// zlib `compress` (default level) of `bytes` bytes into a scratch block of
// scratchBytes; empty when the scratch cannot be had, compression fails or
// the output does not fit, so the caller writes the plain pixels.
std::vector<std::uint8_t> PackPixels(const void* data, std::size_t bytes, std::size_t scratchBytes);

// Before the image is allocated: the packed bytes (or, for length 0, the
// plain `bytes`) must be in the file, and a packed length too small to
// inflate to `bytes` is a damaged header.
void CheckPixelBlock(CArchive& ar, std::uint32_t packedLength, std::uint64_t bytes);

// Reads packedLength bytes and inflates exactly `bytes` into `out`; a
// damaged stream is an archive error.
void UnpackPixels(CArchive& ar, std::uint32_t packedLength, void* out, std::uint64_t bytes);

}  // namespace voxmill
