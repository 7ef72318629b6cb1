// Replacing a collection and its member files all or nothing: what a
// commit, an abandoned run and a run killed before or after its commit
// leave for the next open, and journals that are not ours to act on.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "app/LinkedReplacement.h"
#include "app/archive/ArchiveException.h"
#include "tests/common/ArchiveBytes.h"
#include "tests/common/TempDir.h"

namespace voxmill::test {
namespace {

constexpr const char* kNew = ".voxmill-new";
const Bytes kOld = B({'o', 'l', 'd'});
const Bytes kNewBytes = B({'n', 'e', 'w'});

// A collection "c.prs" with members "c.prs.0" and "c.prs.1" holding "old".
struct OldCollection {
    TempDir dir;
    std::string prs = dir.File("c.prs");
    std::string m0 = prs + ".0", m1 = prs + ".1";
    OldCollection() {
        for (const auto& p : {prs, m0, m1}) WriteBytes(p, kOld);
    }
    bool AllHold(const Bytes& bytes) const {
        for (const auto& p : {prs, m0, m1})
            if (ReadBytes(p) != bytes) return false;
        return true;
    }
};


// Runs `body` in a child that dies by SIGKILL (the body's own or after it), as a killed run would.
template <typename Body>
void InKilledChild(Body body) {
    const pid_t child = ::fork();
    if (child == 0) {
        body();
        ::kill(::getpid(), SIGKILL);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
}

TEST(LinkedReplacement, CommitPutsEveryStagedFileInPlaceAndLeavesNothingBehind) {
    OldCollection c;
    {
        CLinkedReplacement r(c.prs);
        EXPECT_EQ(r.Stage(c.m0), c.m0 + kNew);
        WriteBytes(r.Stage(c.m0), kNewBytes);  // staging twice names one file
        WriteBytes(r.Stage(c.m1), kNewBytes);
        EXPECT_TRUE(c.AllHold(kOld));  // nothing replaced before the commit
        r.Commit(c.prs, [](const std::string& staged) { WriteBytes(staged, kNewBytes); });
        EXPECT_FALSE(r.Pending());
    }
    EXPECT_TRUE(c.AllHold(kNewBytes));
    EXPECT_EQ(c.dir.Entries(), (std::vector<std::string>{"c.prs", "c.prs.0", "c.prs.1"}));
}

TEST(LinkedReplacement, AnAbandonedOrFailedReplacementKeepsThePreviousCollection) {
    OldCollection c;
    {
        CLinkedReplacement r(c.prs);
        WriteBytes(r.Stage(c.m0), kNewBytes);
    }
    EXPECT_TRUE(c.AllHold(kOld));
    EXPECT_EQ(c.dir.Entries(), (std::vector<std::string>{"c.prs", "c.prs.0", "c.prs.1"}));

    // A member staged but never written refuses the commit; so does a
    // collection record that fails half-way. Both leave everything as it was.
    CLinkedReplacement r(c.prs);
    WriteBytes(r.Stage(c.m0), kNewBytes);
    r.Stage(c.m1);
    EXPECT_THROW(r.Commit(c.prs, [](const std::string&) {}), CFileException);
    r.Unstage(c.m1);
    EXPECT_THROW(r.Commit(c.prs, [](const std::string&) { throw std::runtime_error("disk full"); }),
                 std::runtime_error);
    EXPECT_TRUE(r.Pending());
    EXPECT_TRUE(c.AllHold(kOld));
}

TEST(LinkedReplacement, ARunKilledBeforeItsCommitIsRolledBackByTheNextOpen) {
    OldCollection c;
    InKilledChild([&] {
        CLinkedReplacement r(c.prs);
        WriteBytes(r.Stage(c.m0), kNewBytes);
        WriteBytes(r.Stage(c.m1), kNewBytes);
        ::kill(::getpid(), SIGKILL);  // before `r` could clean up
    });
    EXPECT_TRUE(std::filesystem::exists(c.m0 + kNew));
    CLinkedReplacement::Recover(c.prs);
    EXPECT_TRUE(c.AllHold(kOld));
    EXPECT_EQ(c.dir.Entries(), (std::vector<std::string>{"c.prs", "c.prs.0", "c.prs.1"}));
}

TEST(LinkedReplacement, TheNextOpenRemovesStagedFilesAKilledRunWasStillWriting) {
    OldCollection c;
    {
        std::ofstream out(CLinkedReplacement::JournalPathOf(c.prs));
        out << "voxmill linked replacement 1 pid 999999999\n";
    }
    const std::string halfStaged = c.m0 + kNew + ".voxmill-tmp.999999999.Ab3dEf";
    const std::string stillRunning = c.m1 + kNew + ".voxmill-tmp." + std::to_string(::getpid()) + ".Ab3dEf";
    const std::string plainSave = c.m1 + ".voxmill-tmp.999999999.Ab3dEf";  // the member's own next save clears it
    for (const auto& p : {halfStaged, stillRunning, plainSave}) WriteBytes(p, kNewBytes);
    CLinkedReplacement::Recover(c.prs);
    EXPECT_FALSE(std::filesystem::exists(halfStaged));
    EXPECT_TRUE(std::filesystem::exists(stillRunning));
    EXPECT_TRUE(std::filesystem::exists(plainSave));
    EXPECT_TRUE(c.AllHold(kOld));
}

TEST(LinkedReplacement, ARunKilledAfterItsCommitIsCompletedByTheNextOpen) {
    OldCollection c;
    // The journal as a run leaves it when killed right after "commit": one
    // member renamed already, the other and the collection still staged.
    const std::string journal = CLinkedReplacement::JournalPathOf(c.prs);
    {
        std::ofstream out(journal);
        out << "voxmill linked replacement 1 pid 999999999\n"
            << "stage\t" << c.m0 << kNew << '\t' << c.m0 << '\n'
            << "stage\t" << c.m1 << kNew << '\t' << c.m1 << '\n'
            << "stage\t" << c.prs << kNew << '\t' << c.prs << '\n'
            << "commit\n";
    }
    WriteBytes(c.m0, kNewBytes);
    WriteBytes(c.m1 + kNew, kNewBytes);
    WriteBytes(c.prs + kNew, kNewBytes);
    CLinkedReplacement::Recover(c.prs);
    EXPECT_TRUE(c.AllHold(kNewBytes));
    EXPECT_EQ(c.dir.Entries(), (std::vector<std::string>{"c.prs", "c.prs.0", "c.prs.1"}));
}

TEST(LinkedReplacement, JournalsThatAreNotOursToActOnAreLeftAlone) {
    OldCollection c;
    const std::string journal = CLinkedReplacement::JournalPathOf(c.prs);
    WriteBytes(c.dir.File("victim"), B({'v'}));
    // A forged entry whose staged file is not "<target>.voxmill-new" is ignored.
    {
        std::ofstream out(journal);
        out << "voxmill linked replacement 1 pid 999999999\n"
            << "stage\t" << c.dir.File("victim") << '\t' << c.m0 << '\n';
    }
    CLinkedReplacement::Recover(c.prs);
    EXPECT_TRUE(std::filesystem::exists(c.dir.File("victim")));
    EXPECT_FALSE(std::filesystem::exists(journal));

    // A run still going in another process keeps its staged files.
    {
        std::ofstream out(journal);
        out << "voxmill linked replacement 1 pid " << ::getppid() << "\n"
            << "stage\t" << c.m0 << kNew << '\t' << c.m0 << '\n';
    }
    WriteBytes(c.m0 + kNew, kNewBytes);
    CLinkedReplacement::Recover(c.prs);
    EXPECT_TRUE(std::filesystem::exists(c.m0 + kNew));

    // And so does one in progress in this process.
    std::filesystem::remove(journal);
    std::filesystem::remove(c.m0 + kNew);
    CLinkedReplacement mine(c.prs);
    WriteBytes(mine.Stage(c.m0), kNewBytes);
    CLinkedReplacement::Recover(c.prs);
    EXPECT_TRUE(std::filesystem::exists(c.m0 + kNew));
}

}  // namespace
}  // namespace voxmill::test
