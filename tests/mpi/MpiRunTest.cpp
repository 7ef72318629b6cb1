// voxmill-mpi run under mpirun with 1, 2 and 3 ranks on small cases, against
// voxmill-cli: the same bytes, and on failure no output from any rank.
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/reconstruction/TestFolder.h"

namespace voxmill {
namespace {

using test::CTestFolder;

struct Result {
    int rc = -1;
    std::string out, err;
};

class MpiRun : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(Cli("plugins register '" VOXMILL_TESSOR_MODULE "'").rc, 0);
        ASSERT_EQ(Cli("plugins register '" VOXMILL_KARVEX_MODULE "'").rc, 0);
        ASSERT_EQ(Cli("phantom shepp-logan head.pha").rc, 0);
        // Detector 4 x 4 at Ds = Dd = 4: the field of view is a cylinder of
        // radius 0.97 about the y axis.
        const Result r = Cli("project head.pha scan.prs --pixels 32 32 --steps 8");
        ASSERT_EQ(r.rc, 0) << r.err;
    }

    Result Run(const std::string& command) {
        const std::string out = m_folder.File("stdout.txt"), err = m_folder.File("stderr.txt");
        const std::string line = "cd '" + m_folder.Path() + "' && " + command + " >'" + out + "' 2>'" + err + "'";
        const int status = std::system(line.c_str());
        Result r;
        r.rc = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.out = CTestFolder::ReadText(out);
        r.err = CTestFolder::ReadText(err);
        return r;
    }
    Result Cli(const std::string& arguments) { return Run("'" VOXMILL_CLI "' " + arguments); }
    // Each rank's exit status lands in rc.RANK; mpirun itself sees zeros,
    // so that it never cuts a rank short.
    Result Mpi(int ranks, const std::string& arguments, const std::string& environment = "") {
        return Run(environment + " '" VOXMILL_MPIEXEC "' --allow-run-as-root --oversubscribe --mca plm isolated -np " +
                   std::to_string(ranks) + " sh -c '\"$0\" \"$@\"; echo $? > rc.$OMPI_COMM_WORLD_RANK' '" VOXMILL_MPI
                   "' " + arguments);
    }
    std::vector<int> RankStatuses(int ranks) {
        std::vector<int> statuses;
        for (int r = 0; r < ranks; ++r) {
            const std::string text = CTestFolder::ReadText(m_folder.File("rc." + std::to_string(r)));
            statuses.push_back(text.empty() ? -1 : std::atoi(text.c_str()));
        }
        return statuses;
    }
    std::string Bytes(const std::string& name) { return CTestFolder::ReadText(m_folder.File(name)); }
    // Anything beside the inputs that a run may have left: outputs, temporaries.
    std::vector<std::string> Leftovers() {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_folder.Path())) {
            const std::string name = entry.path().filename().string();
            if (name.find(".vol") != std::string::npos || name.find("voxmill-tmp") != std::string::npos)
                names.push_back(name);
        }
        return names;
    }
    static bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

    CTestFolder m_folder;
};

// nZ = 7 divides by neither 2 nor 3.
TEST_F(MpiRun, ReconstructionsMatchTheSingleProcessBytesForEveryRankCount) {
    const std::vector<std::string> cases = {
        "scan.prs %s --renderer Tessor --voxels 9 8 7",
        "scan.prs %s --renderer Karvex --voxels 9 8 7",
        "scan.prs %s --renderer Karvex --voxels 9 8 7 --option IsFixedPoint=0",
        "head.pha %s --renderer Tessor --voxels 6 5 7 --volume-size 2 2.5 3",
    };
    for (const std::string& pattern : cases) {
        const auto with = [&](const std::string& name) {
            std::string words = pattern;
            words.replace(words.find("%s"), 2, name);
            return words;
        };
        std::filesystem::remove(m_folder.File("one.vol"));
        Result r = Cli("reconstruct " + with("one.vol"));
        ASSERT_EQ(r.rc, 0) << pattern << r.err;
        const std::string expected = Bytes("one.vol");
        ASSERT_FALSE(expected.empty());
        for (int ranks = 1; ranks <= 3; ++ranks) {
            const std::string name = "mpi" + std::to_string(ranks) + ".vol";
            r = Mpi(ranks, "reconstruct " + with(name));
            ASSERT_EQ(r.rc, 0) << r.err;
            EXPECT_EQ(RankStatuses(ranks), std::vector<int>(static_cast<std::size_t>(ranks), 0)) << pattern << r.err;
            EXPECT_TRUE(Bytes(name) == expected) << pattern << " with " << ranks << " ranks differs";
            EXPECT_TRUE(Has(r.out, "rank " + std::to_string(ranks - 1) + ": layers")) << r.out;
            std::filesystem::remove(m_folder.File(name));
        }
    }
}

// A box far longer in z than the field of view: the last rank's slab holds
// no voxel in view and is rendered all the same, as zeros.
TEST_F(MpiRun, ASlabOutsideTheFieldOfViewStillComesOutIdentical) {
    ASSERT_EQ(Cli("reconstruct scan.prs one.vol --renderer Karvex --voxels 8 6 12 --volume-size 2 2 12").rc, 0);
    const Result r = Mpi(3, "reconstruct scan.prs three.vol --renderer Karvex --voxels 8 6 12 --volume-size 2 2 12");
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_TRUE(Has(r.out, "rank 2: layers 7-11, 0 voxels in view")) << r.out;
    EXPECT_TRUE(Has(r.out, "rank 0: layers 0-5, ")) << r.out;
    EXPECT_TRUE(Bytes("three.vol") == Bytes("one.vol"));
    // More ranks than layers: the extra ones hold nothing and the file is whole.
    ASSERT_EQ(Cli("reconstruct scan.prs thin.vol --renderer Tessor --voxels 8 6 2").rc, 0);
    const Result more = Mpi(3, "reconstruct scan.prs thin3.vol --renderer Tessor --voxels 8 6 2");
    ASSERT_EQ(more.rc, 0) << more.err;
    EXPECT_EQ(RankStatuses(3), (std::vector<int>{0, 0, 0}));
    EXPECT_TRUE(Has(more.out, "rank 2: no layers")) << more.out;
    EXPECT_TRUE(Bytes("thin3.vol") == Bytes("thin.vol"));
}

TEST_F(MpiRun, AFailingRankStopsEveryRankAndLeavesNoOutput) {
    // A rank told to fail, over an existing file that must survive.
    CTestFolder::WriteText(m_folder.File("old.vol"), "previous contents");
    Result r = Mpi(3, "reconstruct scan.prs old.vol --renderer Karvex --voxels 9 8 7 --force",
                   "VOXMILL_MPI_FAIL_RANK=1");
    EXPECT_EQ(RankStatuses(3), (std::vector<int>{1, 1, 1}));
    EXPECT_TRUE(Has(r.err, "voxmill-mpi: rank 1: failed as told")) << r.err;
    EXPECT_EQ(Bytes("old.vol"), "previous contents");
    EXPECT_EQ(Leftovers(), std::vector<std::string>{"old.vol"});

    // A member file gone: every rank reads every member, so all see it.
    std::filesystem::rename(m_folder.File("scan.prs.3.PRJ"), m_folder.File("away.PRJ"));
    r = Mpi(2, "reconstruct scan.prs new.vol --renderer Tessor --voxels 9 8 7");
    EXPECT_EQ(RankStatuses(2), (std::vector<int>{1, 1}));
    EXPECT_TRUE(Has(r.err, "member 3: ")) << r.err;
    EXPECT_TRUE(Has(r.err, "nothing was written")) << r.err;
    EXPECT_EQ(Leftovers(), std::vector<std::string>{"old.vol"});
    std::filesystem::rename(m_folder.File("away.PRJ"), m_folder.File("scan.prs.3.PRJ"));

    // Bad words and a renderer nobody registered: one message, from rank 0.
    r = Mpi(2, "reconstruct scan.prs new.vol --renderer Nonesuch");
    EXPECT_EQ(RankStatuses(2), (std::vector<int>{1, 1}));
    EXPECT_TRUE(Has(r.err, "voxmill-mpi: rank 0: ")) << r.err;
    EXPECT_FALSE(Has(r.err, "rank 1: ")) << r.err;
    r = Mpi(2, "reconstruct scan.prs old.vol --renderer Tessor");
    EXPECT_TRUE(Has(r.err, "old.vol already exists")) << r.err;
    EXPECT_EQ(RankStatuses(2), (std::vector<int>{1, 1}));
    EXPECT_EQ(Leftovers(), std::vector<std::string>{"old.vol"});
}

// The collection stores its members' absolute paths: both programs write
// the same names in the same folder, one after the other.
TEST_F(MpiRun, ProjectionsMatchTheSingleProcessLinkedCollection) {
    const std::vector<std::string> names = {"s.prs", "s.prs.0.PRJ", "s.prs.4.PRJ", "s.prs.6.PRJ"};
    const std::string words = "project head.pha s.prs --pixels 32 32 --steps 7 --start 10 --end 300 --force";
    ASSERT_EQ(Cli(words + " --linked").rc, 0);
    std::vector<std::string> expected;
    for (const std::string& name : names) expected.push_back(Bytes(name));
    for (int ranks = 1; ranks <= 3; ++ranks) {
        for (int k = 0; k < 7; ++k) std::filesystem::remove(m_folder.File("s.prs." + std::to_string(k) + ".PRJ"));
        std::filesystem::remove(m_folder.File("s.prs"));
        const Result r = Mpi(ranks, words);
        ASSERT_EQ(r.rc, 0) << r.err;
        EXPECT_EQ(RankStatuses(ranks), std::vector<int>(static_cast<std::size_t>(ranks), 0)) << r.err;
        for (std::size_t n = 0; n < names.size(); ++n)
            EXPECT_TRUE(Bytes(names[n]) == expected[n]) << names[n] << " with " << ranks << " ranks differs";
    }
    // The collection reads back and reconstructs as the single one did.
    ASSERT_EQ(Cli("reconstruct s.prs a.vol --renderer Tessor --voxels 6 6 5").rc, 0);
}

TEST_F(MpiRun, AFailedProjectionRunKeepsThePreviousCollectionWhole) {
    ASSERT_EQ(Cli("project head.pha s.prs --pixels 32 32 --steps 4").rc, 0);
    const std::string before = Bytes("s.prs"), member = Bytes("s.prs.2.PRJ");
    // A larger run, one rank failing after the others wrote their members.
    const Result r = Mpi(3, "project head.pha s.prs --pixels 48 48 --steps 6 --force", "VOXMILL_MPI_FAIL_RANK=2");
    EXPECT_EQ(RankStatuses(3), (std::vector<int>{1, 1, 1}));
    EXPECT_TRUE(Has(r.err, "voxmill-mpi: rank 2: failed as told")) << r.err;
    EXPECT_TRUE(Bytes("s.prs") == before);
    EXPECT_TRUE(Bytes("s.prs.2.PRJ") == member);
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(m_folder.Path()))
        names.push_back(entry.path().filename().string());
    for (const std::string& name : names) {
        EXPECT_EQ(name.find("voxmill-new"), std::string::npos) << name;
        EXPECT_EQ(name.find("voxmill-journal"), std::string::npos) << name;
    }
    EXPECT_FALSE(std::filesystem::exists(m_folder.File("s.prs.5.PRJ")));
    // Words voxmill-cli would take but a shared run cannot honour.
    const Result inPlace = Mpi(2, "project head.pha t.prs --in-place");
    EXPECT_EQ(RankStatuses(2), (std::vector<int>{1, 1}));
    EXPECT_TRUE(Has(inPlace.err, "--in-place")) << inPlace.err;
}

}  // namespace
}  // namespace voxmill
