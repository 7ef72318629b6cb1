// Saves and runs killed at random moments: after each SIGKILL, the next
// open must see the previous document whole (a linked collection with the
// bytes of all its members) or the new one whole, never a mix; whatever
// the killed process left behind must be gone after the next save.
//
// Each case runs voxmill-cli as a user would: a first command makes the
// previous document, a second one (with --force, or a warp in place)
// overwrites it and is killed; `info`/`phantom list` is the next open.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "tests/common/TempDir.h"

namespace voxmill::test {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using Snapshot = std::map<std::string, Bytes>;  // file name -> contents

struct KillCase {
    const char* name;
    std::vector<std::string> setup;      // commands run once (inputs)
    std::string previous;                // makes the previous document
    std::string replacement;             // overwrites it; this one is killed
    std::string nextOpen;                // what opens it afterwards
    std::vector<std::string> document;   // the files that make the document
    int kills;
};

std::vector<std::string> Split(const std::string& text) {
    std::vector<std::string> words;
    std::string word;
    for (char c : text) {
        if (c == ' ') {
            if (!word.empty()) words.push_back(word);
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty()) words.push_back(word);
    return words;
}

pid_t Start(const std::string& folder, const std::string& command) {
    const std::vector<std::string> words = Split(command);
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(folder.c_str()) != 0) ::_exit(126);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        std::vector<char*> argv{const_cast<char*>(VOXMILL_CLI)};
        for (const auto& w : words) argv.push_back(const_cast<char*>(w.c_str()));
        argv.push_back(nullptr);
        ::execv(VOXMILL_CLI, argv.data());
        ::_exit(127);
    }
    return pid;
}

int Wait(pid_t pid) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int RunCli(const std::string& folder, const std::string& command) { return Wait(Start(folder, command)); }

Snapshot Take(const TempDir& dir, const std::vector<std::string>& names) {
    Snapshot s;
    for (const auto& n : names)
        if (fs::exists(dir.File(n))) s[n] = ReadBytes(dir.File(n));
    return s;
}

void Restore(const TempDir& dir, const Snapshot& s, const std::vector<std::string>& names) {
    for (const auto& n : names) {
        const auto it = s.find(n);
        if (it == s.end())
            fs::remove(dir.File(n));
        else
            WriteBytes(dir.File(n), it->second);
    }
}

// Entries that are neither the document nor the case's inputs.
std::vector<std::string> Leftovers(const TempDir& dir, const std::set<std::string>& known) {
    std::vector<std::string> extra;
    for (const auto& e : dir.Entries())
        if (!known.count(e)) extra.push_back(e);
    return extra;
}

class KillDuringSave : public ::testing::TestWithParam<KillCase> {};

TEST_P(KillDuringSave, TheNextOpenSeesThePreviousOrTheNewDocumentNeverAMix) {
    const KillCase& c = GetParam();
    TempDir dir;
    const std::string folder = dir.path().string();
    ::setenv("VOXMILL_REGISTRY", dir.File("registry.ini").c_str(), 1);
    for (const auto& s : c.setup) ASSERT_EQ(RunCli(folder, s), 0) << s;
    std::set<std::string> known;
    for (const auto& e : dir.Entries()) known.insert(e);

    ASSERT_EQ(RunCli(folder, c.previous), 0) << c.previous;
    const Snapshot previous = Take(dir, c.document);
    ASSERT_EQ(previous.size(), c.document.size());
    const auto t0 = std::chrono::steady_clock::now();
    ASSERT_EQ(RunCli(folder, c.replacement), 0) << c.replacement;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const Snapshot replaced = Take(dir, c.document);
    ASSERT_NE(previous, replaced);
    known.insert(c.document.begin(), c.document.end());

    std::mt19937 random(20261208);
    std::uniform_real_distribution<double> when(0.0, seconds * 1.2);
    int keptPrevious = 0, tookNew = 0, withLeftovers = 0;
    for (int k = 0; k < c.kills; ++k) {
        Restore(dir, previous, c.document);
        const pid_t pid = Start(folder, c.replacement);
        ::usleep(static_cast<useconds_t>(when(random) * 1e6));
        ::kill(pid, SIGKILL);
        Wait(pid);
        RunCli(folder, c.nextOpen);  // finishes or rolls back what the kill left
        const Snapshot now = Take(dir, c.document);
        if (now == previous)
            ++keptPrevious;
        else if (now == replaced)
            ++tookNew;
        else
            ADD_FAILURE() << "kill " << k << " left a mix of the previous and the new document";
        if (!Leftovers(dir, known).empty()) ++withLeftovers;
    }
    // The next save of the document removes what killed saves left. (From
    // the previous document: a warp changes the one it finds.)
    Restore(dir, previous, c.document);
    ASSERT_EQ(RunCli(folder, c.replacement), 0);
    EXPECT_EQ(Take(dir, c.document), replaced);
    const std::vector<std::string> left = Leftovers(dir, known);
    EXPECT_EQ(left, std::vector<std::string>{});
    std::cout << c.name << ": " << c.kills << " kills, previous kept " << keptPrevious << ", new complete "
              << tookNew << ", leftovers after " << withLeftovers << " kills, " << left.size()
              << " after the next save\n";
}

std::vector<std::string> LinkedFiles(int members, const std::string& collection = "c.prs") {
    std::vector<std::string> names{collection};
    for (int k = 0; k < members; ++k) names.push_back(collection + "." + std::to_string(k) + ".PRJ");
    return names;
}

INSTANTIATE_TEST_SUITE_P(
    Documents, KillDuringSave,
    ::testing::Values(
        KillCase{"phantom", {}, "phantom new p.pha", "phantom shepp-logan p.pha --force", "phantom list p.pha",
                 {"p.pha"}, 20},
        KillCase{"in-place collection",
                 {"phantom shepp-logan head.pha"},
                 "project head.pha c.prs --in-place --pixels 32 32 --steps 8",
                 "project head.pha c.prs --in-place --pixels 64 64 --steps 40 --start 10 --force",
                 "info c.prs",
                 {"c.prs"},
                 40},
        KillCase{"linked collection",
                 {"phantom shepp-logan head.pha"},
                 "project head.pha c.prs --linked --pixels 48 48 --steps 24",
                 "project head.pha c.prs --linked --pixels 48 48 --steps 24 --start 7 --force",
                 "info c.prs",
                 LinkedFiles(24),
                 50},
        KillCase{"warped linked collection",
                 {"phantom shepp-logan head.pha"},
                 "project head.pha c.prs --linked --pixels 48 48 --steps 24",
                 "warp c.prs --shift 3 -2 --rotate 30 --spherize 40",
                 "info c.prs",
                 LinkedFiles(24),
                 40},
        // "Generate Projections" into a linked collection over a previous one.
        KillCase{"generated linked collection",
                 {"phantom shepp-logan head.pha", "project head.pha a.prs --in-place --pixels 48 48 --steps 24",
                  "project head.pha b.prs --in-place --pixels 48 48 --steps 24 --start 7",
                  "cine expose a.prs a.sds ref.sds", "cine expose b.prs b.sds ref-b.sds"},
                 "cine generate a.sds ref.sds g.prs --linked",
                 "cine generate b.sds ref.sds g.prs --linked --force",
                 "info g.prs",
                 LinkedFiles(24, "g.prs"),
                 30},
        KillCase{"large volume",
                 {"phantom shepp-logan head.pha", "plugins register " VOXMILL_TESSOR_MODULE,
                  "project head.pha in.prs --in-place --pixels 32 32 --steps 4"},
                 "reconstruct in.prs v.vol --renderer Tessor --voxels 8 8 8",
                 "reconstruct in.prs v.vol --renderer Tessor --voxels 160 160 64 --force",
                 "info v.vol",
                 {"v.vol"},
                 30}),
    [](const auto& test) {
        std::string name = test.param.name;
        for (char& ch : name)
            if (ch == ' ' || ch == '-') ch = '_';
        return name;
    });

// Ctrl-C during a run is the run's Cancel: the command fails at the next
// step, and the previous document stays whole with nothing left beside it,
// before any later open tidies up. (Ctrl-C before the run starts ends the
// program as always; one after it finishes lets the save complete.)
struct InterruptCase {
    const char* name;
    std::vector<std::string> setup;
    std::string previous;
    std::string replacement;
    std::vector<std::string> document;
};

class InterruptDuringRun : public ::testing::TestWithParam<InterruptCase> {};

TEST_P(InterruptDuringRun, StopsAtAStepAndLeavesThePreviousDocumentWhole) {
    const InterruptCase& c = GetParam();
    TempDir dir;
    const std::string folder = dir.path().string();
    ::setenv("VOXMILL_REGISTRY", dir.File("registry.ini").c_str(), 1);
    for (const auto& command : c.setup) ASSERT_EQ(RunCli(folder, command), 0) << command;
    ASSERT_EQ(RunCli(folder, c.previous), 0) << c.previous;
    std::set<std::string> known;
    for (const auto& e : dir.Entries()) known.insert(e);
    const Snapshot previous = Take(dir, c.document);
    ASSERT_EQ(previous.size(), c.document.size());

    const auto t0 = std::chrono::steady_clock::now();
    ASSERT_EQ(RunCli(folder, c.replacement), 0);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const Snapshot replaced = Take(dir, c.document);

    std::mt19937 random(20261208);
    std::uniform_real_distribution<double> when(0.3 * seconds, 0.7 * seconds);
    int stopped = 0;
    for (int k = 0; k < 8; ++k) {
        Restore(dir, previous, c.document);
        const pid_t pid = Start(folder, c.replacement);
        ::usleep(static_cast<useconds_t>(when(random) * 1e6));
        ::kill(pid, SIGINT);
        const int status = Wait(pid);
        const Snapshot now = Take(dir, c.document);
        if (status == 0) {
            EXPECT_EQ(now, replaced) << "interrupt " << k << " came after the run";
            continue;
        }
        if (status == 1) ++stopped;
        EXPECT_EQ(now, previous) << "interrupt " << k << " (exit " << status << ")";
        EXPECT_EQ(Leftovers(dir, known), std::vector<std::string>{}) << "interrupt " << k;
    }
    EXPECT_GT(stopped, 0) << "no interrupt landed in the run (" << seconds << " s)";
}

INSTANTIATE_TEST_SUITE_P(
    Runs, InterruptDuringRun,
    ::testing::Values(
        InterruptCase{"linked projection",
                      {"phantom shepp-logan head.pha"},
                      "project head.pha c.prs --linked --pixels 48 48 --steps 24",
                      "project head.pha c.prs --linked --pixels 192 192 --steps 24 --start 7 --force",
                      LinkedFiles(24)},
        InterruptCase{"reconstruction",
                      {"phantom shepp-logan head.pha", "plugins register " VOXMILL_TESSOR_MODULE,
                       "project head.pha in.prs --in-place --pixels 64 64 --steps 24"},
                      "reconstruct in.prs v.vol --renderer Tessor --voxels 8 8 8",
                      "reconstruct in.prs v.vol --renderer Tessor --voxels 200 200 200 --force",
                      {"v.vol"}}),
    [](const auto& test) {
        std::string name = test.param.name;
        for (char& ch : name)
            if (ch == ' ') ch = '_';
        return name;
    });

}  // namespace
}  // namespace voxmill::test
