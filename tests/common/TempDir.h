// Test helpers that own what a test leaves on disk: a fresh temporary
// folder removed with everything in it, and a change of the current
// directory undone at the end of the scope.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace voxmill::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    // Full path of a name inside the folder.
    std::string File(const std::string& name) const { return (m_path / name).string(); }
    // Names of the entries in the folder, sorted.
    std::vector<std::string> Entries() const;

private:
    std::filesystem::path m_path;
};

// What a shell command printed and its exit status (-1 when it did not
// exit); the caller adds "2>&1" to have stderr in `out` too.
struct ShellResult {
    int status = -1;
    std::string out;
};
ShellResult RunShell(const std::string& command);

class ScopedCurrentDir {
public:
    explicit ScopedCurrentDir(const std::filesystem::path& dir);
    ~ScopedCurrentDir();
    ScopedCurrentDir(const ScopedCurrentDir&) = delete;
    ScopedCurrentDir& operator=(const ScopedCurrentDir&) = delete;

private:
    std::filesystem::path m_previous;
};

std::vector<std::uint8_t> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

}  // namespace voxmill::test
