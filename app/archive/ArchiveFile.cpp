#include "app/archive/ArchiveFile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <unistd.h>

#include "app/archive/Archive.h"
#include "app/archive/File.h"
#include "contract/FileReplace.h"

namespace voxmill {
namespace {

// A temporary file beside the real target of `path` (links followed),
// removed unless committed. Stale ones of killed saves go first.
class TempFile {
public:
    explicit TempFile(const std::string& path) : m_target(file_replace::ResolveLinks(path)) {
        file_replace::RemoveStaleTemps(m_target);
        const int fd = file_replace::CreateTemp(m_target, m_temp);
        if (fd < 0) throw CFileException(path, std::string("cannot create file (") + std::strerror(errno) + ")");
        ::close(fd);
    }
    ~TempFile() {
        if (!m_committed) std::remove(m_temp.c_str());
    }
    const std::string& path() const { return m_temp; }
    void Commit() {
        if (!file_replace::CommitTemp(m_temp, m_target))
            throw CFileException(m_target, std::string("cannot replace file (") + std::strerror(errno) + ")");
        m_committed = true;
    }
    // Hands the file over to the caller, who renames or removes it.
    std::string Release() {
        m_committed = true;
        return m_temp;
    }

private:
    std::string m_target, m_temp;
    bool m_committed = false;
};

}  // namespace

void LoadArchiveFile(const std::string& path, std::size_t bufferSize, const std::function<void(CArchive&)>& read) {
    CDiskFile file(path, CDiskFile::modeRead);
    CArchive ar(file, CArchive::load, bufferSize);
    read(ar);
    ar.Close();
}

namespace {

void WriteTemp(TempFile& temp, const std::function<void(CFile&)>& write) {
    CDiskFile file(temp.path(), CDiskFile::modeCreate);
    write(file);
    file.Close();
}

std::function<void(CFile&)> ArchiveWriter(std::size_t bufferSize, const std::function<void(CArchive&)>& write) {
    return [bufferSize, &write](CFile& file) {
        CArchive ar(file, CArchive::store, bufferSize);
        write(ar);
        ar.Close();
    };
}

}  // namespace

void SaveFileAtomically(const std::string& path, const std::function<void(CFile&)>& write) {
    TempFile temp(path);
    WriteTemp(temp, write);
    temp.Commit();
}

void SaveArchiveFile(const std::string& path, std::size_t bufferSize, const std::function<void(CArchive&)>& write) {
    SaveFileAtomically(path, ArchiveWriter(bufferSize, write));
}

std::string WriteArchiveAside(const std::string& path, std::size_t bufferSize,
                              const std::function<void(CArchive&)>& write) {
    TempFile temp(path);
    WriteTemp(temp, ArchiveWriter(bufferSize, write));
    return temp.Release();
}

std::string FileNamePart(const std::string& path) {
    const std::size_t cut = path.find_last_of("\\/:");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

}  // namespace voxmill
