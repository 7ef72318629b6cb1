// A member file that reads as before but cannot be written: it becomes a
// link to a file whose name leaves no room for a temporary name beside it
// (root ignores permission bits, so these cannot be used).
#pragma once

#include <filesystem>
#include <string>

namespace voxmill::testing {

// Returns the name of the real file the member now links to.
inline std::string MakeUnwritable(const std::string& member) {
    namespace fs = std::filesystem;
    const fs::path real = fs::path(member).parent_path() / (std::string(236, 'l') + ".prj");
    fs::rename(member, real);
    fs::create_symlink(real, member);
    return real.filename().string();
}

}  // namespace voxmill::testing
