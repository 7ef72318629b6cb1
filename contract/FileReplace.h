// Replacing a file the safe way: write a temporary file beside the real
// target, give it the target's mode, rename it over the target.
//
// - A target that is a symbolic link is followed to the file it names, so
//   the link stays a link and the file it points to gets the new contents.
// - An existing file keeps its permission bits (a private 0600 document
//   stays private); a new file gets 0666 less the process umask.
// - Temporary files are named "<target>.voxmill-tmp.<pid>.<random>", so
//   they are recognisably ours and tied to their target. A save removes the
//   ones of its target whose process no longer runs (a save killed
//   half-way), never those of a save still in progress.
//
// Header-only because the component registry, which plug-ins write
// through the contract alone, saves this way too.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace voxmill::file_replace {

inline constexpr const char* kTempMarker = ".voxmill-tmp.";

// The file a save of `path` writes: symbolic links followed (also a
// dangling one, whose file the save creates); `path` itself otherwise.
inline std::string ResolveLinks(const std::string& path) {
    std::string current = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
        std::vector<char> buf(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : PATH_MAX) + 1);
        const ssize_t n = ::readlink(current.c_str(), buf.data(), buf.size());
        if (n <= 0 || static_cast<std::size_t>(n) >= buf.size()) return current;
        std::string link(buf.data(), static_cast<std::size_t>(n));
        if (link.front() != '/') {
            const std::size_t slash = current.find_last_of('/');
            link = (slash == std::string::npos ? std::string() : current.substr(0, slash + 1)) + link;
        }
        current = link;
    }
    return current;  // a loop: the rename will report it
}

// 0666 less the umask, read without changing it (umask() would race other threads).
inline mode_t CreationMode() {
    mode_t mask = 022;
    if (std::FILE* f = std::fopen("/proc/self/status", "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, f))
            if (std::strncmp(line, "Umask:", 6) == 0) {
                mask = static_cast<mode_t>(std::strtoul(line + 6, nullptr, 8));
                break;
            }
        std::fclose(f);
    }
    return static_cast<mode_t>(0666 & ~mask);
}

// The directory part of `path` ("." for a bare name) and the name part.
inline std::pair<std::string, std::string> SplitPath(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return {".", path};
    return {slash == 0 ? std::string("/") : path.substr(0, slash), path.substr(slash + 1)};
}

// True for "<name>.voxmill-tmp.<pid>.<random>" of a process that is gone.
inline bool IsStaleTempOf(const std::string& entry, const std::string& name) {
    const std::string prefix = name + kTempMarker;
    if (entry.size() <= prefix.size() || entry.compare(0, prefix.size(), prefix) != 0) return false;
    const char* digits = entry.c_str() + prefix.size();
    char* end = nullptr;
    const long pid = std::strtol(digits, &end, 10);
    if (end == digits || *end != '.' || pid <= 0) return false;
    if (pid == static_cast<long>(::getpid())) return false;  // maybe another thread's save
    return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

// The temporary files in `dir` whose process is gone, by target name. A
// run that saves thousands of files into one folder would otherwise read
// the folder once per save; the list is kept for a few seconds, within
// which only a process killed meanwhile can add to it (and the next save
// after that picks it up).
inline std::map<std::string, std::vector<std::string>> StaleTempsIn(const std::string& dir) {
    struct Listing {
        std::chrono::steady_clock::time_point when;
        std::map<std::string, std::vector<std::string>> byTarget;
    };
    static std::mutex mutex;
    static std::map<std::string, Listing> cache;
    const auto now = std::chrono::steady_clock::now();
    std::lock_guard<std::mutex> lock(mutex);
    Listing& listing = cache[dir];
    if (listing.when != std::chrono::steady_clock::time_point{} && now - listing.when < std::chrono::seconds(5))
        return listing.byTarget;
    listing.byTarget.clear();
    listing.when = now;
    std::error_code ec;
    std::filesystem::directory_iterator it(dir, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        const std::string entry = it->path().filename().string();
        const std::size_t marker = entry.find(kTempMarker);
        if (marker == std::string::npos || marker == 0) continue;
        const std::string target = entry.substr(0, marker);
        if (IsStaleTempOf(entry, target)) listing.byTarget[target].push_back(entry);
    }
    return listing.byTarget;
}

// Removes what killed saves of `realTarget` left beside it.
inline void RemoveStaleTemps(const std::string& realTarget) {
    const auto [dir, name] = SplitPath(realTarget);
    const auto stale = StaleTempsIn(dir);
    const auto found = stale.find(name);
    if (found == stale.end()) return;
    for (const std::string& entry : found->second) {
        std::error_code ignored;
        std::filesystem::remove_all(dir + "/" + entry, ignored);
    }
}

// "<realTarget>.voxmill-tmp.<pid>.XXXXXX", ready for mkstemp or mkdtemp.
inline std::string TempPattern(const std::string& realTarget) {
    return realTarget + kTempMarker + std::to_string(::getpid()) + ".XXXXXX";
}

// Creates a private temporary file beside `realTarget`; -1 with errno set on failure.
inline int CreateTemp(const std::string& realTarget, std::string& tempPath) {
    std::string pattern = TempPattern(realTarget);
    const int fd = ::mkstemp(pattern.data());
    if (fd >= 0) tempPath = pattern;
    return fd;
}

// Gives `temp` the mode (and, where allowed, the group and owner) the
// target had, or the creation mode for a new target, then renames it over
// `realTarget`. False with errno set when the rename failed.
inline bool CommitTemp(const std::string& temp, const std::string& realTarget) {
    struct stat st {};
    if (::stat(realTarget.c_str(), &st) == 0) {
        if (::chown(temp.c_str(), st.st_uid, st.st_gid) != 0) {
            // Not ours to give away; the group alone may still be allowed.
            [[maybe_unused]] const int ignored = ::chown(temp.c_str(), static_cast<uid_t>(-1), st.st_gid);
        }
        ::chmod(temp.c_str(), st.st_mode & 07777);
    } else {
        ::chmod(temp.c_str(), CreationMode());
    }
    return ::rename(temp.c_str(), realTarget.c_str()) == 0;
}

}  // namespace voxmill::file_replace
