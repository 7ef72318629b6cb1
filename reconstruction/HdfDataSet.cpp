#include "reconstruction/HdfDataSet.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include <hdf.h>

#include "app/archive/ArchiveException.h"
#include "contract/FileReplace.h"

namespace voxmill {
namespace {

std::string HdfMessage() {
    const int16 code = HEvalue(1);
    const char* text = code != DFE_NONE ? HEstring(static_cast<hdf_err_code_t>(code)) : nullptr;
    return text ? text : "unknown HDF error";
}

// A private directory beside the target, removed with what is left in it.
class TempDirectory {
public:
    explicit TempDirectory(const std::string& target) {
        file_replace::RemoveStaleTemps(target);
        std::string name = file_replace::TempPattern(target);
        if (!::mkdtemp(name.data()))
            throw CFileException(target, std::string("cannot create file (") + std::strerror(errno) + ")");
        m_path = name;
    }
    ~TempDirectory() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

}  // namespace

void WriteHdfDataSet(const std::string& path, int rank, const std::int32_t* dims, const float* data) {
    // DFSDadddata appends to an existing file; writing a fresh file and
    // renaming it over the target replaces the old data set instead.
    const std::string target = file_replace::ResolveLinks(path);
    TempDirectory dir(target);
    const std::string temp = dir.path() + "/data.hdf";
    std::vector<int32> sizes(dims, dims + rank);
    // The DFSD interface keeps its settings between calls: start clean.
    DFSDclear();
    if (DFSDsetNT(DFNT_FLOAT32) == FAIL ||
        DFSDadddata(temp.c_str(), rank, sizes.data(), const_cast<float*>(data)) == FAIL) {
        const std::string message = HdfMessage();
        DFSDclear();
        throw CFileException(path, "HDF library error: " + message);
    }
    DFSDclear();
    if (!file_replace::CommitTemp(temp, target))
        throw CFileException(path, std::string("cannot replace file (") + std::strerror(errno) + ")");
}

}  // namespace voxmill
