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

class CSurface : public CListElement {
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
    std::size_t GetPixelCount() const { return static_cast<std::size_t>(m_width) * m_height; }
    float GetPixel(std::uint32_t column, std::uint32_t row) const { return m_pPixels[std::size_t(row) * m_width + column]; }

    std::uint32_t GetWidth() const { return m_width; }
    std::uint32_t GetHeight() const { return m_height; }
    double GetDimX() const { return m_dimX; }
    double GetDimY() const { return m_dimY; }
    double GetFirstX() const { return m_firstX; }
    double GetLastX() const { return m_lastX; }
    double GetFirstY() const { return m_firstY; }
    double GetLastY() const { return m_lastY; }
    double GetPitchX() const { return m_pitchX; }
    double GetPitchY() const { return m_pitchY; }
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

    // Gives the image the values of the import dialog: element type and
    // size, offset, pixel counts and physical size, ready for LoadBinaryMatrix.
    void SetImportValues(const BinaryMatrixImport& values);
    BinaryMatrixImport GetImportValues() const;
    std::int32_t GetImportType() const { return m_importType; }
    std::uint8_t GetImportElementSize() const { return m_importElementSize; }
    std::uint32_t GetImportOffset() const { return m_importOffset; }

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

    void SetGrid(double dimX, double dimY, std::uint32_t width, std::uint32_t height);
    void WriteGreyRows(CDib& bitmap, float low, float high) const;

    std::int32_t m_importType = kIeeeFloat;
    std::uint8_t m_importElementSize = 0;
    std::uint32_t m_importOffset = 0;
    const CDib* m_pExportBitmap = nullptr;
    std::uint32_t m_width = 0;
    std::uint32_t m_height = 0;
    double m_dimX = 0, m_dimY = 0;
    double m_firstX = 0, m_lastX = 0;
    double m_firstY = 0, m_lastY = 0;
    double m_pitchX = 0, m_pitchY = 0;
    PixelBlock m_pPixels;
    float m_minValue = kInitialMinValue;
    float m_maxValue = kInitialMaxValue;
};

}  // namespace voxmill
