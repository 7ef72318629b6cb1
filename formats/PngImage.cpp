#include "formats/PngImage.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>

#include "app/ListElementStub.h"
#include "formats/TempTarget.h"
#include "imaging/Surface.h"
#include "reconstruction/Slice.h"
#include "reconstruction/SliceCollection.h"

namespace voxmill {
namespace {

constexpr std::uint64_t kMaxPngPixels = std::uint64_t{1} << 28;

// A png_image released whatever happens.
class PngImage {
public:
    PngImage() {
        std::memset(&m_image, 0, sizeof m_image);
        m_image.version = PNG_IMAGE_VERSION;
    }
    ~PngImage() { png_image_free(&m_image); }
    PngImage(const PngImage&) = delete;
    PngImage& operator=(const PngImage&) = delete;

    png_image* operator->() { return &m_image; }
    png_image* get() { return &m_image; }
    std::string Message() const { return m_image.message; }

private:
    png_image m_image;
};

void CheckSize(std::uint64_t width, std::uint64_t height) {
    if (width == 0 || height == 0) throw std::invalid_argument("a picture needs at least one pixel");
    if (width * height > kMaxPngPixels)
        throw std::invalid_argument("a picture of " + std::to_string(width) + " x " + std::to_string(height) +
                                    " pixels is too large");
}

// The loaded slices of a collection, each with its stub kept loaded.
struct LoadedSlices {
    std::vector<std::unique_ptr<LoadedScope>> scopes;
    std::vector<const CSlice*> slices;
};

LoadedSlices LoadSlices(CSliceCollection& collection) {
    LoadedSlices loaded;
    for (std::size_t i = 0; i < collection.GetCount(); ++i) {
        CListElementStub* entry = collection.GetEntry(i);
        const CSlice* slice = collection.GetSlice(i);
        if (!entry || !slice) throw std::runtime_error("entry " + std::to_string(i) + " holds no slice");
        auto scope = std::make_unique<LoadedScope>(*entry);
        if (!scope->Loaded()) throw std::runtime_error("slice " + std::to_string(i) + ": cannot read " + entry->m_strPath);
        if (!slice->HasPixels()) throw std::runtime_error("slice " + std::to_string(i) + " has no image");
        loaded.scopes.push_back(std::move(scope));
        loaded.slices.push_back(slice);
    }
    return loaded;
}

}  // namespace

Rgb PngPicture::At(std::uint32_t column, std::uint32_t row) const {
    const std::uint8_t* p = bytes.data() + (static_cast<std::size_t>(row) * width + column) * channels;
    return channels == 1 ? Rgb{p[0], p[0], p[0]} : Rgb{p[0], p[1], p[2]};
}

PngPicture ValuesPicture(const float* values, std::uint32_t width, std::uint32_t height, ColourMapKind map, float low,
                         float high) {
    CheckSize(width, height);
    PngPicture picture;
    picture.width = width;
    picture.height = height;
    const std::size_t count = static_cast<std::size_t>(width) * height;
    if (map == ColourMapKind::grey) {
        picture.bytes.resize(count);
        for (std::size_t i = 0; i < count; ++i) picture.bytes[i] = GreyIndex(values[i], low, high);
        return picture;
    }
    picture.channels = 3;
    picture.bytes.resize(count * 3);
    MapColours(map, values, count, low, high, picture.bytes.data());
    return picture;
}

PngPicture SurfacePicture(const CSurface& image, const PictureOptions& options) {
    if (!image.HasPixels()) throw std::invalid_argument("the image has no pixels");
    const float low = options.hasWindow ? options.low : image.GetMinValue();
    const float high = options.hasWindow ? options.high : image.GetMaxValue();
    return ValuesPicture(image.GetPixels(), image.GetWidth(), image.GetHeight(), options.map, low, high);
}

PngPicture MontagePicture(CSliceCollection& collection, const PictureOptions& options) {
    const LoadedSlices loaded = LoadSlices(collection);
    const std::size_t n = loaded.slices.size();
    if (n == 0) throw std::runtime_error("the collection holds no slices");
    std::uint32_t cellWidth = 0, cellHeight = 0;
    float low = options.low, high = options.high;
    if (!options.hasWindow) {
        low = loaded.slices.front()->GetMinValue();
        high = loaded.slices.front()->GetMaxValue();
    }
    for (const CSlice* s : loaded.slices) {
        cellWidth = std::max(cellWidth, s->GetWidth());
        cellHeight = std::max(cellHeight, s->GetHeight());
        if (!options.hasWindow) {
            low = std::min(low, s->GetMinValue());
            high = std::max(high, s->GetMaxValue());
        }
    }
    const auto columns = static_cast<std::uint32_t>(std::ceil(std::sqrt(static_cast<double>(n))));
    const auto rows = static_cast<std::uint32_t>((n + columns - 1) / columns);
    CheckSize(std::uint64_t{cellWidth} * columns, std::uint64_t{cellHeight} * rows);

    PngPicture montage;
    montage.width = cellWidth * columns;
    montage.height = cellHeight * rows;
    montage.channels = options.map == ColourMapKind::grey ? 1 : 3;
    montage.bytes.assign(montage.PixelBytes(), 0);
    const std::size_t c = static_cast<std::size_t>(montage.channels);
    for (std::size_t k = 0; k < n; ++k) {
        const CSlice& s = *loaded.slices[k];
        const PngPicture tile = ValuesPicture(s.GetPixels(), s.GetWidth(), s.GetHeight(), options.map, low, high);
        const std::size_t left = (k % columns) * cellWidth, top = (k / columns) * cellHeight;
        for (std::uint32_t r = 0; r < tile.height; ++r)
            std::memcpy(montage.bytes.data() + ((top + r) * montage.width + left) * c,
                        tile.bytes.data() + static_cast<std::size_t>(r) * tile.width * c, tile.width * c);
    }
    return montage;
}

PngPicture SlicePicture(CSliceCollection& collection, std::size_t index, const PictureOptions& options) {
    if (index >= collection.GetCount())
        throw std::out_of_range("slice " + std::to_string(index) + " does not exist (the collection has " +
                                std::to_string(collection.GetCount()) + ")");
    CListElementStub* entry = collection.GetEntry(index);
    const CSlice* slice = collection.GetSlice(index);
    if (!entry || !slice) throw std::runtime_error("entry " + std::to_string(index) + " holds no slice");
    LoadedScope loaded(*entry);
    if (!loaded.Loaded()) throw std::runtime_error("slice " + std::to_string(index) + ": cannot read " + entry->m_strPath);
    if (!slice->HasPixels()) throw std::runtime_error("slice " + std::to_string(index) + " has no image");
    return SurfacePicture(*slice, options);
}

PngPicture PanelPicture(const std::vector<PngPicture>& pictures, std::uint32_t gap) {
    if (pictures.empty()) throw std::invalid_argument("a panel needs at least one picture");
    std::uint64_t width = 0;
    std::uint32_t height = 0;
    for (const PngPicture& p : pictures) {
        width += p.width;
        height = std::max(height, p.height);
    }
    width += std::uint64_t{gap} * (pictures.size() - 1);
    CheckSize(width, height);
    PngPicture panel;
    panel.width = static_cast<std::uint32_t>(width);
    panel.height = height;
    panel.channels = 3;
    panel.bytes.assign(panel.PixelBytes(), 255);
    std::uint32_t left = 0;
    for (const PngPicture& p : pictures) {
        for (std::uint32_t r = 0; r < p.height; ++r)
            for (std::uint32_t col = 0; col < p.width; ++col) {
                const Rgb rgb = p.At(col, r);
                std::uint8_t* dst = panel.bytes.data() + (static_cast<std::size_t>(r) * panel.width + left + col) * 3;
                dst[0] = rgb.r;
                dst[1] = rgb.g;
                dst[2] = rgb.b;
            }
        left += p.width + gap;
    }
    return panel;
}

void WritePng(const PngPicture& picture, const std::string& path) {
    CheckSize(picture.width, picture.height);
    if ((picture.channels != 1 && picture.channels != 3) || picture.bytes.size() != picture.PixelBytes())
        throw std::invalid_argument("the picture's bytes do not match its size");
    CTempTarget temp(path);
    PngImage image;
    image->width = picture.width;
    image->height = picture.height;
    image->format = picture.channels == 1 ? PNG_FORMAT_GRAY : PNG_FORMAT_RGB;
    if (!png_image_write_to_file(image.get(), temp.TempPath().c_str(), 0, picture.bytes.data(), 0, nullptr))
        throw std::runtime_error(path + ": cannot write the PNG (" + image.Message() + ")");
    temp.Commit();
}

PngPicture ReadPng(const std::string& path) {
    PngImage image;
    if (!png_image_begin_read_from_file(image.get(), path.c_str()))
        throw std::runtime_error(path + ": not a readable PNG (" + image.Message() + ")");
    if (std::uint64_t{image->width} * image->height > kMaxPngPixels)
        throw std::runtime_error(path + ": the PNG is too large");
    PngPicture picture;
    picture.width = image->width;
    picture.height = image->height;
    picture.channels = (image->format & PNG_FORMAT_FLAG_COLOR) ? 3 : 1;
    image->format = picture.channels == 3 ? PNG_FORMAT_RGB : PNG_FORMAT_GRAY;
    picture.bytes.resize(PNG_IMAGE_SIZE(*image.get()));
    const png_color black = {0, 0, 0};
    if (!png_image_finish_read(image.get(), &black, picture.bytes.data(), 0, nullptr))
        throw std::runtime_error(path + ": damaged PNG (" + image.Message() + ")");
    return picture;
}

}  // namespace voxmill
