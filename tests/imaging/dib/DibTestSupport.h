// Hand-built BMP files and an error sink that records what was reported.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "app/archive/ErrorSink.h"
#include "imaging/dib/Dib.h"
#include "tests/common/ArchiveBytes.h"

namespace voxmill::test {

inline BITMAPINFOHEADER InfoHeader(std::int32_t width, std::int32_t height, std::uint16_t bitCount) {
    BITMAPINFOHEADER h{};
    h.biSize = 40;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = bitCount;
    return h;
}

// File header ("BM" unless told), information header, colour table, bits.
inline Bytes BmpFile(const BITMAPINFOHEADER& h, const Bytes& colorTable, const Bytes& bits,
                     std::uint16_t magic = 0x4D42, std::int64_t bitsOffset = -1) {
    const std::uint32_t offset =
        bitsOffset >= 0 ? static_cast<std::uint32_t>(bitsOffset) : static_cast<std::uint32_t>(54 + colorTable.size());
    Bytes header(40);
    std::memcpy(header.data(), &h, 40);
    return Cat({Le16(magic), Le32(0), Le32(0), Le32(offset), header, colorTable, bits});
}

inline Bytes Pattern(std::size_t n, std::uint8_t seed = 1) {
    Bytes out(n);
    for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<std::uint8_t>(seed + 7 * i);
    return out;
}

// A grey 8-bit bitmap with a section and patterned bits.
inline CDib GreyDib(std::uint32_t width, std::uint32_t height) {
    CDib dib(width, height, 8);
    RGBQUAD* table = dib.GetColorTable();
    for (std::uint32_t i = 0; i < dib.GetColorCount(); ++i) {
        const auto g = static_cast<std::uint8_t>(i);
        table[i] = {g, static_cast<std::uint8_t>(255 - g), g, 0};
    }
    dib.CreateSection();
    const Bytes bits = Pattern(dib.GetImageSize());
    std::memcpy(dib.GetBits(), bits.data(), bits.size());
    return dib;
}

inline Bytes DibBytes(const CDib& dib) {
    CMemFile file;
    dib.Write(file);
    return file.bytes();
}

// Installs a sink for the scope and keeps every message.
class RecordingSink {
public:
    RecordingSink() {
        ClearLastReportedError();
        m_previous = SetErrorSink([this](const std::string& m) { messages.push_back(m); });
    }
    ~RecordingSink() { SetErrorSink(std::move(m_previous)); }
    RecordingSink(const RecordingSink&) = delete;
    RecordingSink& operator=(const RecordingSink&) = delete;

    std::vector<std::string> messages;

private:
    ErrorSinkFn m_previous;
};

}  // namespace voxmill::test
