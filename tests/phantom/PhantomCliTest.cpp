// voxmill-cli phantom ...: the built program run on a temporary folder.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "phantom/Phantom.h"
#include "phantom/PhantomElement.h"
#include "phantom/PhantomElementForm.h"
#include "tests/phantom/TempDir.h"

#ifndef VOXMILL_CLI
#error "VOXMILL_CLI must name the voxmill-cli program"
#endif

namespace voxmill {
namespace {

struct Result {
    int status = -1;
    std::string out;
    std::string err;
};

class PhantomCli : public ::testing::Test {
protected:
    // Runs voxmill-cli with the arguments (each quoted) inside the folder.
    Result Run(const std::vector<std::string>& args) {
        std::string command = "cd '" + dir.Path().string() + "' && '" VOXMILL_CLI "'";
        for (const std::string& a : args) command += " '" + a + "'";
        command += " 2>'" + dir.File("stderr.txt") + "'";
        Result r;
        FILE* pipe = popen(command.c_str(), "r");
        if (!pipe) return r;
        char buffer[4096];
        std::size_t got;
        while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) r.out.append(buffer, got);
        const int raw = pclose(pipe);
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        const auto err = test::ReadBytes(dir.File("stderr.txt"));
        r.err.assign(err.begin(), err.end());
        return r;
    }

    std::vector<std::string> Lines(const std::string& text) {
        std::vector<std::string> lines;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

    std::string File(const std::string& name) { return dir.File(name); }

    test::TempDir dir;
};

TEST_F(PhantomCli, NewWritesTheEmptyPhantomAndNeverReplacesSilently) {
    Result r = Run({"phantom", "new", "a.pha"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(test::ReadBytes(File("a.pha")), std::vector<std::uint8_t>({0, 0, 0, 0, 0, 0}));

    Run({"phantom", "add", "a.pha", "cylinder"});
    const auto withElement = test::ReadBytes(File("a.pha"));
    r = Run({"phantom", "new", "a.pha"});
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("already exists"), std::string::npos) << r.err;
    EXPECT_EQ(test::ReadBytes(File("a.pha")), withElement);

    r = Run({"phantom", "new", "a.pha", "--force"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(test::ReadBytes(File("a.pha")).size(), 6u);
}

TEST_F(PhantomCli, AddListRemove) {
    ASSERT_EQ(Run({"phantom", "new", "p.pha"}).status, 0);
    Result r = Run({"phantom", "add", "p.pha", "ellipsoid"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "0\n");
    r = Run({"phantom", "add", "p.pha", "cylinder", "--scale", "0.5", "0.5", "0.25", "--angles", "90", "0", "360",
             "--translate", "0.1", "-0.2", "0.3", "--mu", "-0.5"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "1\n");
    r = Run({"phantom", "add", "p.pha", "ellipsoid", "--mu", "0.125"});
    EXPECT_EQ(r.out, "2\n");

    r = Run({"phantom", "list", "p.pha"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "0\tEllipsoid\t(+0.000,+0.000,+0.000)\t+1.00\n"
              "1\tCylinder\t(+0.100,-0.200,+0.300)\t-0.50\n"
              "2\tEllipsoid\t(+0.000,+0.000,+0.000)\t+0.12\n");

    // The file holds exactly what the form would have applied.
    CPhantom phantom;
    phantom.Open(File("p.pha"));
    ASSERT_EQ(phantom.GetCount(), 3u);
    const CPhantomElement& c = *phantom.GetElement(1);
    EXPECT_EQ(c.m_rotation.p[0], CPhantomElementForm::kPi * 90 * (1.0 / 180));
    EXPECT_EQ(c.m_rotation.p[2], CPhantomElementForm::kPi * 360 * (1.0 / 180));
    EXPECT_EQ(c.m_scale.p[2], 0.25);
    EXPECT_EQ(c.m_mu, -0.5f);

    r = Run({"phantom", "remove", "p.pha", "0"});
    EXPECT_EQ(r.status, 0) << r.err;
    r = Run({"phantom", "list", "p.pha"});
    const auto lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "0\tCylinder\t(+0.100,-0.200,+0.300)\t-0.50");
}

TEST_F(PhantomCli, BadValuesFailWithAMessageAndLeaveTheFileAlone) {
    ASSERT_EQ(Run({"phantom", "new", "p.pha"}).status, 0);
    ASSERT_EQ(Run({"phantom", "add", "p.pha", "ellipsoid"}).status, 0);
    const auto before = test::ReadBytes(File("p.pha"));
    struct Case {
        std::vector<std::string> args;
        const char* message;
    };
    const Case cases[] = {
        {{"phantom", "add", "p.pha", "ellipsoid", "--mu", "2.5"}, "attenuation MU"},
        {{"phantom", "add", "p.pha", "cylinder", "--scale", "0.5", "1.5", "0.5"}, "scaling Y"},
        {{"phantom", "add", "p.pha", "cylinder", "--angles", "0", "0", "-10"}, "rotation PSI"},
        {{"phantom", "add", "p.pha", "ellipsoid", "--translate", "1.01", "0", "0"}, "translation X"},
        {{"phantom", "add", "p.pha", "ellipsoid", "--mu", "abc"}, "not a number"},
        {{"phantom", "add", "p.pha", "ellipsoid", "--scale", "0.5"}, "needs 3"},
        {{"phantom", "add", "p.pha", "sphere"}, "unknown element kind"},
        {{"phantom", "add", "p.pha"}, "missing element kind"},
        {{"phantom", "remove", "p.pha", "1"}, "out of range"},
        {{"phantom", "remove", "p.pha", "-1"}, "out of range"},
        {{"phantom", "remove", "p.pha", "x"}, "not an integer"},
        {{"phantom", "list", "p.pha", "extra"}, "unexpected argument"},
        {{"phantom", "frobnicate", "p.pha"}, "unknown phantom subcommand"},
    };
    for (const Case& c : cases) {
        const Result r = Run(c.args);
        EXPECT_NE(r.status, 0) << c.message;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << "expected '" << c.message << "' in: " << r.err;
        EXPECT_EQ(Lines(r.err).size(), 1u) << r.err;
        EXPECT_EQ(test::ReadBytes(File("p.pha")), before) << c.message;
    }
}

TEST_F(PhantomCli, UnreadableFilesAreReported) {
    test::WriteBytes(File("junk.pha"), {0, 0, 0, 0, 5, 0, 0xFF});
    Result r = Run({"phantom", "list", "junk.pha"});
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("junk.pha"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("archive error"), std::string::npos) << r.err;
    // The workbench's sentence, said once: a count of 5 elements in 7 bytes is no phantom.
    EXPECT_NE(r.err.find("voxmill-cli: junk.pha is not a phantom file (archive error at byte 4: count 5 needs"),
              std::string::npos)
        << r.err;

    // A phantom cut short says how short, with the figures.
    std::vector<std::uint8_t> cut = {0, 0, 0, 0, 2, 0};
    cut.resize(cut.size() + 40, 7);
    test::WriteBytes(File("short.pha"), cut);
    r = Run({"phantom", "list", "short.pha"});
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("voxmill-cli: short.pha is cut short: 2 elements need at least 412 bytes, 40 are left"),
              std::string::npos)
        << r.err;

    r = Run({"phantom", "add", "junk.pha", "ellipsoid"});
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(test::ReadBytes(File("junk.pha")).size(), 7u);

    r = Run({"phantom", "list", "missing.pha"});
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("missing.pha"), std::string::npos) << r.err;
}

TEST_F(PhantomCli, SheppLoganListsTheTenEllipsoids) {
    Result r = Run({"phantom", "shepp-logan", "head.pha"});
    EXPECT_EQ(r.status, 0) << r.err;
    r = Run({"phantom", "list", "head.pha"});
    EXPECT_EQ(r.status, 0) << r.err;
    const auto lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines[0], "0\tEllipsoid\t(+0.000,+0.000,+0.000)\t+1.00");
    EXPECT_EQ(lines[1], "1\tEllipsoid\t(+0.000,+0.000,+0.018)\t-0.80");
    EXPECT_EQ(lines[2], "2\tEllipsoid\t(+0.220,+0.000,+0.000)\t-0.20");
    EXPECT_EQ(lines[4], "4\tEllipsoid\t(+0.000,-0.150,-0.350)\t+0.10");
    EXPECT_EQ(lines[9], "9\tEllipsoid\t(+0.060,+0.000,+0.605)\t+0.10");

    r = Run({"phantom", "shepp-logan", "head.pha"});
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("already exists"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace voxmill
