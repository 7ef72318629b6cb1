#include "imaging/dib/Dib.h"

#include <cstring>
#include <cstdlib>

#include "app/archive/Archive.h"
#include "app/archive/ArchiveFile.h"
#include "app/archive/ErrorSink.h"
#include "app/archive/File.h"

namespace voxmill {
namespace {

constexpr std::uint16_t kBmpMagic = 0x4D42;  // "BM"
constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kInfoHeaderSize = 40;

void PutWord(std::uint8_t* p, std::uint16_t v) { std::memcpy(p, &v, 2); }
void PutDword(std::uint8_t* p, std::uint32_t v) { std::memcpy(p, &v, 4); }

bool IsKnownBitCount(std::uint16_t bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

}  // namespace

VOXMILL_IMPLEMENT_SERIAL(CDib, CObject, 0)

CDib::CDib(std::uint32_t width, std::uint32_t height, std::int32_t bitCount) {
    BITMAPINFOHEADER h{};
    h.biSize = kInfoHeaderSize;
    h.biWidth = static_cast<std::int32_t>(width);
    h.biHeight = static_cast<std::int32_t>(height);
    h.biPlanes = 1;
    h.biBitCount = static_cast<std::uint16_t>(bitCount);
    h.biClrUsed = 0;
    const std::uint32_t colors = ColorCountOf(h);
    h.biClrUsed = h.biClrImportant = colors;
    m_header.assign(kInfoHeaderSize + 4 * colors, 0);
    std::memcpy(m_header.data(), &h, sizeof h);
    ComputeSizes();
}

CDib::CDib(const CDib& other)
    : CObject(other), m_header(other.m_header), m_bits(other.m_bits), m_imageSize(other.m_imageSize),
      m_bOversized(other.m_bOversized), m_colorCount(other.m_colorCount), m_palette(other.m_palette) {}

CDib& CDib::operator=(const CDib& other) {
    if (this != &other) {
        m_header = other.m_header;
        m_bits = other.m_bits;
        m_imageSize = other.m_imageSize;
        m_bOversized = other.m_bOversized;
        m_colorCount = other.m_colorCount;
        m_palette = other.m_palette;
    }
    return *this;
}

const BITMAPINFOHEADER* CDib::GetHeader() const {
    return m_header.empty() ? nullptr : reinterpret_cast<const BITMAPINFOHEADER*>(m_header.data());
}

RGBQUAD* CDib::GetColorTable() {
    return m_header.empty() ? nullptr : reinterpret_cast<RGBQUAD*>(m_header.data() + kInfoHeaderSize);
}

const RGBQUAD* CDib::GetColorTable() const {
    return m_header.empty() ? nullptr : reinterpret_cast<const RGBQUAD*>(m_header.data() + kInfoHeaderSize);
}

std::uint32_t CDib::GetRowBytes() const {
    if (!HasImage()) return 0;
    const BITMAPINFOHEADER* h = GetHeader();
    const std::uint64_t width = static_cast<std::uint64_t>(std::abs(static_cast<std::int64_t>(h->biWidth)));
    return static_cast<std::uint32_t>((h->biBitCount * width + 31) / 32 * 4);
}

std::uint32_t CDib::ColorCountOf(const BITMAPINFOHEADER& h) {
    if (h.biClrUsed != 0) return h.biClrUsed;
    switch (h.biBitCount) {
        case 1: return 2;
        case 4: return 16;
        case 8: return 256;
        default: return 0;  // 16, 24 and 32 bits carry no table
    }
}

std::uint64_t CDib::ImageSizeOf(const BITMAPINFOHEADER& h) {
    if (h.biSizeImage != 0) return h.biSizeImage;
    return RowsSizeOf(h);
}

std::uint64_t CDib::RowsSizeOf(const BITMAPINFOHEADER& h) {
    // Up to 2^31 rows of 2^33 bytes: saturate instead of wrapping.
    const std::uint64_t width = static_cast<std::uint64_t>(std::abs(static_cast<std::int64_t>(h.biWidth)));
    const std::uint64_t height = static_cast<std::uint64_t>(std::abs(static_cast<std::int64_t>(h.biHeight)));
    const std::uint64_t rowBytes = (h.biBitCount * width + 31) / 32 * 4;
    if (height != 0 && rowBytes > UINT64_MAX / height) return UINT64_MAX;
    return rowBytes * height;
}

void CDib::ComputeSizes() {
    const BITMAPINFOHEADER* h = GetHeader();
    m_colorCount = ColorCountOf(*h);
    // A bitmap's sizes are 32-bit. Cut to 32 bits, the size of a larger
    // image would make a small section that its rows then run past, so
    // such an image gets no section at all.
    const std::uint64_t size = ImageSizeOf(*h);
    m_bOversized = size > UINT32_MAX;
    m_imageSize = m_bOversized ? 0 : static_cast<std::uint32_t>(size);
}

bool CDib::CreateSection() {
    if (m_header.empty() || !m_bits.empty() || m_bOversized) return false;
    m_bits.assign(m_imageSize, 0);
    return true;
}

bool CDib::MakePalette() {
    if (m_colorCount == 0 || m_header.empty()) return false;
    const RGBQUAD* table = GetColorTable();
    std::vector<PALETTEENTRY> palette(m_colorCount);
    for (std::uint32_t i = 0; i < m_colorCount; ++i)
        palette[i] = {table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue, 0};
    m_palette = std::move(palette);
    return true;
}

bool CDib::MakeAnimatedPalette() {
    if (m_colorCount == 0 || m_header.empty()) return false;
    const RGBQUAD* table = GetColorTable();
    std::vector<PALETTEENTRY> palette(m_colorCount);
    for (std::uint32_t i = 0; i < m_colorCount; ++i) {
        const RGBQUAD& q = table[m_colorCount - 1 - i];
        palette[i] = {q.rgbRed, q.rgbGreen, q.rgbBlue, kPcReserved};
    }
    m_palette = std::move(palette);
    return true;
}

void CDib::SetPaletteEntries(std::uint32_t first, std::uint32_t count, const RGBQUAD* entries) {
    if (!entries || first >= m_palette.size()) return;
    if (count > m_palette.size() - first) count = static_cast<std::uint32_t>(m_palette.size() - first);
    for (std::uint32_t i = 0; i < count; ++i) {
        const RGBQUAD& q = entries[count - 1 - i];
        m_palette[first + i] = {q.rgbRed, q.rgbGreen, q.rgbBlue, m_palette[first + i].peFlags};
    }
}

void CDib::Clear() {
    m_header.clear();
    m_bits.clear();
    m_palette.clear();
    m_imageSize = m_colorCount = 0;
    m_bOversized = false;
}

bool CDib::Write(CFile& file) const {
    if (m_header.empty() || m_bOversized) {
        ReportError("write error");
        return false;
    }
    std::uint8_t fileHeader[kFileHeaderSize] = {};
    PutWord(fileHeader, kBmpMagic);
    PutDword(fileHeader + 2, 0);  // file size left 0, as this format always had it
    PutDword(fileHeader + 10, kFileHeaderSize + kInfoHeaderSize + 4 * m_colorCount);
    try {
        file.Write(fileHeader, sizeof fileHeader);
        file.Write(m_header.data(), kInfoHeaderSize + 4 * static_cast<std::size_t>(m_colorCount));
        if (m_bits.size() >= m_imageSize) {
            file.Write(m_bits.data(), m_imageSize);
        } else {
            // No section made yet: the record still needs its bits.
            const std::vector<std::uint8_t> zeros(m_imageSize, 0);
            file.Write(zeros.data(), zeros.size());
        }
    } catch (const std::exception&) {
        ReportError("write error");
        return false;
    }
    return true;
}

bool CDib::ReadImpl(CFile& file) {
    std::uint8_t fileHeader[kFileHeaderSize];
    if (file.Read(fileHeader, kFileHeaderSize) != kFileHeaderSize) return false;
    std::uint16_t magic;
    std::uint32_t bitsOffset;
    std::memcpy(&magic, fileHeader, 2);
    std::memcpy(&bitsOffset, fileHeader + 10, 4);
    if (magic != kBmpMagic) return false;
    if (bitsOffset < kFileHeaderSize + kInfoHeaderSize) return false;
    const std::uint64_t headerBytes = bitsOffset - kFileHeaderSize;
    if (headerBytes > file.BytesLeft()) return false;

    std::vector<std::uint8_t> header(static_cast<std::size_t>(headerBytes));
    if (file.Read(header.data(), header.size()) != header.size()) return false;
    BITMAPINFOHEADER h;
    std::memcpy(&h, header.data(), sizeof h);
    if (h.biSize != kInfoHeaderSize || h.biCompression != 0) return false;
    if (!IsKnownBitCount(h.biBitCount)) return false;
    const std::uint64_t colors = ColorCountOf(h);
    if (kInfoHeaderSize + 4 * colors > headerBytes) return false;  // table beyond the header block
    const std::uint64_t imageSize = ImageSizeOf(h);
    if (imageSize > file.BytesLeft() || imageSize > 0xFFFFFFFFu) return false;
    // Whoever draws or converts the bitmap walks every row: the bits must hold them all.
    if (imageSize < RowsSizeOf(h)) return false;

    m_header = std::move(header);
    ComputeSizes();
    MakePalette();
    if (!CreateSection()) return false;
    return file.Read(m_bits.data(), m_imageSize) == m_imageSize;
}

bool CDib::Read(CFile& file) {
    Clear();
    if (!ReadImpl(file)) {
        Clear();  // no half-read bitmap
        ReportError("ReadSection error");
        return false;
    }
    return true;
}

bool CDib::ReadFile(const std::string& path) {
    try {
        CDiskFile file(path, CDiskFile::modeRead);
        return Read(file);
    } catch (const CFileException&) {
        Clear();
        ReportError("ReadSection error");
        return false;
    }
}

bool CDib::WriteFile(const std::string& path) const {
    bool reported = false;  // Write reports its own failures
    try {
        SaveFileAtomically(path, [&](CFile& file) {
            if (!Write(file)) {
                reported = true;
                throw CFileException(path, "write error");
            }
        });
    } catch (const CFileException&) {
        if (!reported) ReportError("write error");  // creating, closing or renaming failed
        return false;
    }
    return true;
}

void CDib::Serialize(CArchive& ar) {
    ar.Flush();
    // A failed bitmap leaves the stream at an unknown place: the rest of the
    // record cannot be read (or written) meaningfully, so the whole archive fails.
    if (ar.IsStoring()) {
        if (!Write(ar.GetFile())) ar.Fail(CArchiveException::generic, "bitmap could not be written");
    } else {
        if (!Read(ar.GetFile())) ar.Fail(CArchiveException::generic, "malformed bitmap record");
    }
}

}  // namespace voxmill
