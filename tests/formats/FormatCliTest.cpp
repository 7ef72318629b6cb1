// voxmill-cli export hdf5|tiff|mha|nrrd and import stack, run as a user
// runs them; the HDF5 projection export is reconstructed from the file
// alone and compared with the original collection's volume.
#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

#include "tests/reconstruction/TestFolder.h"

namespace voxmill {
namespace {

using test::CTestFolder;

using Result = test::CliResult;

class FormatCli : public ::testing::Test {
protected:
    Result Cli(const std::string& arguments) { return m_folder.RunCli(VOXMILL_CLI, arguments); }
    bool Exists(const std::string& name) const { return std::filesystem::exists(m_folder.File(name)); }
    static bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

    CTestFolder m_folder;
};

TEST_F(FormatCli, Hdf5ProjectionExportReconstructsToTheSameVolume) {
    const Result reg = Cli("plugins register '" VOXMILL_TESSOR_MODULE "'");
    ASSERT_EQ(reg.rc, 0) << reg.err;
    ASSERT_EQ(Cli("phantom shepp-logan head.pha").rc, 0);
    Result r = Cli("project head.pha head.prs --pixels 32 36 --steps 12 --in-place");
    ASSERT_EQ(r.rc, 0) << r.err;
    r = Cli("export hdf5 head.prs head.h5 --deflate 4");
    ASSERT_EQ(r.rc, 0) << r.err;
    r = Cli("import stack head.h5 again.prs");
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_TRUE(Has(r.out, "again.prs: 12 projections of 32 x 36 pixels, geometry from the file")) << r.out;
    EXPECT_TRUE(Has(r.err, "12/12")) << r.err;  // the progress bar
    for (const char* name : {"head", "again"}) {
        r = Cli(std::string("reconstruct ") + name + ".prs " + name + ".vol --renderer Tessor --voxels 12 12 12");
        ASSERT_EQ(r.rc, 0) << r.err;
        ASSERT_EQ(Cli(std::string("export raw ") + name + ".vol " + name + ".raw").rc, 0);
    }
    const std::string original = CTestFolder::ReadText(m_folder.File("head.raw"));
    EXPECT_EQ(original.size(), 12u * 12 * 12 * 4);
    EXPECT_EQ(CTestFolder::ReadText(m_folder.File("again.raw")), original);

    // Rendered straight into HDF5, the file names the renderer and its options.
    r = Cli("reconstruct head.prs tagged.h5 --renderer Tessor --voxels 12 12 12 --option IsProcessCollection=1");
    ASSERT_EQ(r.rc, 0) << r.err;
    const std::string tagged = CTestFolder::ReadText(m_folder.File("tagged.h5"));
    EXPECT_TRUE(Has(tagged, "IsProcessCollection=1"));
    EXPECT_TRUE(Has(tagged, "Tessor"));
    EXPECT_FALSE(Exists("tagged.vol"));

    for (const char* kind : {"hdf5", "tiff", "mha", "nrrd"}) {
        r = Cli(std::string("export ") + kind + " head.vol head." + kind);
        EXPECT_EQ(r.rc, 0) << kind << ": " << r.err;
        EXPECT_TRUE(Exists(std::string("head.") + kind)) << kind;
    }
    r = Cli("export mha head.prs head.mha");
    EXPECT_NE(r.rc, 0);
    EXPECT_TRUE(Has(r.err, "files export as")) << r.err;
    r = Cli("export hdf5 head.vol x.h5 --deflate 12");
    EXPECT_NE(r.rc, 0);
    EXPECT_FALSE(Exists("x.h5"));
}

TEST_F(FormatCli, ABadStackWritesNothing) {
    ASSERT_EQ(Cli("phantom shepp-logan head.pha").rc, 0);
    ASSERT_EQ(Cli("project head.pha head.prs --pixels 40 32 --steps 3 --in-place").rc, 0);
    ASSERT_EQ(Cli("export tiff head.prs stack.tif").rc, 0);
    ASSERT_EQ(Cli("project head.pha small.prs --pixels 32 32 --steps 1 --in-place").rc, 0);
    ASSERT_EQ(Cli("export tiff small.prs flat.tif").rc, 0);
    Result r = Cli("import stack stack.tif out.prs --flat flat.tif");
    EXPECT_NE(r.rc, 0);
    EXPECT_TRUE(Has(r.err, "the flat field is 32 x 32 pixels, the projections 40 x 32; nothing written")) << r.err;
    EXPECT_FALSE(Exists("out.prs"));
    r = Cli("import stack stack.tif:/projections out.prs");
    EXPECT_NE(r.rc, 0);
    EXPECT_TRUE(Has(r.err, "not an HDF5 file")) << r.err;
    EXPECT_FALSE(Exists("out.prs"));
    r = Cli("import stack stack.tif out.prs --linked --start 0 --end 180");
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_TRUE(Exists("out.prs.0.PRJ"));
    EXPECT_TRUE(Exists("out.prs.2.PRJ"));
    r = Cli("info out.prs");
    EXPECT_TRUE(Has(r.out, "members: 3")) << r.out;
    EXPECT_TRUE(Has(r.out, "linked to ")) << r.out;
}

}  // namespace
}  // namespace voxmill
