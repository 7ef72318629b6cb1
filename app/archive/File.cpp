#include "app/archive/File.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/archive/ArchiveException.h"

namespace voxmill {

namespace {

// Opens a regular file for reading. A folder would open and read as empty
// with a bogus length, and a FIFO or device could block or never end.
std::FILE* OpenRegularForReading(const std::string& path, std::uint64_t& length) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) throw CFileException(path, std::string("cannot open file (") + std::strerror(errno) + ")");
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        throw CFileException(path, "cannot open file (not a regular file)");
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::FILE* fp = ::fdopen(fd, "rb");
    if (!fp) {
        ::close(fd);
        throw CFileException(path, "cannot open file");
    }
    length = static_cast<std::uint64_t>(st.st_size);
    return fp;
}

}  // namespace

CDiskFile::CDiskFile(const std::string& path, Mode mode) : m_path(path) {
    if (mode == modeRead) {
        m_fp = OpenRegularForReading(path, m_length);
        return;
    }
    m_fp = std::fopen(path.c_str(), "wb");
    if (!m_fp) throw CFileException(path, std::string("cannot open file (") + std::strerror(errno) + ")");
}

CDiskFile::~CDiskFile() {
    if (m_fp) std::fclose(m_fp);
}

std::size_t CDiskFile::Read(void* buffer, std::size_t size) {
    if (size == 0) return 0;  // an empty buffer may be a null pointer
    return std::fread(buffer, 1, size, m_fp);
}

void CDiskFile::Write(const void* buffer, std::size_t size) {
    if (size == 0) return;
    if (std::fwrite(buffer, 1, size, m_fp) != size)
        throw CFileException(m_path, std::string("write error (") + std::strerror(errno) + ")");
    const std::uint64_t end = GetPosition();
    if (end > m_length) m_length = end;
}

void CDiskFile::Seek(std::uint64_t position) {
    if (fseeko(m_fp, static_cast<off_t>(position), SEEK_SET) != 0)
        throw CFileException(m_path, "cannot seek in file");
}

std::uint64_t CDiskFile::GetPosition() const {
    return static_cast<std::uint64_t>(ftello(m_fp));
}

std::uint64_t CDiskFile::GetLength() const { return m_length; }

void CDiskFile::Flush() {
    if (std::fflush(m_fp) != 0) throw CFileException(m_path, "write error");
}

void CDiskFile::Close() {
    if (!m_fp) return;
    std::FILE* fp = m_fp;
    m_fp = nullptr;
    const bool flushed = std::fflush(fp) == 0;
    const bool closed = std::fclose(fp) == 0;
    if (!flushed || !closed) throw CFileException(m_path, "write error");
}

std::size_t CMemFile::Read(void* buffer, std::size_t size) {
    if (size == 0 || m_position >= m_bytes.size()) return 0;
    const std::size_t n = std::min<std::uint64_t>(size, m_bytes.size() - m_position);
    std::memcpy(buffer, m_bytes.data() + m_position, n);
    m_position += n;
    return n;
}

void CMemFile::Write(const void* buffer, std::size_t size) {
    if (size == 0) return;
    if (m_position + size > m_bytes.size()) m_bytes.resize(m_position + size);
    std::memcpy(m_bytes.data() + m_position, buffer, size);
    m_position += size;
}

void CMemFile::Seek(std::uint64_t position) { m_position = position; }

}  // namespace voxmill
