// voxmill-cli warp through the built program: linked and in-place
// collections warped and saved, the progress bar, and bad values or a
// member that cannot be written refused with nothing changed.
#include <gtest/gtest.h>

#include <cstdio>

#include "acquisition/Projection.h"
#include "acquisition/ProjectionCollection.h"
#include "app/ListElementStub.h"
#include "imaging/WarpValues.h"
#include "tests/acquisition/TestSupport.h"
#include "tests/imaging/processor/UnwritableMember.h"

namespace voxmill {
namespace {

using testing::Bytes;
using testing::ReadBytes;

// stdout and stderr together
using Result = test::ShellResult;

class WarpCli : public ::testing::Test {
protected:
    Result Run(const std::string& args) {
        const std::string command = "cd \"" + dir.path().string() + "\" && \"" VOXMILL_CLI "\" " + args + " 2>&1";
        return test::RunShell(command);
    }

    static void Fill(CProjection& p, int i) {
        ASSERT_TRUE(p.Create(4.0, 4.0, 8, 8));
        for (std::size_t k = 0; k < p.GetPixelCount(); ++k) p.GetPixels()[k] = static_cast<float>(10 * i + 1 + k);
        p.UpdateRange();
    }
    static std::vector<float> Pixels(const CProjection& p) { return {p.GetPixels(), p.GetPixels() + p.GetPixelCount()}; }
    static std::vector<float> Expected(int i, const WarpValues& values) {
        CProjection p;
        Fill(p, i);
        values.Apply(p);
        return Pixels(p);
    }

    // c.prs with two members, linked to m0.prj and m1.prj or in place.
    void MakeCollection(bool linked) {
        CProjectionCollection c;
        c.m_bAutoDelete = false;
        c.OnNewDocument();
        for (int i = 0; i < 2; ++i) {
            CListElementStub* stub = c.NewProjection();
            Fill(*static_cast<CProjection*>(stub->m_pElement), i);
            if (!linked) continue;
            stub->m_bLinked = true;
            ASSERT_TRUE(stub->SetLinkPath(dir.File("m" + std::to_string(i) + ".prj")));
            stub->Unload();
        }
        c.Save(dir.File("c.prs"));
    }
    std::vector<float> Member(int i) {
        CProjectionCollection c;
        c.m_bAutoDelete = false;
        c.Open(dir.File("c.prs"));
        EXPECT_TRUE(c.GetMember(i)->Load());
        return Pixels(*c.GetProjection(i));
    }

    testing::TempFolder dir;
};

TEST_F(WarpCli, WarpsALinkedCollectionInPlace) {
    MakeCollection(true);
    const Result r = Run("warp c.prs --shift 2 -1 --rotate 30 --cw --spherize 40 --x-only");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("Processing..."), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("] 2/2"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Average time: "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("warped 2 of 2 projections"), std::string::npos) << r.out;
    WarpValues values;
    values.shiftEnabled = values.rotateEnabled = values.spherizeEnabled = true;
    values.shiftX = 2;
    values.shiftY = -1;
    values.angle = 30.0f;
    values.direction = WarpValues::kClockwise;
    values.amount = 40;
    values.spherizeY = false;
    for (int i = 0; i < 2; ++i) EXPECT_EQ(Member(i), Expected(i, values)) << i;
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"c.prs", "m0.prj", "m1.prj"}));
}

TEST_F(WarpCli, WarpsAnInPlaceCollectionAndSavesIt) {
    MakeCollection(false);
    const Bytes before = ReadBytes(dir.File("c.prs"));
    ASSERT_EQ(Run("warp c.prs --spherize -25").status, 0);
    EXPECT_NE(ReadBytes(dir.File("c.prs")), before);
    WarpValues values;
    values.spherizeEnabled = true;
    values.amount = -25;
    EXPECT_EQ(Member(1), Expected(1, values));
}

TEST_F(WarpCli, RefusesBadValuesAndChangesNothing) {
    MakeCollection(true);
    const Bytes prs = ReadBytes(dir.File("c.prs")), m0 = ReadBytes(dir.File("m0.prj"));
    const std::pair<const char*, const char*> cases[] = {
        {"warp c.prs --rotate 400", "--rotate: the angle must lie between 0 and 360 degrees"},
        {"warp c.prs --rotate -1", "--rotate: the angle must lie between 0 and 360 degrees"},
        {"warp c.prs --shift 301 0", "--shift: DX and DY must lie between -300 and 300 pixels"},
        {"warp c.prs --shift 0 -301", "--shift: DX and DY must lie between -300 and 300 pixels"},
        {"warp c.prs --spherize 101", "--spherize: the amount must lie between -100 and 100"},
        {"warp c.prs", "nothing to do"},
        {"warp c.prs --shift 1 1 --cw", "--cw needs --rotate"},
        {"warp c.prs --spherize 5 --x-only --y-only", "exclude each other"},
        {"warp c.prs --rotate ten", "is not a number"},
        {"warp missing.prs --shift 1 0", "missing.prs"},
    };
    for (const auto& [args, message] : cases) {
        const Result r = Run(args);
        EXPECT_NE(r.status, 0) << args;
        EXPECT_NE(r.out.find(message), std::string::npos) << args << ": " << r.out;
    }
    EXPECT_EQ(ReadBytes(dir.File("c.prs")), prs);
    EXPECT_EQ(ReadBytes(dir.File("m0.prj")), m0);
}

TEST_F(WarpCli, AMemberThatCannotBeWrittenChangesNoFile) {
    MakeCollection(true);
    const std::string longName = testing::MakeUnwritable(dir.File("m1.prj"));
    const Bytes prs = ReadBytes(dir.File("c.prs")), m0 = ReadBytes(dir.File("m0.prj")),
                m1 = ReadBytes(dir.File("m1.prj"));
    const Result r = Run("warp c.prs --shift 1 0");
    EXPECT_NE(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("m1.prj"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("member files could not be written; no file was changed"), std::string::npos) << r.out;
    EXPECT_EQ(ReadBytes(dir.File("c.prs")), prs);
    EXPECT_EQ(ReadBytes(dir.File("m0.prj")), m0);
    EXPECT_EQ(ReadBytes(dir.File("m1.prj")), m1);
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"c.prs", longName, "m0.prj", "m1.prj"}));
}

TEST_F(WarpCli, SaysWhichMemberCouldNotBeRead) {
    MakeCollection(true);
    std::remove(dir.File("m1.prj").c_str());
    const Result r = Run("warp c.prs --shift 1 0");
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_NE(r.out.find("member 1 ("), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("warped 1 of 2 projections"), std::string::npos) << r.out;
}

}  // namespace
}  // namespace voxmill
