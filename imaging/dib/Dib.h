// A device-independent bitmap: the 40-byte information header with its
// colour table, the pixel rows (bottom row first, each padded to 4 bytes)
// and the palette made from the colour table. Reads and writes the Windows
// BMP file format; inside an archive its record is exactly a BMP file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/archive/Object.h"

namespace voxmill {

class CFile;

#pragma pack(push, 1)
struct BITMAPINFOHEADER {
    std::uint32_t biSize;
    std::int32_t biWidth;
    std::int32_t biHeight;
    std::uint16_t biPlanes;
    std::uint16_t biBitCount;
    std::uint32_t biCompression;
    std::uint32_t biSizeImage;
    std::int32_t biXPelsPerMeter;
    std::int32_t biYPelsPerMeter;
    std::uint32_t biClrUsed;
    std::uint32_t biClrImportant;
};
struct RGBQUAD {
    std::uint8_t rgbBlue, rgbGreen, rgbRed, rgbReserved;
};
#pragma pack(pop)
static_assert(sizeof(BITMAPINFOHEADER) == 40);
static_assert(sizeof(RGBQUAD) == 4);

struct PALETTEENTRY {
    std::uint8_t peRed, peGreen, peBlue, peFlags;
};

class CDib : public CObject {
    VOXMILL_DECLARE_SERIAL(CDib)

public:
    static constexpr std::uint8_t kPcReserved = 0x01;  // animatable palette entry

    CDib() = default;
    CDib(std::uint32_t width, std::uint32_t height, std::int32_t bitCount);
    CDib(const CDib& other);
    CDib& operator=(const CDib& other);
    ~CDib() override = default;

    // Allocates the (zeroed) pixel bits; fails without a header, when bits
    // exist, or for an image of more than 4 GiB (a bitmap's sizes are 32-bit).
    bool CreateSection();
    bool MakePalette();
    bool MakeAnimatedPalette();
    // Animates the palette with the given colours, in reverse order.
    void SetPaletteEntries(std::uint32_t first, std::uint32_t count, const RGBQUAD* entries);

    // BMP file I/O. Failures report "ReadSection error" / "write error"
    // through the error sink and return false.
    bool Read(CFile& file);
    bool Write(CFile& file) const;
    bool ReadFile(const std::string& path);
    bool WriteFile(const std::string& path) const;
    // The record is a BMP file written straight to the archive's file.
    void Serialize(CArchive& ar) override;
    void Clear();

    bool HasImage() const { return !m_header.empty(); }
    bool HasBits() const { return !m_bits.empty(); }
    const BITMAPINFOHEADER* GetHeader() const;
    std::int32_t GetWidth() const { return HasImage() ? GetHeader()->biWidth : 0; }
    std::int32_t GetHeight() const { return HasImage() ? GetHeader()->biHeight : 0; }
    std::uint16_t GetBitCount() const { return HasImage() ? GetHeader()->biBitCount : 0; }
    // Bytes of one padded pixel row.
    std::uint32_t GetRowBytes() const;
    RGBQUAD* GetColorTable();
    const RGBQUAD* GetColorTable() const;
    std::uint32_t GetColorCount() const { return m_colorCount; }
    std::uint32_t GetImageSize() const { return m_imageSize; }
    std::uint8_t* GetBits() { return m_bits.empty() ? nullptr : m_bits.data(); }
    const std::uint8_t* GetBits() const { return m_bits.empty() ? nullptr : m_bits.data(); }
    const std::vector<PALETTEENTRY>& GetPalette() const { return m_palette; }
    bool HasPalette() const { return !m_palette.empty(); }
    // 1 = header allocated here, 0 = none (2, a movable block, never occurs here).
    std::int32_t GetHeaderOwnership() const { return m_header.empty() ? 0 : 1; }

    // Colour count and image size as the header implies them.
    static std::uint32_t ColorCountOf(const BITMAPINFOHEADER& h);
    static std::uint64_t ImageSizeOf(const BITMAPINFOHEADER& h);
    // Bytes the padded rows need, whatever biSizeImage says; saturates.
    static std::uint64_t RowsSizeOf(const BITMAPINFOHEADER& h);

private:
    bool ReadImpl(CFile& file);
    void ComputeSizes();

    std::vector<std::uint8_t> m_header;  // BITMAPINFOHEADER + colour table
    std::vector<std::uint8_t> m_bits;
    std::uint32_t m_imageSize = 0;
    bool m_bOversized = false;  // the rows need more than 32 bits of size
    std::uint32_t m_colorCount = 0;
    std::vector<PALETTEENTRY> m_palette;
};

}  // namespace voxmill
