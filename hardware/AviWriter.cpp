#include "hardware/AviWriter.h"

#include <cstring>
#include <stdexcept>

#include "app/archive/File.h"

namespace voxmill {
namespace {

constexpr std::uint32_t kAvifHasIndex = 0x10;
constexpr std::uint32_t kAviifKeyFrame = 0x10;
constexpr std::size_t kMaxNameLength = 64;
// RIFF sizes are unsigned 32-bit, but many readers take them as signed.
constexpr std::uint64_t kMaxFileBytes = 0x7FFFFFFFu;

// Little-endian appender for the header chunks.
class Bytes {
public:
    void Dword(std::uint32_t v) {
        for (int k = 0; k < 4; ++k) m_bytes.push_back(static_cast<std::uint8_t>(v >> (8 * k)));
    }
    void Word(std::uint16_t v) {
        m_bytes.push_back(static_cast<std::uint8_t>(v));
        m_bytes.push_back(static_cast<std::uint8_t>(v >> 8));
    }
    void FourCc(const char* cc) { m_bytes.insert(m_bytes.end(), cc, cc + 4); }
    void Raw(const void* data, std::size_t size) {
        const auto* p = static_cast<const std::uint8_t*>(data);
        m_bytes.insert(m_bytes.end(), p, p + size);
    }
    void PadToEven() {
        if (m_bytes.size() % 2) m_bytes.push_back(0);
    }
    // Starts a chunk or list and returns where its size goes.
    std::size_t Open(const char* cc, const char* listType = nullptr) {
        FourCc(cc);
        const std::size_t at = m_bytes.size();
        Dword(0);
        if (listType) FourCc(listType);
        return at;
    }
    void Close(std::size_t sizeAt) {
        const auto size = static_cast<std::uint32_t>(m_bytes.size() - sizeAt - 4);
        for (int k = 0; k < 4; ++k) m_bytes[sizeAt + k] = static_cast<std::uint8_t>(size >> (8 * k));
        PadToEven();
    }
    std::size_t Size() const { return m_bytes.size(); }
    const std::vector<std::uint8_t>& Data() const { return m_bytes; }

private:
    std::vector<std::uint8_t> m_bytes;
};

// A header count as a DWORD, the largest one for what does not fit.
std::uint32_t Saturated(double v) { return v >= 4294967295.0 ? 0xFFFFFFFFu : static_cast<std::uint32_t>(v); }

}  // namespace

CAviWriter::CAviWriter(CFile& file, const Stream& stream, const BITMAPINFOHEADER& header, const RGBQUAD* colors,
                       std::uint32_t colorCount)
    : m_file(file), m_stream(stream), m_header(header), m_colors(colors, colors + colorCount) {
    if (m_stream.name.size() > kMaxNameLength) m_stream.name.resize(kMaxNameLength);
    const std::uint64_t frameBytes = static_cast<std::uint64_t>(header.biBitCount) *
                                     static_cast<std::uint32_t>(header.biHeight > 0 ? header.biHeight : 0) *
                                     static_cast<std::uint32_t>(header.biWidth > 0 ? header.biWidth : 0) / 8;
    if (frameBytes == 0 || frameBytes > kMaxFileBytes) throw std::runtime_error("the video frame size is unusable");
    if (stream.scale == 0 || stream.rate == 0) throw std::runtime_error("a video needs a positive rate and scale");
    m_frameBytes = static_cast<std::uint32_t>(frameBytes);
    const std::vector<std::uint8_t> headers = Headers();
    m_file.Seek(0);
    m_file.Write(headers.data(), headers.size());
    m_position = headers.size();
    m_moviStart = m_position - 4;
}

std::vector<std::uint8_t> CAviWriter::Headers() const {
    const auto frames = static_cast<std::uint32_t>(m_index.size());
    const std::uint64_t moviBytes = m_position > m_moviStart ? m_position - m_moviStart : 4;
    const std::uint64_t indexBytes = 8 + 16 * static_cast<std::uint64_t>(frames);
    const std::uint32_t width = static_cast<std::uint32_t>(m_header.biWidth);
    const std::uint32_t height = static_cast<std::uint32_t>(m_header.biHeight);

    Bytes b;
    const std::size_t riff = b.Open("RIFF", "AVI ");
    const std::size_t hdrl = b.Open("LIST", "hdrl");
    const std::size_t avih = b.Open("avih");
    b.Dword(Saturated(1000000.0 * m_stream.scale / m_stream.rate));                      // microseconds per frame
    b.Dword(Saturated(static_cast<double>(m_frameBytes) * m_stream.rate / m_stream.scale));  // max bytes per second
    b.Dword(0);                                                                            // padding granularity
    b.Dword(kAvifHasIndex);
    b.Dword(frames);
    b.Dword(0);  // initial frames
    b.Dword(1);  // streams
    b.Dword(m_frameBytes);
    b.Dword(width);
    b.Dword(height);
    for (int k = 0; k < 4; ++k) b.Dword(0);
    b.Close(avih);

    const std::size_t strl = b.Open("LIST", "strl");
    const std::size_t strh = b.Open("strh");
    b.FourCc("vids");
    b.Dword(0);  // handler: uncompressed DIB
    b.Dword(0);  // flags
    b.Word(0);   // priority
    b.Word(0);   // language
    b.Dword(0);  // initial frames
    b.Dword(m_stream.scale);
    b.Dword(m_stream.rate);
    b.Dword(0);  // start
    b.Dword(frames);
    b.Dword(m_frameBytes);  // suggested buffer size
    b.Dword(0xFFFFFFFFu);   // quality: the default
    b.Dword(0);             // sample size: frames vary
    b.Word(0);              // frame rectangle
    b.Word(0);
    b.Word(static_cast<std::uint16_t>(width));
    b.Word(static_cast<std::uint16_t>(height));
    b.Close(strh);

    const std::size_t strf = b.Open("strf");
    b.Raw(&m_header, sizeof m_header);
    b.Raw(m_colors.data(), m_colors.size() * sizeof(RGBQUAD));
    b.Close(strf);

    const std::size_t strn = b.Open("strn");
    b.Raw(m_stream.name.c_str(), m_stream.name.size() + 1);
    b.Close(strn);
    b.Close(strl);
    b.Close(hdrl);

    std::vector<std::uint8_t> bytes = b.Data();
    // The movi list header; its size and the RIFF size cover what follows.
    Bytes movi;
    movi.FourCc("LIST");
    movi.Dword(static_cast<std::uint32_t>(moviBytes));
    movi.FourCc("movi");
    bytes.insert(bytes.end(), movi.Data().begin(), movi.Data().end());
    const std::uint64_t riffBytes = bytes.size() - 8 + (moviBytes - 4) + indexBytes;
    for (int k = 0; k < 4; ++k) bytes[riff + k] = static_cast<std::uint8_t>(riffBytes >> (8 * k));
    return bytes;
}

void CAviWriter::WriteFrame(const std::uint8_t* bits, std::uint32_t bytes) {
    if (bytes != m_frameBytes)
        throw std::runtime_error("a video frame of " + std::to_string(bytes) + " bytes does not match the stream's " +
                                 std::to_string(m_frameBytes));
    const std::uint64_t chunk = 8 + static_cast<std::uint64_t>(bytes) + (bytes % 2);
    const std::uint64_t indexAfter = 8 + 16 * (static_cast<std::uint64_t>(m_index.size()) + 1);
    if (m_position + chunk + indexAfter > kMaxFileBytes)
        throw std::runtime_error("the video would pass the 2 GiB an AVI file can hold");
    std::uint8_t head[8] = {'0', '0', 'd', 'b'};
    for (int k = 0; k < 4; ++k) head[4 + k] = static_cast<std::uint8_t>(bytes >> (8 * k));
    m_file.Write(head, sizeof head);
    m_file.Write(bits, bytes);
    if (bytes % 2) {
        const std::uint8_t pad = 0;
        m_file.Write(&pad, 1);
    }
    m_index.push_back({static_cast<std::uint32_t>(m_position - m_moviStart), bytes});
    m_position += chunk;
}

void CAviWriter::Finish() {
    Bytes idx;
    const std::size_t at = idx.Open("idx1");
    for (const IndexEntry& e : m_index) {
        idx.FourCc("00db");
        idx.Dword(kAviifKeyFrame);
        idx.Dword(e.offset);
        idx.Dword(e.size);
    }
    idx.Close(at);
    m_file.Write(idx.Data().data(), idx.Size());
    const std::vector<std::uint8_t> headers = Headers();
    m_file.Seek(0);
    m_file.Write(headers.data(), headers.size());
    m_file.Seek(m_position + idx.Size());
}

}  // namespace voxmill
