// Replacing a collection and its linked member files all or nothing.
//
// A collection in file P whose linked members are being (re)written does
// not write over the member files: each member goes to "<member>.voxmill-new"
// beside its file, and the pair is appended to the journal
// "<P>.voxmill-journal". Saving the collection writes its record to
// "<P>.voxmill-new" as well, then appends the line "commit" to the journal:
// that one write is the moment the new collection takes over. Only then is
// every staged file renamed over its target (the collection last) and the
// journal removed.
//
// Whoever next opens or saves P, or starts another run for P, first
// finishes what an interrupted replacement left there: with "commit" in the
// journal the remaining renames are done, without it the staged files are
// removed. So the next open sees the previous collection with its members,
// or the new one with its members, never a mix. A journal of a replacement
// still in progress (this process, or another one that still runs) is left
// alone.
//
// The object is shared by the collection document and its member stubs
// (the stubs read and write the staged files while it is pending). The last
// owner to let go of an uncommitted replacement removes its staged files:
// closing a collection without saving it keeps the previous one.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace voxmill {

class CLinkedReplacement {
public:
    static constexpr const char* kStagedSuffix = ".voxmill-new";
    static constexpr const char* kJournalSuffix = ".voxmill-journal";

    // Starts a replacement for the collection at `collectionPath`, first
    // finishing what an interrupted one left there. Throws CFileException
    // when the journal cannot be written.
    explicit CLinkedReplacement(const std::string& collectionPath);
    // Removes the staged files and the journal unless committed.
    ~CLinkedReplacement();
    CLinkedReplacement(const CLinkedReplacement&) = delete;
    CLinkedReplacement& operator=(const CLinkedReplacement&) = delete;

    // The file a member bound for `memberPath` is written to until the
    // commit (links in `memberPath` followed). Throws CFileException when
    // the journal cannot record it.
    std::string Stage(const std::string& memberPath);
    // Writes the collection through `write` to its staged file, then
    // commits: afterwards the collection at `collectionPath` and every
    // staged member are in place. Throws when the collection could not be
    // written (nothing changed then; the replacement stays pending) or a
    // rename failed after the commit (the next open completes it).
    void Commit(const std::string& collectionPath, const std::function<void(const std::string&)>& write);
    // Drops a member whose staged file will not be written after all (it
    // was kept in place instead); its target stays as it is.
    void Unstage(const std::string& memberPath);
    bool Pending() const { return !m_committed; }
    const std::string& GetJournalPath() const { return m_journal; }

    // Completes or rolls back what an interrupted replacement left beside
    // `collectionPath`, and removes the temporaries of staged files that
    // killed writers left in its folder; does nothing without a journal or
    // while its replacement is still in progress.
    static void Recover(const std::string& collectionPath);
    static std::string JournalPathOf(const std::string& collectionPath);

private:
    struct Entry {
        std::string staged, target;
    };
    void Append(const std::string& line);
    void RollBack();

    std::string m_journal;
    int m_fd = -1;
    std::vector<Entry> m_entries;
    bool m_committed = false;
};

}  // namespace voxmill
