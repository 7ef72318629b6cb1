#include "app/archive/ArchiveException.h"

namespace voxmill {
namespace {

std::string Detail(std::uint64_t offset, const std::string& what) {
    return "archive error at byte " + std::to_string(offset) + ": " + what;
}

// A count that asks for more than this many times the whole file is no
// truncation: the bytes were never a record of this kind.
constexpr std::uint64_t kTruncationFactor = 16;

bool LooksCutShort(const CArchiveException& error, std::uint64_t fileLength) {
    const auto& s = error.shortfall();
    if (error.cause() != CArchiveException::endOfFile || !s) return false;
    return s->needed / kTruncationFactor <= fileLength;
}

}  // namespace

CArchiveException::CArchiveException(Cause cause, std::uint64_t offset, const std::string& what)
    : std::runtime_error(Detail(offset, what)), m_cause(cause), m_offset(offset), m_detail(Detail(offset, what)) {}

CArchiveException::CArchiveException(std::uint64_t offset, const std::string& what, Shortfall shortfall)
    : CArchiveException(endOfFile, offset, what) {
    m_shortfall = std::move(shortfall);
}

CArchiveException::CArchiveException(const CArchiveException& original, const std::string& message)
    : std::runtime_error(message), m_cause(original.m_cause), m_offset(original.m_offset),
      m_shortfall(original.m_shortfall), m_detail(original.m_detail) {}

std::string ShortfallText(const CArchiveException::Shortfall& s) {
    const bool oneLeft = s.left == 1;
    return s.subject + (s.plural ? " need " : " needs ") + (s.atLeast ? "at least " : "") + std::to_string(s.needed) +
           (s.needed == 1 ? " byte, " : " bytes, ") + std::to_string(s.left) + (oneLeft ? " is left" : " are left");
}

std::string DescribeReadError(const std::string& fileName, const std::string& kind, const CArchiveException& error,
                              std::uint64_t fileLength) {
    std::string sentence;
    if (fileLength == 0)
        sentence = fileName + " is empty: it is not a " + kind + " file";
    else if (LooksCutShort(error, fileLength))
        sentence = fileName + " is cut short: " + ShortfallText(*error.shortfall());
    else
        sentence = fileName + " is not a " + kind + " file";
    return sentence + " (" + error.detail() + ")";
}

CFileException::CFileException(const std::string& path, const std::string& what)
    : std::runtime_error(what + ": " + path), m_path(path) {}

}  // namespace voxmill
