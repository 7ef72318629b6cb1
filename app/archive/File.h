// Byte files under the archive: an abstract seekable file and two kinds,
// one over a disk file and one over memory. Positions and lengths are 64-bit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace voxmill {

class CFile {
public:
    virtual ~CFile() = default;
    // Reads up to size bytes; returns how many were read (0 at the end).
    virtual std::size_t Read(void* buffer, std::size_t size) = 0;
    // Writes all bytes or throws CFileException.
    virtual void Write(const void* buffer, std::size_t size) = 0;
    virtual void Seek(std::uint64_t position) = 0;
    virtual std::uint64_t GetPosition() const = 0;
    virtual std::uint64_t GetLength() const = 0;
    virtual void Flush() {}
    virtual std::string GetFilePath() const { return {}; }

    std::uint64_t BytesLeft() const {
        const std::uint64_t length = GetLength(), position = GetPosition();
        return position < length ? length - position : 0;
    }
};

// A disk file. Opening failures throw CFileException.
class CDiskFile : public CFile {
public:
    enum Mode { modeRead, modeCreate };
    CDiskFile(const std::string& path, Mode mode);
    ~CDiskFile() override;
    CDiskFile(const CDiskFile&) = delete;
    CDiskFile& operator=(const CDiskFile&) = delete;

    std::size_t Read(void* buffer, std::size_t size) override;
    void Write(const void* buffer, std::size_t size) override;
    void Seek(std::uint64_t position) override;
    std::uint64_t GetPosition() const override;
    std::uint64_t GetLength() const override;
    void Flush() override;
    std::string GetFilePath() const override { return m_path; }
    // Flushes and closes; throws when the data could not be written.
    void Close();

private:
    std::string m_path;
    std::FILE* m_fp = nullptr;
    std::uint64_t m_length = 0;
};

// A file in memory, growing on writes.
class CMemFile : public CFile {
public:
    CMemFile() = default;
    explicit CMemFile(std::vector<std::uint8_t> bytes) : m_bytes(std::move(bytes)) {}

    std::size_t Read(void* buffer, std::size_t size) override;
    void Write(const void* buffer, std::size_t size) override;
    void Seek(std::uint64_t position) override;
    std::uint64_t GetPosition() const override { return m_position; }
    std::uint64_t GetLength() const override { return m_bytes.size(); }

    const std::vector<std::uint8_t>& bytes() const { return m_bytes; }

private:
    std::vector<std::uint8_t> m_bytes;
    std::uint64_t m_position = 0;
};

}  // namespace voxmill
