#include "formats/TempTarget.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "app/archive/ArchiveException.h"
#include "contract/FileReplace.h"

namespace voxmill {

CTempTarget::CTempTarget(const std::string& path) : m_path(path), m_target(file_replace::ResolveLinks(path)) {
    file_replace::RemoveStaleTemps(m_target);
    const int fd = file_replace::CreateTemp(m_target, m_temp);
    if (fd < 0) throw CFileException(path, std::string("cannot create file (") + std::strerror(errno) + ")");
    ::close(fd);
}

CTempTarget::~CTempTarget() {
    if (!m_committed) std::remove(m_temp.c_str());
}

void CTempTarget::Commit() {
    if (!file_replace::CommitTemp(m_temp, m_target))
        throw CFileException(m_path, std::string("cannot replace file (") + std::strerror(errno) + ")");
    m_committed = true;
}

}  // namespace voxmill
