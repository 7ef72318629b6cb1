#include "app/archive/ArchiveException.h"

namespace voxmill {

CArchiveException::CArchiveException(Cause cause, std::uint64_t offset, const std::string& what)
    : std::runtime_error("archive error at byte " + std::to_string(offset) + ": " + what),
      m_cause(cause), m_offset(offset) {}

CFileException::CFileException(const std::string& path, const std::string& what)
    : std::runtime_error(what + ": " + path), m_path(path) {}

}  // namespace voxmill
