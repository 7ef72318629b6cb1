// A floating-point image with a physical extent: width x height float32
// pixels, row-major, row 0 first (the top row of every display), covering
// dimX x dimY world units centred on the origin. Pixel centres lie at
// firstX + c * pitchX and lastY - r * pitchY. The surface owns its pixel
// block (one allocation, released as a whole) and keeps a running value
// range that only widens (UpdateRange never resets it).
//
// Three file formats: the native record (header plus zlib-packed or plain
// floats), the headerless binary matrix of six element types, and the
// 8-bit grey bitmap (store only). Serialize picks one by the document
// template attached; the Import/Export functions name theirs explicitly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "app/ListElement.h"
#include "imaging/BinaryMatrixImport.h"
#include "imaging/GreyMap.h"
#include "imaging/SurfaceGrid.h"

namespace voxmill {

class CArchive;
class CDib;
class CDocTemplate;

// Frees a surface's pixel block unless the caller lent it (CreateOver).
struct SurfacePixelRelease {
    bool owned = true;
    void operator()(float* p) const {
        if (owned) delete[] p;
    }
};

class CSurface : public CListElement, public SurfaceGrid {
    VOXMILL_DECLARE_SERIAL(CSurface)

public:
    enum class StorageFormat { native, binaryMatrix, bitmap };

    // View update hint: the image changed, rebuild the display bitmap.
    static constexpr long kHintImageChanged = 108;
    static constexpr float kInitialMinValue = 1000.0f;
    static constexpr float kInitialMaxValue = 0.0f;

    CSurface();
    ~CSurface() override;

    // --- image storage ---
    // Allocates the pixels (contents undefined) and derives the grid. False,
    // changing nothing, when pixels exist, a size is not positive, a count
    // is 0 or the block cannot be allocated. The value range is untouched.
    virtual bool Create(double dimX, double dimY, std::uint32_t width, std::uint32_t height);
    // The same over a block the caller owns and keeps alive as long as the
    // image holds it (an array of a scripting front end, used in place):
    // the image reads and writes it but never frees it.
    bool CreateOver(double dimX, double dimY, std::uint32_t width, std::uint32_t height, float* pixels);
    bool OwnsPixels() const { return m_pPixels && m_pPixels.get_deleter().owned; }
    void ReleaseData() override;
    // Widens [minValue, maxValue] to cover every pixel; never narrows it.
    void UpdateRange();
    // Every pixel that is not >= 0 (negatives, NaN) becomes +0.0; the range
    // is left as it was.
    virtual void ClampNegative();

    bool HasPixels() const { return m_pPixels != nullptr; }
    float* GetPixels() { return m_pPixels.get(); }
    const float* GetPixels() const { return m_pPixels.get(); }
    float GetPixel(std::uint32_t column, std::uint32_t row) const { return m_pPixels[std::size_t(row) * m_width + column]; }
    // Counts, extent, grid and import values: see SurfaceGrid.

    float GetMinValue() const { return m_minValue; }
    float GetMaxValue() const { return m_maxValue; }
    void SetValueRange(float minValue, float maxValue) { m_minValue = minValue; m_maxValue = maxValue; }

    // --- pictures ---
    // Full-size grey bitmap of the whole value range, width padded to a
    // multiple of 4; null without pixels.
    std::unique_ptr<CDib> MakeBitmap() const;
    // The same through the grey window [low, high] (the image view's picture).
    std::unique_ptr<CDib> MakeBitmap(float low, float high) const;
    // Rewrites the bits of a bitmap made by MakeBitmap through [low, high];
    // false when the bitmap does not fit the image.
    bool FillBitmap(CDib& bitmap, float low, float high) const;
    CDib* MakeThumbnail(int width, int height) override;

    // --- files ---
    void Serialize(CArchive& ar) override;
    StorageFormat GetStorageFormat() const;
    // The format a template's registry type selects ("BinaryMatrix.Document",
    // "Bitmap.Document"; native otherwise, also without a template).
    static StorageFormat FormatOfTemplate(const CDocTemplate* pTemplate);

    // The native record. Storing packs the pixels with zlib into a scratch
    // block of scratchBytes (the format's (width + 4) x (height + 4) x 4 when
    // 0) and falls back to plain floats when they do not fit.
    void StoreNative(CArchive& ar, std::size_t scratchBytes = 0) const;
    void LoadNative(CArchive& ar);
    // The headerless matrix: storing writes the pixels as float32; loading
    // reads with the import values set by SetImportValues, after skipping
    // their offset from the start of the file when it is not 0.
    void StoreBinaryMatrix(CArchive& ar) const;
    void LoadBinaryMatrix(CArchive& ar);
    // Writes the export bitmap when one is set, else MakeBitmap(); nothing
    // without pixels.
    void StoreBitmap(CArchive& ar) const;

    // Not owned; while set, the bitmap export writes it instead of MakeBitmap()
    // (the thresholded export of what a view shows).
    void SetExportBitmap(const CDib* bitmap) { m_pExportBitmap = bitmap; }
    const CDib* GetExportBitmap() const { return m_pExportBitmap; }

    // Replaces the image by a raw matrix file read with these values.
    // Throws (image unchanged) when the values are unusable or the file is
    // shorter than their read length. The document path stays as it was.
    void ImportBinaryMatrix(const std::string& path, const BinaryMatrixImport& values);
    // Exports; a failure throws and leaves an existing file as it was.
    void ExportBinaryMatrix(const std::string& path) const;
    void ExportBitmap(const std::string& path) const;

    // --- document ---
    bool OnNewDocument() override;
    void DeleteContents() override;

protected:
    // Zeroes the fields (range to its initial 1000 / 0) and frees the pixels.
    void ResetSurface();
    // Moves image, grid, range and import values of `other` into this one.
    void TakeImage(CSurface& other);

private:
    using PixelBlock = std::unique_ptr<float[], SurfacePixelRelease>;
    using PixelRelease = SurfacePixelRelease;

    void WriteGreyRows(CDib& bitmap, float low, float high) const;

    const CDib* m_pExportBitmap = nullptr;
    PixelBlock m_pPixels;
    float m_minValue = kInitialMinValue;
    float m_maxValue = kInitialMaxValue;
};

}  // namespace voxmill
