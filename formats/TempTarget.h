// A temporary file beside an export's target for writers that open files
// by name (HDF5, libtiff): removed unless committed, so a failed export
// leaves the previous file as it was.
#pragma once

#include <string>

namespace voxmill {

class CTempTarget {
public:
    // Throws CFileException when no temporary file can be made beside `path`.
    explicit CTempTarget(const std::string& path);
    ~CTempTarget();
    CTempTarget(const CTempTarget&) = delete;
    CTempTarget& operator=(const CTempTarget&) = delete;

    const std::string& TempPath() const { return m_temp; }
    // Renames the temporary file over the target; throws CFileException.
    void Commit();

private:
    std::string m_path, m_target, m_temp;
    bool m_committed = false;
};

}  // namespace voxmill
