// Archive and file errors. The core throws them; only a boundary (the
// workbench's command handler, the CLI's main, a test) catches and shows them.
#pragma once

#include <cstdint>
#include <optional>
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

    // For endOfFile: what wanted more bytes than the file had left, as the
    // subject of a sentence ("3 elements", "a double"), with the figures.
    struct Shortfall {
        std::string subject;
        bool plural = false;
        bool atLeast = false;  // `needed` is a lower bound
        std::uint64_t needed = 0;
        std::uint64_t left = 0;
    };

    CArchiveException(Cause cause, std::uint64_t offset, const std::string& what);
    CArchiveException(std::uint64_t offset, const std::string& what, Shortfall shortfall);
    // The same error told in other words: what() becomes `message`, the
    // cause, offset, shortfall and detail stay.
    CArchiveException(const CArchiveException& original, const std::string& message);

    Cause cause() const { return m_cause; }
    std::uint64_t offset() const { return m_offset; }
    const std::optional<Shortfall>& shortfall() const { return m_shortfall; }
    // "archive error at byte N: ...", whatever what() says.
    const std::string& detail() const { return m_detail; }

private:
    Cause m_cause;
    std::uint64_t m_offset;
    std::optional<Shortfall> m_shortfall;
    std::string m_detail;
};

// "3 elements need at least 612 bytes, 394 are left".
std::string ShortfallText(const CArchiveException::Shortfall& s);

// The sentence a user can act on for a file that failed to read as a
// document of `kind` ("phantom"): "phantom.pha is cut short: ..." when the
// file ends early by an amount a truncated file would show, else
// "phantom.pha is not a phantom file"; the archive's detail follows in
// parentheses. `fileLength` is the whole file's.
std::string DescribeReadError(const std::string& fileName, const std::string& kind, const CArchiveException& error,
                              std::uint64_t fileLength);

// A file that cannot be opened, created, written or renamed.
class CFileException : public std::runtime_error {
public:
    CFileException(const std::string& path, const std::string& what);
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

}  // namespace voxmill
