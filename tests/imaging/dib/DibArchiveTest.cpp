// A bitmap inside an archive record is a BMP file written straight to the
// archive's file; the fields after it must land and read at the right
// place whatever the file kind and the archive's buffer size.
#include <gtest/gtest.h>

#include <memory>

#include "app/archive/Archive.h"
#include "app/archive/ArchiveFile.h"
#include "app/archive/File.h"
#include "tests/common/TempDir.h"
#include "tests/imaging/dib/DibTestSupport.h"

namespace voxmill::test {
namespace {

enum class FileKind { memory, disk };

struct Layout {
    FileKind kind;
    std::size_t storeBuffer, loadBuffer;
    std::uint32_t width, height;  // 8-bit bitmap
};

std::string Name(const ::testing::TestParamInfo<Layout>& info) {
    const Layout& l = info.param;
    return std::string(l.kind == FileKind::memory ? "Mem" : "Disk") + "_store" + std::to_string(l.storeBuffer) +
           "_load" + std::to_string(l.loadBuffer) + "_" + std::to_string(l.width) + "x" + std::to_string(l.height);
}

class DibInArchive : public ::testing::TestWithParam<Layout> {
protected:
    Bytes StoreRecord(const std::function<void(CArchive&)>& write) {
        const Layout& l = GetParam();
        if (l.kind == FileKind::memory) return Store(write, l.storeBuffer);
        SaveArchiveFile(m_dir.File("record.bin"), l.storeBuffer, write);
        return ReadBytes(m_dir.File("record.bin"));
    }
    void LoadRecord(const Bytes& bytes, const std::function<void(CArchive&)>& read) {
        const Layout& l = GetParam();
        if (l.kind == FileKind::memory) return Load(bytes, read, l.loadBuffer);
        WriteBytes(m_dir.File("record.bin"), bytes);
        LoadArchiveFile(m_dir.File("record.bin"), l.loadBuffer, read);
    }

    TempDir m_dir;
};

TEST_P(DibInArchive, InlineRecordIsTheBmpAndLaterFieldsFollowIt) {
    const Layout& l = GetParam();
    CDib first = GreyDib(l.width, l.height);
    CDib second(3, 2, 24);
    second.CreateSection();
    std::memset(second.GetBits(), 0x99, second.GetImageSize());

    const Bytes bytes = StoreRecord([&](CArchive& ar) {
        ar.WriteInt(0x11223344);
        first.Serialize(ar);
        ar.WriteString("after");
        second.Serialize(ar);  // two bitmaps back to back
        ar.WriteDouble(2.5);
        ar.WriteWord(0xBEEF);
    });
    const Bytes expected = Cat({Le32(0x11223344), DibBytes(first), B({5}), Text("after"), DibBytes(second),
                                B({0, 0, 0, 0, 0, 0, 4, 0x40}), B({0xEF, 0xBE})});
    ASSERT_EQ(bytes.size(), expected.size());
    EXPECT_TRUE(bytes == expected);

    RecordingSink sink;
    LoadRecord(bytes, [&](CArchive& ar) {
        EXPECT_EQ(ar.ReadInt(), 0x11223344);
        CDib a, b;
        a.Serialize(ar);
        EXPECT_EQ(ar.GetPosition(), 4u + DibBytes(first).size());
        EXPECT_EQ(ar.ReadString(), "after");
        b.Serialize(ar);
        EXPECT_EQ(ar.ReadDouble(), 2.5);
        EXPECT_EQ(ar.ReadWord(), 0xBEEF);
        EXPECT_EQ(ar.BytesLeft(), 0u);
        EXPECT_EQ(DibBytes(a), DibBytes(first));
        EXPECT_EQ(DibBytes(b), DibBytes(second));
    });
    EXPECT_TRUE(sink.messages.empty());
}

TEST_P(DibInArchive, BitmapsByReferenceShareTheObjectIndex) {
    const Layout& l = GetParam();
    CDib thumb = GreyDib(l.width, l.height);
    CDib other(2, 2, 24);
    const Bytes bytes = StoreRecord([&](CArchive& ar) {
        ar.WriteObject(&thumb);  // class 1, object 2
        ar.WriteObject(&thumb);
        ar.WriteObject(&other);  // object 3
        ar.WriteInt(-1);
    });
    const Bytes expected = Cat({ClassDescription("CDib", 0), DibBytes(thumb), B({0x02, 0x00}), B({0x01, 0x80}),
                                DibBytes(other), Le32(0xFFFFFFFF)});
    EXPECT_TRUE(bytes == expected);
    LoadRecord(bytes, [&](CArchive& ar) {
        std::unique_ptr<CDib> a(ar.ReadObjectAs<CDib>());
        EXPECT_EQ(ar.ReadObject(), a.get());
        std::unique_ptr<CDib> c(ar.ReadObjectAs<CDib>());
        EXPECT_EQ(ar.ReadInt(), -1);
        ASSERT_TRUE(a && c);
        EXPECT_EQ(DibBytes(*a), DibBytes(thumb));
        EXPECT_EQ(c->GetBitCount(), 24);
    });
}

TEST_P(DibInArchive, MalformedBitmapFailsTheWholeRecord) {
    const Layout& l = GetParam();
    CDib dib = GreyDib(l.width, l.height);
    Bytes bytes = StoreRecord([&](CArchive& ar) {
        ar.WriteInt(1);
        dib.Serialize(ar);
        ar.WriteInt(2);
    });
    bytes[4 + 14 + 16] = 1;  // biCompression: run-length
    RecordingSink sink;
    try {
        LoadRecord(bytes, [](CArchive& ar) {
            ar.ReadInt();
            CDib back;
            back.Serialize(ar);
            ar.ReadInt();
        });
        FAIL() << "no archive error";
    } catch (const CArchiveException& e) {
        EXPECT_NE(std::string(e.what()).find("malformed bitmap record"), std::string::npos) << e.what();
    }
    EXPECT_EQ(sink.messages, std::vector<std::string>{"ReadSection error"});
}

INSTANTIATE_TEST_SUITE_P(
    Buffers, DibInArchive,
    ::testing::Values(Layout{FileKind::memory, 16, 16, 2, 2}, Layout{FileKind::memory, 4096, 4096, 2, 2},
                      Layout{FileKind::memory, 1048576, 1048576, 2, 2}, Layout{FileKind::memory, 16, 1048576, 100, 70},
                      Layout{FileKind::memory, 1048576, 16, 100, 70}, Layout{FileKind::memory, 4096, 4096, 100, 70},
                      Layout{FileKind::disk, 16, 16, 2, 2}, Layout{FileKind::disk, 4096, 4096, 2, 2},
                      Layout{FileKind::disk, 1048576, 1048576, 2, 2}, Layout{FileKind::disk, 16, 1048576, 100, 70},
                      Layout{FileKind::disk, 1048576, 16, 100, 70}, Layout{FileKind::disk, 4096, 4096, 100, 70}),
    Name);

}  // namespace
}  // namespace voxmill::test
