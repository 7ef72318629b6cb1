// A small RIFF writer for uncompressed, palettised video: one video stream
// ("vids"), every frame an 8-bit bottom-up DIB's bits stored as a "00db"
// chunk and flagged as a key frame in the idx1 index. The stream format is
// a BITMAPINFOHEADER and its colour table, so players show the frames with
// that palette (ffmpeg reads it as rawvideo pal8).
//
// The headers are written first with the counts still open and written
// again, with the final counts, by Finish; the caller writes into a
// temporary file and renames it only after Finish, so a failed export never
// leaves a half-written video under the final name.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/dib/Dib.h"

namespace voxmill {

class CFile;

class CAviWriter {
public:
    struct Stream {
        std::string name;         // at most 64 characters are kept
        std::uint32_t scale = 1;  // frames per second = rate / scale
        std::uint32_t rate = 1;
    };

    // Writes the headers with the stream format: `header` (40 bytes) and
    // its colour table of header.biClrUsed (or 2^bits) entries.
    CAviWriter(CFile& file, const Stream& stream, const BITMAPINFOHEADER& header, const RGBQUAD* colors,
               std::uint32_t colorCount);

    // One key frame of exactly the format's image size. Throws
    // std::runtime_error when the size differs or the file would pass the
    // 2 GiB that plain RIFF readers accept.
    void WriteFrame(const std::uint8_t* bits, std::uint32_t bytes);
    // The index, then the headers again with the final counts.
    void Finish();

    std::uint32_t GetFrameCount() const { return static_cast<std::uint32_t>(m_index.size()); }
    // Bytes of one frame: biBitCount x biHeight x biWidth / 8.
    std::uint32_t GetFrameBytes() const { return m_frameBytes; }

private:
    struct IndexEntry {
        std::uint32_t offset;  // of the chunk, from the "movi" fourcc
        std::uint32_t size;
    };

    std::vector<std::uint8_t> Headers() const;

    CFile& m_file;
    Stream m_stream;
    BITMAPINFOHEADER m_header;
    std::vector<RGBQUAD> m_colors;
    std::uint32_t m_frameBytes = 0;
    std::uint64_t m_moviStart = 0;  // file offset of the "movi" fourcc
    std::uint64_t m_position = 0;   // end of what was written
    std::vector<IndexEntry> m_index;
};

}  // namespace voxmill
