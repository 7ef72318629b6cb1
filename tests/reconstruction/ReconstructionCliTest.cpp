// voxmill-cli plugins, reconstruct, and the volume's export and info, run
// as a user runs them, each test with its own registry file.
#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

#include "tests/reconstruction/TestFolder.h"

namespace voxmill {
namespace {

using test::CTestFolder;

using Result = test::CliResult;

class ReconstructionCli : public ::testing::Test {
protected:
    Result Cli(const std::string& arguments) { return m_folder.RunCli(VOXMILL_CLI, arguments); }

    void RegisterTestRenderer() {
        const Result r = Cli("plugins register '" VOXMILL_TEST_RENDERER "'");
        ASSERT_EQ(r.rc, 0) << r.err;
    }

    static bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

    CTestFolder m_folder;
};

TEST_F(ReconstructionCli, PluginsAreListedRegisteredAndUnregistered) {
    Result r = Cli("plugins list");
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_TRUE(Has(r.out, "registry: " + m_folder.Registry())) << r.out;
    EXPECT_TRUE(Has(r.out, "no renderer plug-ins are registered")) << r.out;

    r = Cli("plugins register '" VOXMILL_TEST_RENDERER "'");
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_TRUE(Has(r.out, "{7E57A001-0001-4000-8000-000000000001}  Voxmill Test Renderer A")) << r.out;
    r = Cli("plugins list");
    EXPECT_TRUE(Has(r.out, "Voxmill Test Renderer B")) << r.out;

    r = Cli("plugins unregister '" VOXMILL_TEST_RENDERER "'");
    ASSERT_EQ(r.rc, 0) << r.err;
    r = Cli("plugins list");
    EXPECT_TRUE(Has(r.out, "no renderer plug-ins are registered")) << r.out;

    r = Cli("plugins register '" VOXMILL_TEST_BROKEN_MODULE "'");
    EXPECT_NE(r.rc, 0);
    EXPECT_TRUE(Has(r.err, "has no DllRegisterServer")) << r.err;
    r = Cli("plugins frobnicate");
    EXPECT_NE(r.rc, 0);
}

TEST_F(ReconstructionCli, AVoxelizedPhantomIsSavedInspectedAndExported) {
    RegisterTestRenderer();
    ASSERT_EQ(Cli("phantom shepp-logan head.pha").rc, 0);
    Result r = Cli("reconstruct head.pha head.vol --renderer 'voxmill test renderer a' --voxels 8 4 2 "
                   "--volume-size 1 2 3");
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_TRUE(Has(r.err, "Sinthetizing...")) << r.err;
    EXPECT_TRUE(Has(r.err, "Average time: ")) << r.err;

    r = Cli("info head.vol");
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_TRUE(Has(r.out, "kind: volume\nvoxels: 8 x 4 x 2\nextents: 1 x 2 x 3\npitches: 0.125 0.5 1.5\n"))
        << r.out;
    EXPECT_TRUE(Has(r.out, "centres: x -0.4375 .. 0.4375, y -0.75 .. 0.75, z -0.75 .. 0.75")) << r.out;

    ASSERT_EQ(Cli("export raw head.vol head.raw").rc, 0);
    EXPECT_EQ(std::filesystem::file_size(m_folder.File("head.raw")), 8u * 4 * 2 * 4);
    ASSERT_EQ(Cli("export hdf head.vol head.hdf").rc, 0);
    EXPECT_GT(std::filesystem::file_size(m_folder.File("head.hdf")), 8u * 4 * 2 * 4);
}

TEST_F(ReconstructionCli, RendererOptionsReachTheRendererThroughItsProperties) {
    RegisterTestRenderer();
    ASSERT_EQ(Cli("phantom shepp-logan head.pha").rc, 0);
    Result r = Cli("project head.pha scan.prs --pixels 32 32 --steps 4");
    ASSERT_EQ(r.rc, 0) << r.err;

    // Program-driven loop: 4 projections each adding Gain, then 2 pi / 4.
    r = Cli("reconstruct scan.prs loop.vol --renderer VOXTESTA --voxels 4 4 4 --option Gain=2");
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_TRUE(Has(r.err, "Backprojecting...")) << r.err;
    EXPECT_TRUE(Has(Cli("info loop.vol").out, "values: 12.566371 .. 12.566371"));

    // The renderer takes the collection: no scaling by the program.
    r = Cli("reconstruct scan.prs whole.vol --renderer " + std::string("{7E57A001-0001-4000-8000-000000000001}") +
            " --voxels 4 4 4 --option IsProcessCollection=1");
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_TRUE(Has(Cli("info whole.vol").out, "values: 4 .. 4"));
}

TEST_F(ReconstructionCli, AMissingMemberIsSkippedInBothModesAndReported) {
    RegisterTestRenderer();
    ASSERT_EQ(Cli("phantom shepp-logan head.pha").rc, 0);
    ASSERT_EQ(Cli("project head.pha scan.prs --pixels 32 32 --steps 4").rc, 0);
    std::filesystem::remove(m_folder.File("scan.prs.2.PRJ"));
    const std::string report = "1 of 4 members were missing and skipped: member 2: " + m_folder.File("scan.prs.2.PRJ");

    // Program loop: three projections add Gain each, then 2 pi / 4.
    Result r = Cli("reconstruct scan.prs loop.vol --renderer VOXTESTA --voxels 2 2 2 --option Gain=2");
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_TRUE(Has(r.err, report)) << r.err;
    EXPECT_TRUE(Has(Cli("info loop.vol").out, "values: 9.42477798 .. 9.42477798"));

    r = Cli("reconstruct scan.prs whole.vol --renderer VOXTESTA --voxels 2 2 2 --option IsProcessCollection=1");
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_TRUE(Has(r.err, report)) << r.err;
    EXPECT_TRUE(Has(Cli("info whole.vol").out, "values: 3 .. 3"));
}
#if defined(VOXMILL_TESSOR_MODULE) && defined(VOXMILL_KARVEX_MODULE)
// The renderers take the detector grid from the first entry they can load:
// without member 0 the collection still reconstructs, the member counted.
TEST_F(ReconstructionCli, RenderersReconstructACollectionWithoutItsFirstMember) {
    ASSERT_EQ(Cli("plugins register '" VOXMILL_TESSOR_MODULE "'").rc, 0);
    ASSERT_EQ(Cli("plugins register '" VOXMILL_KARVEX_MODULE "'").rc, 0);
    ASSERT_EQ(Cli("phantom shepp-logan head.pha").rc, 0);
    ASSERT_EQ(Cli("project head.pha scan.prs --pixels 32 32 --steps 6").rc, 0);
    std::filesystem::remove(m_folder.File("scan.prs.0.PRJ"));
    const std::string report = "1 of 6 members were missing and skipped: member 0: " + m_folder.File("scan.prs.0.PRJ");

    Result r = Cli("reconstruct scan.prs tessor.vol --renderer Tessor --voxels 8 8 8 --option IsProcessCollection=1");
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_TRUE(Has(r.err, report)) << r.err;
    // The program's own loop skips the same member: the same volume.
    r = Cli("reconstruct scan.prs loop.vol --renderer Tessor --voxels 8 8 8");
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_TRUE(Has(r.err, report)) << r.err;
    const std::string values = Cli("info tessor.vol").out;
    EXPECT_TRUE(Has(values, "values: ")) << values;
    EXPECT_EQ(values.substr(values.find("values: ")), [&] {
        const std::string loop = Cli("info loop.vol").out;
        return loop.substr(loop.find("values: "));
    }());

    r = Cli("reconstruct scan.prs karvex.vol --renderer Karvex --voxels 8 8 8");
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_TRUE(Has(r.err, report)) << r.err;
    EXPECT_TRUE(Has(Cli("info karvex.vol").out, "values: ")) << r.err;

    // With no member left there is nothing to take a grid from.
    for (int k = 1; k < 6; ++k) std::filesystem::remove(m_folder.File("scan.prs." + std::to_string(k) + ".PRJ"));
    r = Cli("reconstruct scan.prs none.vol --renderer Karvex --voxels 8 8 8");
    EXPECT_NE(r.rc, 0);
    EXPECT_FALSE(std::filesystem::exists(m_folder.File("none.vol")));
}
#endif

#if defined(VOXMILL_TESSOR_MODULE) && defined(VOXMILL_KARVEX_MODULE)
// A quarter circle is neither a full scan nor a short one: both renderers
// still reconstruct, unweighted, and the command says why, naming neither
// a failure nor an empty result.
TEST_F(ReconstructionCli, AnUnevenArcIsReconstructedAndTheReasonPrinted) {
    ASSERT_EQ(Cli("plugins register '" VOXMILL_TESSOR_MODULE "'").rc, 0);
    ASSERT_EQ(Cli("plugins register '" VOXMILL_KARVEX_MODULE "'").rc, 0);
    ASSERT_EQ(Cli("phantom shepp-logan head.pha").rc, 0);
    ASSERT_EQ(Cli("project head.pha arc.prs --pixels 32 32 --end 90 --steps 8").rc, 0);
    ASSERT_EQ(Cli("project head.pha full.prs --pixels 32 32 --steps 8").rc, 0);
    const std::string why =
        "voxmill-cli: the projections cover neither a full circle nor a short scan (180 degrees plus the fan angle, "
        "in even steps): reconstructed without short-scan weights";
    for (const char* renderer : {"Tessor", "Karvex"}) {
        // Tessor weighs short scans in its collection mode; Karvex always reads the whole collection.
        const std::string options =
            std::string(" --force --voxels 8 8 8 --renderer ") + renderer +
            (std::string(renderer) == "Tessor" ? " --option IsProcessCollection=1" : "");
        Result r = Cli("reconstruct arc.prs arc.vol" + options);
        ASSERT_EQ(r.rc, 0) << renderer << ": " << r.err;
        EXPECT_TRUE(Has(r.err, why)) << renderer << ": " << r.err;
        EXPECT_TRUE(std::filesystem::exists(m_folder.File("arc.vol")));
        r = Cli("reconstruct full.prs full.vol" + options);
        ASSERT_EQ(r.rc, 0) << renderer << ": " << r.err;
        EXPECT_FALSE(Has(r.err, "short scan")) << renderer << ": " << r.err;
    }
}
#endif

#ifdef VOXMILL_KARVEX_MODULE
TEST_F(ReconstructionCli, KarvexIsListedAndReconstructsWithItsOptions) {
    ASSERT_EQ(Cli("plugins register '" VOXMILL_KARVEX_MODULE "'").rc, 0);
    Result r = Cli("plugins list");
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_TRUE(Has(r.out, "{D5CD8B32-7333-11D3-B405-F04640D171F5}")) << r.out;
    EXPECT_TRUE(Has(r.out, "Karvex Control")) << r.out;
    ASSERT_EQ(Cli("phantom shepp-logan head.pha").rc, 0);
    ASSERT_EQ(Cli("project head.pha scan.prs --pixels 32 32 --steps 8").rc, 0);

    r = Cli("reconstruct scan.prs fixed.vol --renderer Karvex --voxels 8 8 8");
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_TRUE(Has(r.err, "Initializing...")) << r.err;
    EXPECT_TRUE(Has(r.err, "Backprojecting...")) << r.err;
    r = Cli("reconstruct scan.prs float.vol --renderer Karvex --voxels 8 8 8 --option IsFixedPoint=0 "
            "--option IsAllowedSimmetryBoost=0");
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_TRUE(Has(Cli("info float.vol").out, "values:"));
    r = Cli("reconstruct scan.prs bad.vol --renderer Karvex --voxels 8 8 8 --option IsProcessCollection=1");
    EXPECT_NE(r.rc, 0);
    EXPECT_TRUE(Has(r.err, "IsProcessCollection")) << r.err;
    EXPECT_FALSE(std::filesystem::exists(m_folder.File("bad.vol")));
}
#endif

TEST_F(ReconstructionCli, BadRequestsFailWithAMessageAndWriteNothing) {
    RegisterTestRenderer();
    ASSERT_EQ(Cli("phantom shepp-logan head.pha").rc, 0);
    struct Case {
        std::string arguments, message;
    };
    const Case cases[] = {
        {"reconstruct head.pha out.vol", "--renderer NAME is required"},
        {"reconstruct head.pha out.vol --renderer Nonesuch", "\"Voxmill Test Renderer A\""},
        {"reconstruct head.pha out.vol --renderer VOXTESTA --voxels 4 0 4", "positive integer"},
        {"reconstruct head.pha out.vol --renderer VOXTESTA --volume-size 1 -1 1", "greater than 0"},
        {"reconstruct head.pha out.vol --renderer VOXTESTA --option Gain", "expected PROPERTY=VALUE"},
        {"reconstruct head.pha out.vol --renderer VOXTESTA --option Gain=fast", "neither a number"},
        {"reconstruct head.pha out.vol --renderer VOXTESTA --option Speed=1", "no property 'Speed'"},
        {"reconstruct stdout.txt out.vol --renderer VOXTESTA", "(.prs) or a phantom (.pha)"},
        {"reconstruct missing.pha out.vol --renderer VOXTESTA", "missing.pha"},
        {"reconstruct stdout.txt.pha out.vol --renderer VOXTESTA", "stdout.txt.pha is"},
        // Refused with the figures before anything is read or allocated.
        {"reconstruct head.pha out.vol --renderer VOXTESTA --voxels 128 128 128",
         "voxmill-cli: No volume was made: a volume of 128 x 128 x 128 voxels needs 8.0 MiB, 1.0 MiB available."},
    };
    CTestFolder::WriteText(m_folder.File("stdout.txt.pha"), "not a phantom at all, only words\n");
    setenv("VOXMILL_MEMORY_LIMIT", "1M", 1);
    for (const Case& c : cases) {
        const Result r = Cli(c.arguments);
        EXPECT_NE(r.rc, 0) << c.arguments;
        EXPECT_TRUE(Has(r.err, c.message)) << c.arguments << "\n" << r.err;
        EXPECT_FALSE(std::filesystem::exists(m_folder.File("out.vol"))) << c.arguments;
    }
    unsetenv("VOXMILL_MEMORY_LIMIT");

    CTestFolder::WriteText(m_folder.File("keep.vol"), "precious");
    Result r = Cli("reconstruct head.pha keep.vol --renderer VOXTESTA --voxels 2 2 2");
    EXPECT_NE(r.rc, 0);
    EXPECT_TRUE(Has(r.err, "use --force")) << r.err;
    EXPECT_EQ(CTestFolder::ReadText(m_folder.File("keep.vol")), "precious");
    r = Cli("info keep.vol");
    EXPECT_NE(r.rc, 0);
    EXPECT_TRUE(Has(r.err, "voxmill-cli: ")) << r.err;
    r = Cli("export hdf keep.vol keep.hdf");
    EXPECT_NE(r.rc, 0);
    EXPECT_FALSE(std::filesystem::exists(m_folder.File("keep.hdf")));

    r = Cli("reconstruct head.pha keep.vol --renderer VOXTESTA --voxels 2 2 2 --force");
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_TRUE(Has(Cli("info keep.vol").out, "voxels: 2 x 2 x 2"));
}

}  // namespace
}  // namespace voxmill
