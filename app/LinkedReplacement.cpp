#include "app/LinkedReplacement.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <set>

#include "app/archive/ArchiveException.h"
#include "contract/FileReplace.h"

namespace voxmill {
namespace {

constexpr const char* kHeader = "voxmill linked replacement 1 pid ";
constexpr const char* kCommitLine = "commit";
// A real journal names each member once: 65536 members with long paths
// stay far below this.
constexpr off_t kMaxJournalBytes = off_t{64} << 20;

// Journals of replacements this process still has in progress.
std::mutex& ActiveMutex() {
    static std::mutex mutex;
    return mutex;
}
std::set<std::string>& ActiveJournals() {
    static std::set<std::string> journals;
    return journals;
}
bool IsActiveHere(const std::string& journal) {
    std::lock_guard<std::mutex> lock(ActiveMutex());
    return ActiveJournals().count(journal) != 0;
}

bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

bool ReadSmallFile(const std::string& path, std::string& text) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= kMaxJournalBytes;
    char buf[8192];
    while (ok) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        text.append(buf, static_cast<std::size_t>(n));
        ok = text.size() <= static_cast<std::size_t>(kMaxJournalBytes);
    }
    ::close(fd);
    return ok;
}

// A journal as written: its owner, its members and whether it committed.
// Entries whose staged name is not "<target>.voxmill-new" are dropped, so a
// forged journal can only touch files that carry our staging name.
struct Journal {
    long pid = 0;
    std::vector<std::pair<std::string, std::string>> entries;  // staged, target
    bool committed = false;
};

bool ParseJournal(const std::string& text, Journal& journal) {
    std::size_t pos = 0;
    bool first = true;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos) break;  // a torn last line never counts
        const std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        if (first) {
            if (line.rfind(kHeader, 0) != 0) return false;
            journal.pid = std::strtol(line.c_str() + std::strlen(kHeader), nullptr, 10);
            first = false;
        } else if (line == kCommitLine) {
            journal.committed = true;
        } else if (line.rfind("stage\t", 0) == 0) {
            const std::size_t tab = line.find('\t', 6);
            if (tab == std::string::npos) continue;
            std::string staged = line.substr(6, tab - 6), target = line.substr(tab + 1);
            if (staged != target + CLinkedReplacement::kStagedSuffix || target.empty()) continue;
            journal.entries.emplace_back(std::move(staged), std::move(target));
        }
    }
    return !first;
}

bool OwnerStillRuns(long pid) {
    if (pid <= 0 || pid == static_cast<long>(::getpid())) return false;
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

}  // namespace

std::string CLinkedReplacement::JournalPathOf(const std::string& collectionPath) {
    return file_replace::ResolveLinks(collectionPath) + kJournalSuffix;
}

void CLinkedReplacement::Recover(const std::string& collectionPath) {
    const std::string journalPath = JournalPathOf(collectionPath);
    if (!Exists(journalPath) || IsActiveHere(journalPath)) return;
    std::string text;
    Journal journal;
    // Not ours or damaged: leave it, and everything it names, alone.
    if (!ReadSmallFile(journalPath, text) || !ParseJournal(text, journal)) return;
    if (OwnerStillRuns(journal.pid)) return;
    for (const auto& [staged, target] : journal.entries) {
        if (!Exists(staged)) continue;  // renamed already, or never written
        if (journal.committed)
            file_replace::CommitTemp(staged, target);
        else
            ::unlink(staged.c_str());
    }
    ::unlink(journalPath.c_str());
    // A run killed while writing left half-written staged files under
    // temporary names beside the collection: no one else will ever save them.
    const std::string dir = file_replace::SplitPath(journalPath).first;
    const std::string suffix = kStagedSuffix;
    for (const auto& [name, temps] : file_replace::StaleTempsIn(dir)) {
        if (name.size() < suffix.size() || name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
            continue;
        for (const std::string& temp : temps) ::unlink((dir + "/" + temp).c_str());
    }
}

CLinkedReplacement::CLinkedReplacement(const std::string& collectionPath) {
    Recover(collectionPath);
    m_journal = JournalPathOf(collectionPath);
    m_fd = ::open(m_journal.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC | O_NOFOLLOW,
                  file_replace::CreationMode());
    if (m_fd < 0) throw CFileException(m_journal, std::string("cannot create file (") + std::strerror(errno) + ")");
    {
        std::lock_guard<std::mutex> lock(ActiveMutex());
        ActiveJournals().insert(m_journal);
    }
    try {
        Append(kHeader + std::to_string(::getpid()));
    } catch (...) {
        RollBack();
        throw;
    }
}

CLinkedReplacement::~CLinkedReplacement() {
    if (!m_committed) RollBack();
}

void CLinkedReplacement::Append(const std::string& line) {
    const std::string text = line + '\n';
    // One write per line: a kill can cut the journal only between lines.
    const ssize_t n = ::write(m_fd, text.data(), text.size());
    if (n != static_cast<ssize_t>(text.size()))
        throw CFileException(m_journal, std::string("write error (") + std::strerror(errno) + ")");
}

std::string CLinkedReplacement::Stage(const std::string& memberPath) {
    const std::string target = file_replace::ResolveLinks(memberPath);
    const std::string staged = target + kStagedSuffix;
    const auto same = [&](const Entry& e) { return e.target == target; };
    if (std::find_if(m_entries.begin(), m_entries.end(), same) != m_entries.end()) return staged;
    if (target.find_first_of("\t\n") != std::string::npos)
        throw CFileException(memberPath, "a file name with a tab or a line break cannot be replaced safely");
    Append("stage\t" + staged + "\t" + target);
    m_entries.push_back({staged, target});
    return staged;
}

void CLinkedReplacement::Unstage(const std::string& memberPath) {
    const std::string target = file_replace::ResolveLinks(memberPath);
    const auto it =
        std::find_if(m_entries.begin(), m_entries.end(), [&](const Entry& e) { return e.target == target; });
    if (it == m_entries.end()) return;
    ::unlink(it->staged.c_str());
    m_entries.erase(it);
}

void CLinkedReplacement::Commit(const std::string& collectionPath,
                                const std::function<void(const std::string&)>& write) {
    if (m_committed) throw CFileException(collectionPath, "the replacement was committed already");
    const std::string collectionTarget = file_replace::ResolveLinks(collectionPath);
    for (const Entry& e : m_entries)
        if (e.target != collectionTarget && !Exists(e.staged))
            throw CFileException(e.target, "the new member file was never written; the collection was not replaced");
    const std::string staged = Stage(collectionPath);
    write(staged);
    Append(kCommitLine);
    ::fsync(m_fd);
    m_committed = true;

    // The collection's own entry was staged last, so it is renamed last.
    std::string failed;
    for (const Entry& e : m_entries)
        if (Exists(e.staged) && !file_replace::CommitTemp(e.staged, e.target))
            failed += (failed.empty() ? "" : ", ") + e.target + " (" + std::strerror(errno) + ")";
    ::close(m_fd);
    m_fd = -1;
    {
        std::lock_guard<std::mutex> lock(ActiveMutex());
        ActiveJournals().erase(m_journal);
    }
    // A failed rename keeps the journal, so the next open finishes the job.
    if (!failed.empty()) throw CFileException(collectionPath, "cannot replace " + failed);
    ::unlink(m_journal.c_str());
}

void CLinkedReplacement::RollBack() {
    for (const Entry& e : m_entries) ::unlink(e.staged.c_str());
    m_entries.clear();
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    ::unlink(m_journal.c_str());
    std::lock_guard<std::mutex> lock(ActiveMutex());
    ActiveJournals().erase(m_journal);
}

}  // namespace voxmill
