// A thin wrapper over the DICOM toolkit: create a DICOM 3 file at a path,
// put data elements (group 0002 goes to the file meta header), then write
// the data set and close. The toolkit chooses preamble, group lengths and
// transfer syntax (explicit VR little endian); values set here are written
// as given. Writing goes to a temporary file beside the target that
// replaces it only when complete, so a failed export keeps the old file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace voxmill {

// Start-up: quiets the toolkit's own logging and checks that its data
// dictionary is loaded; false when it is not (files cannot be written then).
// Create calls it too, so a front end that forgets it still writes files.
bool InitDicomToolkit();

class CDicomFile {
public:
    CDicomFile();
    ~CDicomFile();
    CDicomFile(const CDicomFile&) = delete;
    CDicomFile& operator=(const CDicomFile&) = delete;

    // 0 when the file can be made at `path`; negative when refused (the
    // folder is missing or not writable, the dictionary is not loaded).
    int Create(const std::string& path);
    // Text value of any string VR; false when the toolkit refuses it.
    bool PutString(std::uint16_t group, std::uint16_t element, const std::string& value);
    bool PutUint16(std::uint16_t group, std::uint16_t element, std::uint16_t value);
    // Pixel Data (7FE0,0010) as 16-bit words.
    bool PutPixelData16(const std::uint16_t* words, std::size_t count);
    // 0 when written and closed; negative on failure (see GetLastError).
    int WriteAndClose();
    const std::string& GetLastError() const { return m_lastError; }

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
    std::string m_lastError;
};

}  // namespace voxmill
