// Files that are no phantom, or a phantom cut short, opened as a phantom:
// the error names the file, says what is wrong in plain words with the
// exact figures, and keeps the archive's byte offset as the detail.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/archive/ArchiveException.h"
#include "app/archive/ErrorSink.h"
#include "imaging/dib/Dib.h"
#include "phantom/Phantom.h"
#include "phantom/PhantomElementEllipsoid.h"
#include "tests/phantom/TempDir.h"

namespace voxmill {
namespace {

// What Open throws for the file at `path`, and what was reported on the way.
struct OpenFailure {
    std::string what;
    std::string reported;
};

OpenFailure FailToOpen(const std::string& path) {
    CPhantom phantom;
    phantom.m_bAutoDelete = false;
    ClearLastReportedError();
    try {
        phantom.Open(path);
    } catch (const CArchiveException& e) {
        EXPECT_EQ(phantom.GetCount(), 0u);
        return {e.what(), LastReportedError()};
    }
    ADD_FAILURE() << path << " opened";
    return {};
}

TEST(PhantomReadError, ATextFileIsNotAPhantomFile) {
    test::TempDir dir;
    const std::string path = dir.File("phantom.pha");
    const std::string text = "Shepp-Logan, ten ellipsoids, written out by hand.\n";
    test::WriteBytes(path, std::vector<std::uint8_t>(text.begin(), text.end()));
    const OpenFailure f = FailToOpen(path);
    EXPECT_EQ(f.what, "phantom.pha is not a phantom file (archive error at byte 18: malformed bitmap record)");
    // The bitmap reader's own message still comes first.
    EXPECT_EQ(f.reported, "ReadSection error");
}

TEST(PhantomReadError, ABitmapIsNotAPhantomFile) {
    test::TempDir dir;
    const std::string path = dir.File("phantom.pha");
    CDib dib(8, 8, 8);
    ASSERT_TRUE(dib.CreateSection());
    ASSERT_TRUE(dib.WriteFile(path));
    EXPECT_EQ(FailToOpen(path).what,
              "phantom.pha is not a phantom file (archive error at byte 18: malformed bitmap record)");
}

TEST(PhantomReadError, APhantomCutShortSaysHowManyBytesItsElementsNeed) {
    test::TempDir dir;
    const std::string path = dir.File("phantom.pha");
    CPhantom phantom;
    phantom.m_bAutoDelete = false;
    for (int i = 0; i < 3; ++i) phantom.AddElement(RUNTIME_CLASS(CPhantomElementEllipsoid));
    phantom.Save(path);
    // Target flag (4 bytes) and count (2 bytes), then 394 of the elements' bytes.
    std::filesystem::resize_file(path, 4 + 2 + 394);
    const std::uint64_t need = 3 * (2 + CPhantomElement::kRecordBytes);
    EXPECT_EQ(FailToOpen(path).what, "phantom.pha is cut short: 3 elements need at least " + std::to_string(need) +
                                         " bytes, 394 are left (archive error at byte 4: count 3 needs at least " +
                                         std::to_string(need) + " bytes, 394 are left)");

    // Past the count, inside the second element's record.
    phantom.Save(path);
    const auto size = std::filesystem::file_size(path);
    std::filesystem::resize_file(path, size - 10);
    const std::string what = FailToOpen(path).what;
    EXPECT_EQ(what.rfind("phantom.pha is cut short: a ", 0), 0u) << what;
    EXPECT_NE(what.find(" needs "), std::string::npos) << what;
}

TEST(PhantomReadError, AnEmptyFileIsSaidToBeEmpty) {
    test::TempDir dir;
    const std::string path = dir.File("new.pha");
    test::WriteBytes(path, {});
    EXPECT_EQ(FailToOpen(path).what.rfind("new.pha is empty: it is not a phantom file (archive error at byte 0", 0), 0u);
}

}  // namespace
}  // namespace voxmill
