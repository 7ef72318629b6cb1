// What the core tells a user in words: the sentence for a file that does
// not read (which file, what kind was expected, what is wrong, the byte
// offset last), the messages a boundary folds into its own, and the memory
// figures a large allocation is checked against.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "app/DocTemplate.h"
#include "app/MemoryBudget.h"
#include "app/archive/Archive.h"
#include "app/archive/ArchiveException.h"
#include "app/archive/ErrorSink.h"
#include "tests/app/TestSerialClasses.h"
#include "tests/common/TempDir.h"

namespace voxmill::test {
namespace {

CArchiveException CountError(std::uint32_t count, std::uint64_t itemBytes, std::uint64_t left) {
    return CArchiveException(4, "count", {std::to_string(count) + " elements", count != 1, true, count * itemBytes, left});
}

// Sets VOXMILL_MEMORY_LIMIT for one scope.
class ScopedMemoryLimit {
public:
    explicit ScopedMemoryLimit(const char* value) { setenv("VOXMILL_MEMORY_LIMIT", value, 1); }
    ~ScopedMemoryLimit() { unsetenv("VOXMILL_MEMORY_LIMIT"); }
};

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

TEST(ReadErrorText, ATruncatedFileSaysWhatIsMissingWithTheOffsetLast) {
    EXPECT_EQ(DescribeReadError("phantom.pha", "phantom", CountError(3, 204, 394), 400),
              "phantom.pha is cut short: 3 elements need at least 612 bytes, 394 are left "
              "(archive error at byte 4: count)");
    const CArchiveException one(9, "dword", {"a dword", false, false, 4, 1});
    EXPECT_EQ(DescribeReadError("a.prj", "projection", one, 10),
              "a.prj is cut short: a dword needs 4 bytes, 1 is left (archive error at byte 9: dword)");
}

TEST(ReadErrorText, BytesOfAnotherKindAreNotCalledTruncated) {
    // A malformed record, and a "count" no truncation explains (text read as a count).
    const CArchiveException bitmap(CArchiveException::generic, 18, "malformed bitmap record");
    EXPECT_EQ(DescribeReadError("notes.pha", "phantom", bitmap, 120),
              "notes.pha is not a phantom file (archive error at byte 18: malformed bitmap record)");
    EXPECT_EQ(DescribeReadError("notes.pha", "phantom", CountError(27756, 206, 100), 106),
              "notes.pha is not a phantom file (archive error at byte 4: count)");
    const CArchiveException unknown(CArchiveException::badClass, 6, "unknown class name 'x'");
    EXPECT_EQ(DescribeReadError("v.vol", "volume", unknown, 64),
              "v.vol is not a volume file (archive error at byte 6: unknown class name 'x')");
    EXPECT_EQ(DescribeReadError("v.vol", "volume", CountError(1, 4, 0), 0),
              "v.vol is empty: it is not a volume file (archive error at byte 4: count)");
}

TEST(ReadErrorText, OpenNamesTheFileAndTheKindFromTheTemplateOrTheClass) {
    TempDir dir;
    const std::string path = dir.File("odd.tgt");
    WriteBytes(path, std::string("\x01\x00\x00", 3));  // a flag cut short
    CTestTarget untemplated;
    untemplated.m_bAutoDelete = false;
    try {
        untemplated.Open(path);
        FAIL() << "opened";
    } catch (const CArchiveException& e) {
        EXPECT_EQ(std::string(e.what()),
                  "odd.tgt is cut short: a dword needs 4 bytes, 3 are left (" + e.detail() + ")");
        EXPECT_EQ(e.cause(), CArchiveException::endOfFile);
    }

    CDocTemplate tmpl(900, "\nThing\nSlice Collection\n\n\n\n", false, nullptr);
    CTestTarget templated;
    templated.m_bAutoDelete = false;
    templated.SetDocTemplate(&tmpl);
    EXPECT_EQ(templated.GetKindName(), "slice collection");
    templated.SetDocTemplate(nullptr);
    CTestElement element;
    element.m_bAutoDelete = false;
    EXPECT_EQ(element.GetKindName(), "test element");
}

TEST(ErrorCapture, HoldsBackWhatIsReportedUntilTakenOrPassedOn) {
    std::vector<std::string> shown;
    ErrorSinkFn previous = SetErrorSink([&](const std::string& m) { shown.push_back(m); });
    {
        CErrorCapture outer;
        ReportError("ReadSection error");
        EXPECT_TRUE(shown.empty());
        EXPECT_EQ(outer.Take(), std::vector<std::string>{"ReadSection error"});
        ReportError("kept for later");
    }
    EXPECT_EQ(shown, std::vector<std::string>{"kept for later"});
    ReportError("direct");
    EXPECT_EQ(shown.back(), "direct");
    SetErrorSink(std::move(previous));
}

TEST(MemoryBudget, AmountsParseWithBinarySuffixes) {
    EXPECT_EQ(ParseMemoryAmount("1000"), 1000u);
    EXPECT_EQ(ParseMemoryAmount("512M"), 512ull << 20);
    EXPECT_EQ(ParseMemoryAmount("1.5G"), 3ull << 29);
    EXPECT_EQ(ParseMemoryAmount("2k"), 2048u);
    for (const char* bad : {"", "lots", "5X", "-1", "1e30"}) EXPECT_FALSE(ParseMemoryAmount(bad)) << bad;
    EXPECT_EQ(ParseMemAvailable("MemTotal:       32000000 kB\nMemFree:  100 kB\nMemAvailable:   2202009 kB\n"),
              2202009ull * 1024);
    EXPECT_FALSE(ParseMemAvailable("MemTotal: 5 kB\n"));
}

TEST(MemoryBudget, FiguresReadInBinaryUnitsWithOneDecimal) {
    EXPECT_EQ(FormatBytes(0), "0 bytes");
    EXPECT_EQ(FormatBytes(1), "1 byte");
    EXPECT_EQ(FormatBytes(1023), "1023 bytes");
    EXPECT_EQ(FormatBytes(1024), "1.0 KiB");
    EXPECT_EQ(FormatBytes(1048575), "1.0 MiB");  // rounds up into the next unit
    EXPECT_EQ(FormatBytes(100000ull * 96 * 96 * 4), "3.4 GiB");
    EXPECT_EQ(FormatBytes(7ull << 39), "3.5 TiB");
}

TEST(MemoryBudget, TheOverrideDecidesWhatFits) {
    ScopedMemoryLimit limit("2G");
    EXPECT_EQ(AvailableMemory(), 2ull << 30);
    EXPECT_EQ(MemoryShortfall(2ull << 30), "");
    EXPECT_EQ(MemoryShortfall(100000ull * 96 * 96 * 4), "needs 3.4 GiB, 2.0 GiB available");
}

TEST(MemoryBudget, WithoutOverrideTheSystemFigureIsRead) {
    unsetenv("VOXMILL_MEMORY_LIMIT");
    const auto available = AvailableMemory();
    ASSERT_TRUE(available);  // Linux always has /proc/meminfo
    EXPECT_GT(*available, 0u);
    EXPECT_EQ(MemoryShortfall(1), "");
}

}  // namespace
}  // namespace voxmill::test
