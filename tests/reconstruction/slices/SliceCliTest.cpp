// voxmill-cli slice, and the export and info lines of slices and slice
// collections, run as a program on files the test writes.
#include <gtest/gtest.h>


#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "reconstruction/Slice.h"
#include "reconstruction/SliceCollection.h"
#include "reconstruction/Volume.h"
#include "tests/common/TempDir.h"
#include "tests/reconstruction/slices/SliceTestSupport.h"

namespace voxmill::test {
namespace {

// stdout and stderr together
using Result = test::ShellResult;

class SliceCli : public ::testing::Test {
protected:
    TempDir dir;

    Result Run(const std::string& args) {
        const std::string command = "cd \"" + dir.path().string() + "\" && \"" VOXMILL_CLI "\" " + args + " 2>&1";
        return test::RunShell(command);
    }

    // The 64 x 32 x 16 index volume in a box of 2 x 1 x 0.5 (pitch 1/32 on every axis), plus `offset`.
    void WriteVolume(const std::string& name, float offset = 0) {
        auto v = IndexVolume(64, 32, 16, 2, 1, 0.5);
        for (std::size_t k = 0; k < v->GetVoxelCount(); ++k) v->GetVoxels()[k] += offset;
        v->Save(dir.File(name));
    }

    std::unique_ptr<CSliceCollection> OpenCollection(const std::string& name) {
        auto c = std::make_unique<CSliceCollection>();
        c->m_bAutoDelete = false;
        c->Open(dir.File(name));
        return c;
    }
};

bool Has(const Result& r, const std::string& text) { return r.out.find(text) != std::string::npos; }

TEST_F(SliceCli, CutsAVolumeAndListsEverySliceOneALine) {
    WriteVolume("v.vol");
    Result r = Run("slice v.vol --axis z z.sls");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(Has(r, "wrote z.sls: 16 Z slices of 64 x 32 pixels")) << r.out;
    r = Run("info z.sls");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(Has(r, "kind: slice collection\naxis: Z\nslices: 16\nslice 0: Z = +0.234\nslice 1: Z = +0.203\n"))
        << r.out;
    EXPECT_TRUE(Has(r, "slice 15: Z = -0.234\n")) << r.out;

    r = Run("slice v.vol --axis X x.sls");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(Has(r, "64 X slices of 32 x 16 pixels")) << r.out;
    auto c = OpenCollection("x.sls");
    ASSERT_EQ(c->GetCount(), 64u);
    EXPECT_EQ(c->GetSlice(0)->GetPixel(0, 0), IndexValue(63, 31, 0));
}

TEST_F(SliceCli, RefusesWhatItCannotDo) {
    WriteVolume("v.vol");
    ASSERT_EQ(Run("slice v.vol --axis y y.sls").status, 0);
    Result r = Run("slice v.vol --axis y y.sls");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Has(r, "already exists (use --force")) << r.out;
    EXPECT_EQ(Run("slice v.vol --axis y y.sls --force").status, 0);
    r = Run("slice v.vol --axis w w.sls");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Has(r, "--axis: 'w' is none of x, y, z")) << r.out;
    r = Run("slice v.vol w.sls");
    EXPECT_TRUE(Has(r, "--axis x|y|z is required")) << r.out;
    r = Run("slice missing.vol --axis x m.sls");
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(std::filesystem::exists(dir.File("m.sls")));
}

TEST_F(SliceCli, EmptyVolumeGivesAnEmptyCollection) {
    CVolume empty;
    empty.m_bAutoDelete = false;
    empty.OnNewDocument();
    empty.Save(dir.File("empty.vol"));
    Result r = Run("slice empty.vol --axis y e.sls");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(Has(r, "0 Y slices (the volume is empty)")) << r.out;
    r = Run("info e.sls");
    EXPECT_TRUE(Has(r, "axis: Y\nslices: 0\n")) << r.out;
    r = Run("export bmp e.sls out --all");
    EXPECT_EQ(r.status, 0) << r.out;
    r = Run("export bmp e.sls one.bmp --index 0");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Has(r, "--index 0 is outside")) << r.out;
}

TEST_F(SliceCli, ExportsOneSliceByIndexOrAllIntoAFolder) {
    WriteVolume("v.vol");
    ASSERT_EQ(Run("slice v.vol --axis y y.sls").status, 0);
    Result r = Run("export bmp y.sls seven.bmp --index 7");
    ASSERT_EQ(r.status, 0) << r.out;
    auto c = OpenCollection("y.sls");
    c->GetSlice(7)->ExportBitmap(dir.File("expected.bmp"));
    EXPECT_EQ(ReadBytes(dir.File("seven.bmp")), ReadBytes(dir.File("expected.bmp")));

    r = Run("export bmp y.sls seven-windowed.bmp --index 7 --window 400 300");
    ASSERT_EQ(r.status, 0) << r.out;
    c->GetSlice(7)->ExportWindowedBitmap(dir.File("expected-windowed.bmp"), {400, 300});
    EXPECT_EQ(ReadBytes(dir.File("seven-windowed.bmp")), ReadBytes(dir.File("expected-windowed.bmp")));
    EXPECT_NE(ReadBytes(dir.File("seven-windowed.bmp")), ReadBytes(dir.File("seven.bmp")));

    r = Run("export bmp y.sls all --all");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(Has(r, "wrote 32 bitmaps into all")) << r.out;
    const auto names = [&] {
        std::vector<std::string> v;
        for (const auto& e : std::filesystem::directory_iterator(dir.path() / "all")) v.push_back(e.path().filename());
        std::sort(v.begin(), v.end());
        return v;
    }();
    ASSERT_EQ(names.size(), 32u);
    EXPECT_EQ(names.front(), "slice-000.bmp");
    EXPECT_EQ(names.back(), "slice-031.bmp");
    EXPECT_EQ(ReadBytes(dir.File("all/slice-007.bmp")), ReadBytes(dir.File("expected.bmp")));

    r = Run("export bmp y.sls x.bmp");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Has(r, "give either --index N or --all")) << r.out;
    r = Run("export bmp y.sls x.bmp --index 32");
    EXPECT_TRUE(Has(r, "--index 32 is outside 0 .. 31 (32 slices)")) << r.out;
    r = Run("export bmp y.sls x.bmp --index 1 --window 0 5");
    EXPECT_TRUE(Has(r, "--window: the slider values run from 1 to 1000")) << r.out;
    EXPECT_FALSE(std::filesystem::exists(dir.File("x.bmp")));
}

TEST_F(SliceCli, SliceFileInfoAndExports) {
    auto s = std::make_unique<CSlice>();
    s->m_bAutoDelete = false;
    s->OnNewDocument();
    ASSERT_TRUE(s->Create(2, 1, 4, 2));
    for (std::size_t k = 0; k < 8; ++k) s->GetPixels()[k] = static_cast<float>(k);
    s->UpdateRange();
    s->SetAxisPosition(kSliceAxisZ, -0.984375);
    s->Save(dir.File("s.slc"));
    Result r = Run("info s.slc");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(Has(r, "kind: slice\naxis: Z\ndescription: Z = -0.984\nposition: -0.984375\n")) << r.out;
    EXPECT_TRUE(Has(r, "image: 4 x 2 pixels, 2 x 1 units\nvalues: 0 .. 7\n")) << r.out;
    ASSERT_EQ(Run("export bmp s.slc s.bmp").status, 0);
    s->ExportBitmap(dir.File("e.bmp"));
    EXPECT_EQ(ReadBytes(dir.File("s.bmp")), ReadBytes(dir.File("e.bmp")));
    ASSERT_EQ(Run("export bmp s.slc w.bmp --window 500 250").status, 0);
    s->ExportWindowedBitmap(dir.File("ew.bmp"), {500, 250});
    EXPECT_EQ(ReadBytes(dir.File("w.bmp")), ReadBytes(dir.File("ew.bmp")));
}

TEST_F(SliceCli, ComparesTwoSlicesByMeanAbsoluteError) {
    WriteVolume("a.vol");
    WriteVolume("b.vol", 0.5f);
    ASSERT_EQ(Run("slice a.vol --axis y a.sls").status, 0);
    ASSERT_EQ(Run("slice b.vol --axis y b.sls").status, 0);
    Result r = Run("slice compare a.sls b.sls");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(Has(r, "mean absolute error: 0.5 over 1024 pixels")) << r.out;
    EXPECT_TRUE(Has(r, "a.sls slice 16 (Y = -0.016)")) << r.out;  // the central one by default
    r = Run("slice compare a.sls a.sls --index 3");
    EXPECT_TRUE(Has(r, "mean absolute error: 0 over 1024 pixels")) << r.out;
    ASSERT_EQ(Run("slice a.vol --axis x x.sls").status, 0);
    r = Run("slice compare a.sls x.sls");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Has(r, "the slices differ in size: 64 x 16 against 32 x 16")) << r.out;
}

}  // namespace
}  // namespace voxmill::test
