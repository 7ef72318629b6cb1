// voxmill-cli export png and png-panel run as a user runs them, on a
// phantom voxelized by Tessor, its reconstruction and their difference:
// the grey picture equals the bitmap export's levels, the colour maps the
// maps' colours of the slice's values, the montage tiles every slice, and
// a failed export keeps the previous file.
#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

#include "app/ListElementStub.h"
#include "formats/PngImage.h"
#include "imaging/GreyMap.h"
#include "reconstruction/Slice.h"
#include "reconstruction/SliceCollection.h"
#include "tests/reconstruction/TestFolder.h"

namespace voxmill {
namespace {

using test::CTestFolder;

using Result = test::CliResult;

class PngCli : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(Cli("plugins register '" VOXMILL_TESSOR_MODULE "'").rc, 0);
        ASSERT_EQ(Cli("phantom shepp-logan head.pha").rc, 0);
        ASSERT_EQ(Cli("project head.pha head.prs --pixels 40 32 --steps 8").rc, 0);
        ASSERT_EQ(Cli("reconstruct head.pha truth.vol --renderer Tessor --voxels 8 8 8").rc, 0);
        ASSERT_EQ(Cli("reconstruct head.prs rec.vol --renderer Tessor --voxels 8 8 8").rc, 0);
        ASSERT_EQ(Cli("compare truth.vol rec.vol --diff diff.vol").rc, 0);
        for (const char* name : {"truth", "diff"})
            ASSERT_EQ(Cli(std::string("slice ") + name + ".vol --axis z " + name + ".sls").rc, 0);
    }

    Result Cli(const std::string& arguments) { return m_folder.RunCli(VOXMILL_CLI, arguments); }
    PngPicture Read(const std::string& name) { return ReadPng(m_folder.File(name)); }
    static bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

    CTestFolder m_folder;
};

TEST_F(PngCli, SlicesInGreyAndBothMapsHoldTheExactLevelsAndColours) {
    Result run = Cli("export png truth.sls truth.png --index 4");
    ASSERT_EQ(run.rc, 0) << run.err;
    ASSERT_EQ(Cli("export bmp truth.sls truth.bmp --index 4").rc, 0);
    const PngPicture grey = Read("truth.png");
    ASSERT_EQ(grey.width, 8u);
    ASSERT_EQ(grey.height, 8u);
    ASSERT_EQ(grey.channels, 1);
    // The bitmap's pixels start after 1078 header bytes, bottom row first.
    const std::string bmp = CTestFolder::ReadText(m_folder.File("truth.bmp"));
    ASSERT_EQ(bmp.size(), 1078u + 64);
    for (std::uint32_t r = 0; r < 8; ++r)
        for (std::uint32_t c = 0; c < 8; ++c)
            EXPECT_EQ(grey.bytes[r * 8 + c], static_cast<std::uint8_t>(bmp[1078 + (7 - r) * 8 + c])) << c << ", " << r;

    CSliceCollection diff;
    diff.m_bAutoDelete = false;
    diff.Open(m_folder.File("diff.sls"));
    LoadedScope loaded(*diff.GetEntry(4));
    const CSlice& slice = *diff.GetSlice(4);
    for (const char* map : {"diverging", "perceptual"}) {
        run = Cli(std::string("export png diff.sls d.png --index 4 --map ") + map);
        ASSERT_EQ(run.rc, 0) << run.err;
        ColourMapKind kind = ColourMapKind::grey;
        ASSERT_TRUE(ParseColourMap(map, kind));
        const PngPicture picture = Read("d.png");
        ASSERT_EQ(picture.channels, 3);
        for (std::uint32_t r = 0; r < 8; ++r)
            for (std::uint32_t c = 0; c < 8; ++c)
                EXPECT_EQ(picture.At(c, r),
                          MapColour(kind, slice.GetPixel(c, r), slice.GetMinValue(), slice.GetMaxValue()))
                    << map << ' ' << c << ", " << r;
    }
    // A window of one's own.
    ASSERT_EQ(Cli("export png diff.sls w.png --index 4 --map diverging --window -0.01 0.01").rc, 0);
    EXPECT_EQ(Read("w.png").At(3, 3), MapColour(ColourMapKind::diverging, slice.GetPixel(3, 3), -0.01f, 0.01f));
}

TEST_F(PngCli, MontageProjectionAndPanel) {
    Result run = Cli("export png truth.sls montage.png");
    ASSERT_EQ(run.rc, 0) << run.err;
    const PngPicture montage = Read("montage.png");
    // Eight slices of 8 x 8: three columns, three rows, the last cell black.
    EXPECT_EQ(montage.width, 24u);
    EXPECT_EQ(montage.height, 24u);
    for (std::uint32_t r = 16; r < 24; ++r)
        for (std::uint32_t c = 16; c < 24; ++c) EXPECT_EQ(montage.bytes[r * 24 + c], 0);

    run = Cli("export png head.prs.0.PRJ projection.png --map perceptual");
    ASSERT_EQ(run.rc, 0) << run.err;
    const PngPicture projection = Read("projection.png");
    EXPECT_EQ(projection.width, 40u);
    EXPECT_EQ(projection.height, 32u);
    EXPECT_EQ(projection.channels, 3);

    ASSERT_EQ(Cli("export png truth.sls truth.png --index 4").rc, 0);
    run = Cli("png-panel panel.png truth.png projection.png montage.png --gap 3");
    ASSERT_EQ(run.rc, 0) << run.err;
    EXPECT_TRUE(Has(run.out, "wrote panel.png: 78 x 32 pixels")) << run.out;
    const PngPicture panel = Read("panel.png");
    EXPECT_EQ(panel.At(11, 0), projection.At(0, 0));
    EXPECT_EQ(panel.At(0, 8), (Rgb{255, 255, 255}));  // below the slice
    EXPECT_EQ(panel.At(8, 0), (Rgb{255, 255, 255}));  // the gap
}

TEST_F(PngCli, BadRequestsSayWhyAndKeepThePreviousFile) {
    ASSERT_EQ(Cli("export png truth.sls kept.png --index 1").rc, 0);
    const std::string kept = CTestFolder::ReadText(m_folder.File("kept.png"));
    Result run = Cli("export png truth.sls kept.png --index 1 --map rainbow");
    EXPECT_NE(run.rc, 0);
    EXPECT_TRUE(Has(run.err, "--map: 'rainbow' is none of grey, diverging, perceptual")) << run.err;
    run = Cli("export png truth.sls kept.png --index 1 --window 1 0");
    EXPECT_NE(run.rc, 0);
    EXPECT_TRUE(Has(run.err, "--window: LO must be below HI")) << run.err;
    run = Cli("export png truth.sls kept.png --index 8");
    EXPECT_NE(run.rc, 0);
    EXPECT_TRUE(Has(run.err, "holds 8 slices")) << run.err;
    run = Cli("export png truth.vol kept.png");
    EXPECT_NE(run.rc, 0);
    run = Cli("png-panel kept.png truth.vol");
    EXPECT_NE(run.rc, 0);
    EXPECT_TRUE(Has(run.err, "not a readable PNG")) << run.err;
    EXPECT_EQ(CTestFolder::ReadText(m_folder.File("kept.png")), kept);

    run = Cli("export png truth.sls missing/folder/x.png --index 1");
    EXPECT_NE(run.rc, 0);
    EXPECT_TRUE(Has(run.err, "cannot create file")) << run.err;
    EXPECT_TRUE(Has(run.err, "nothing written")) << run.err;
}

}  // namespace
}  // namespace voxmill
