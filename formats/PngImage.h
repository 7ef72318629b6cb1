// Pictures of images as 8-bit PNG files (libpng): a float image through a
// window and a colour map, a slice collection's montage, and a panel of
// pictures side by side. Grey pictures are written with one channel, the
// colour maps as RGB. Every write goes through a temporary file renamed
// over the target, so a failed write leaves the previous file as it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "imaging/ColourMap.h"

namespace voxmill {

class CSliceCollection;
class CSurface;

// width x height pixels of `channels` bytes (1 grey, 3 RGB), row 0 the top.
struct PngPicture {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    int channels = 1;
    std::vector<std::uint8_t> bytes;

    std::size_t PixelBytes() const { return static_cast<std::size_t>(width) * height * channels; }
    // The RGB triple of pixel (column, row), grey repeated.
    Rgb At(std::uint32_t column, std::uint32_t row) const;
};

// How values become a picture: the map, and the window [low, high] when
// one is given (else the image's own value range).
struct PictureOptions {
    ColourMapKind map = ColourMapKind::grey;
    bool hasWindow = false;
    float low = 0.0f;
    float high = 0.0f;
};

// The picture of width x height values through [low, high]; grey gives the
// grey window's levels (GreyIndex), so it matches the image's bitmap.
PngPicture ValuesPicture(const float* values, std::uint32_t width, std::uint32_t height, ColourMapKind map, float low,
                         float high);
// A float image through the options' window or, without one, its stored
// value range (the range its full-range bitmap shows). Throws
// std::invalid_argument for an image without pixels.
PngPicture SurfacePicture(const CSurface& image, const PictureOptions& options);

// The slices of a collection tiled in order, row by row, in a near-square
// grid (ceil(sqrt(n)) columns), each in a cell of the largest slice's size
// with its top-left corner at the cell's; the rest stays black. Every
// slice goes through one window: the options' or the range over all
// slices. Throws std::runtime_error when the collection is empty or a
// slice cannot be read or has no image.
PngPicture MontagePicture(CSliceCollection& slices, const PictureOptions& options);

// Slice `index` alone, through the options' window or its own range.
// Throws std::runtime_error as MontagePicture, std::out_of_range for an
// index past the end.
PngPicture SlicePicture(CSliceCollection& slices, std::size_t index, const PictureOptions& options);

// Pictures side by side, tops aligned, `gap` white columns between them
// and white below a shorter one; always RGB. Throws std::invalid_argument
// for an empty list.
PngPicture PanelPicture(const std::vector<PngPicture>& pictures, std::uint32_t gap = 8);

// Writes the picture; throws CFileException (cannot create, cannot
// replace) or std::runtime_error (libpng failed), the previous file kept.
void WritePng(const PngPicture& picture, const std::string& path);
// Reads an 8-bit PNG as grey (one channel) or RGB (any colour type with
// colour); alpha is dropped against black. Throws std::runtime_error for a
// file that is not a PNG, is damaged, or holds more than 2^28 pixels.
PngPicture ReadPng(const std::string& path);

}  // namespace voxmill
