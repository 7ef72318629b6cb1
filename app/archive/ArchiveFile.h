// Whole-file archive I/O. Saving writes a temporary file beside the target
// and renames it over the target only after the whole record was written,
// so a failed save leaves the previous file as it was.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace voxmill {

class CArchive;

// Both throw CFileException or CArchiveException on failure.
void LoadArchiveFile(const std::string& path, std::size_t bufferSize,
                     const std::function<void(CArchive&)>& read);
void SaveArchiveFile(const std::string& path, std::size_t bufferSize,
                     const std::function<void(CArchive&)>& write);
// The first half of SaveArchiveFile: writes the record to a new temporary
// file beside the real target of `path` and hands back its name, replacing
// nothing. The caller renames it in place (file_replace::CommitTemp) or
// removes it; a failure throws and leaves no file.
std::string WriteArchiveAside(const std::string& path, std::size_t bufferSize,
                              const std::function<void(CArchive&)>& write);

// Writes a plain byte file the same safe way (exports).
void SaveFileAtomically(const std::string& path, const std::function<void(class CFile&)>& write);

// The characters after the last '\\', '/' or ':'; the whole string without one.
std::string FileNamePart(const std::string& path);

}  // namespace voxmill
