// Multi-page TIFF: float32 stacks out, 8/16/32-bit stacks in (libtiff).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "formats/StackGeometry.h"

namespace voxmill {

// Past this many bytes a classic TIFF's 32-bit offsets cannot reach the
// end of the file; the stack is then written as BigTIFF.
inline constexpr std::uint64_t kClassicTiffLimit = (std::uint64_t{1} << 32) - (std::uint64_t{1} << 24);

// One uncompressed 32-bit float page per image of `g`, row 0 first, with
// ImageJ's description on the first page (images, slices, unit, spacing,
// min, max) and the in-plane spacing as X/Y resolution, so Fiji opens the
// stack with its scale. BigTIFF when the pixel data pass
// `bigTiffAbove` bytes. Replaces `path` atomically; throws CFileException.
void WriteTiffStack(const std::string& path, const StackGeometry& g, const float* samples,
                    std::uint64_t bigTiffAbove = kClassicTiffLimit);

// A stack read as float64, page after page, row 0 first.
struct ImageStackData {
    std::uint32_t columns = 0, rows = 0, count = 0;
    std::vector<double> values;
};

// Every page of a TIFF file: one sample per pixel, 8, 16 or 32 bits
// (unsigned, signed or IEEE float), striped. Refused (CFileException)
// when the file is damaged, a page differs in size or kind from the
// first, or the pages claim more data than the file can hold.
ImageStackData ReadTiffStack(const std::string& path);

inline constexpr std::uint64_t kMaxStackSamples = std::uint64_t{1} << 31;

}  // namespace voxmill
