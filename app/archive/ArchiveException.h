// Archive and file errors. The core throws them; only a boundary (the
// workbench's command handler, the CLI's main, a test) catches and shows them.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace voxmill {

// Malformed or unreadable archive content: what went wrong and where.
class CArchiveException : public std::runtime_error {
public:
    enum Cause {
        generic,
        endOfFile,      // fewer bytes left than a field or count needs
        badClass,       // unknown class name, or an object of the wrong kind
        badSchema,      // stored schema differs from a non-versionable class's
        badIndex,       // reference to an index never seen, or of the wrong kind
        writeOnly,      // read attempted on a storing archive
        readOnly,       // write attempted on a loading archive
    };

    CArchiveException(Cause cause, std::uint64_t offset, const std::string& what);

    Cause cause() const { return m_cause; }
    std::uint64_t offset() const { return m_offset; }

private:
    Cause m_cause;
    std::uint64_t m_offset;
};

// A file that cannot be opened, created, written or renamed.
class CFileException : public std::runtime_error {
public:
    CFileException(const std::string& path, const std::string& what);
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

}  // namespace voxmill
