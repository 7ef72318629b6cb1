// An 8-bit image with a physical extent: width x height unsigned bytes,
// row-major, row 0 first (the top row of every display), covering
// dimX x dimY world units centred on the origin, the same grid as the float
// image (CSurface). This is the form frames come in from a camera or a raw
// byte matrix. The image owns its pixel block (one allocation) and keeps a
// running byte range that only widens.
//
// Three file formats, picked by the attached template as for CSurface: the
// native record (header plus zlib-packed or plain bytes), the headerless
// binary matrix (bytes out; six element types in, each reduced to a byte)
// and the 8-bit grey bitmap (store only). The full-range pictures stretch
// by a whole-number factor, so a narrow range keeps its steps even.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "app/ListElement.h"
#include "imaging/BinaryMatrixImport.h"
#include "imaging/GreyMap.h"
#include "imaging/Surface.h"
#include "imaging/SurfaceGrid.h"

namespace voxmill {

class CArchive;
class CDib;
class CDocTemplate;

class CSurfacei : public CListElement, public SurfaceGrid {
    VOXMILL_DECLARE_SERIAL(CSurfacei)

public:
    // Chosen by the attached template exactly as for float images.
    using StorageFormat = CSurface::StorageFormat;

    static constexpr long kHintImageChanged = 108;
    static constexpr std::uint8_t kInitialMinValue = 255;
    static constexpr std::uint8_t kInitialMaxValue = 0;

    CSurfacei();
    ~CSurfacei() override;

    // --- image storage ---
    // Allocates width x height bytes (contents undefined) and derives the
    // grid. False, changing nothing, when pixels exist, a size is not
    // positive, a count is 0 or the block cannot be allocated.
    virtual bool Create(double dimX, double dimY, std::uint32_t width, std::uint32_t height);
    void ReleaseData() override;
    // Widens [minValue, maxValue] to cover every pixel; never narrows it.
    void UpdateRange();
    // Bytes are never negative: nothing to do.
    virtual void ClampNegative() {}

    bool HasPixels() const { return m_pPixels != nullptr; }
    std::uint8_t* GetPixels() { return m_pPixels.get(); }
    const std::uint8_t* GetPixels() const { return m_pPixels.get(); }
    std::uint8_t GetPixel(std::uint32_t column, std::uint32_t row) const {
        return m_pPixels[std::size_t(row) * m_width + column];
    }
    // Counts, extent, grid and import values: see SurfaceGrid.

    std::uint8_t GetMinValue() const { return m_minValue; }
    std::uint8_t GetMaxValue() const { return m_maxValue; }
    void SetValueRange(std::uint8_t minValue, std::uint8_t maxValue) {
        m_minValue = minValue;
        m_maxValue = maxValue;
    }

    // --- pictures ---
    // Full-size grey bitmap with the whole-number stretch of the value
    // range, width padded to a multiple of 4; null without pixels.
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

    // The native record; storing packs into (width + 4) x (height + 4) bytes
    // of scratch (or scratchBytes when not 0) and falls back to plain bytes.
    void StoreNative(CArchive& ar, std::size_t scratchBytes = 0) const;
    void LoadNative(CArchive& ar);
    // The headerless matrix: bytes out; in, each element of the import type
    // reduced to a byte (floats truncated toward zero, low 8 bits kept;
    // integers by their least significant byte).
    void StoreBinaryMatrix(CArchive& ar) const;
    void LoadBinaryMatrix(CArchive& ar);
    // The elements of the matrix from where the archive stands (the cine
    // import reads its frames back to back after skipping the offset once).
    void ReadMatrixElements(CArchive& ar);
    // Writes MakeBitmap() as a BMP file; nothing without pixels.
    void StoreBitmap(CArchive& ar) const;

    // Replaces the image by a raw matrix read with these values. Throws
    // (image unchanged) when the values are unusable or the file is shorter
    // than their read length. The document path stays.
    void ImportBinaryMatrix(const std::string& path, const BinaryMatrixImport& values);
    // Exports; a failure throws and leaves an existing file as it was.
    void ExportBinaryMatrix(const std::string& path) const;
    void ExportBitmap(const std::string& path) const;

    // --- document ---
    bool OnNewDocument() override;
    void DeleteContents() override;

protected:
    void ResetSurface();
    void TakeImage(CSurfacei& other);

private:
    std::unique_ptr<std::uint8_t[]> m_pPixels;
    std::uint8_t m_minValue = kInitialMinValue;
    std::uint8_t m_maxValue = kInitialMaxValue;
};

// One binary matrix element of the import type reduced to a byte, as the
// 8-bit import reads it: -1.5 as a float gives 255, 300 as int16 gives 44.
std::uint8_t ElementToByte(std::int32_t type, const std::uint8_t* element);

}  // namespace voxmill
