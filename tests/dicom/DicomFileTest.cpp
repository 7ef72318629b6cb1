// The DICOM wrapper: refusal as a negative result, meta elements as given,
// the old file kept when a write does not happen.
#include <gtest/gtest.h>

#include <filesystem>

#include "dicom/DicomFile.h"
#include "tests/acquisition/TestSupport.h"

namespace voxmill {
namespace {

TEST(DicomFile, CreateRefusesAndWriteNeedsCreate) {
    EXPECT_TRUE(InitDicomToolkit());
    testing::TempFolder dir;
    CDicomFile file;
    EXPECT_LT(file.Create(dir.File("no/such/folder/x.dcm")), 0);
    EXPECT_FALSE(file.GetLastError().empty());
    EXPECT_FALSE(file.PutString(0x0010, 0x0010, "n/a"));
    EXPECT_LT(file.WriteAndClose(), 0);
}

TEST(DicomFile, WritesMetaAndDataElements) {
    InitDicomToolkit();
    testing::TempFolder dir;
    const std::string path = dir.File("x.dcm");
    testing::WriteBytes(path, testing::Bytes{9});
    {
        CDicomFile unwritten;
        ASSERT_EQ(unwritten.Create(path), 0);
        EXPECT_TRUE(unwritten.PutString(0x0010, 0x0010, "n/a"));
    }  // dropped without WriteAndClose: the old file stays, no temporary left
    EXPECT_EQ(testing::ReadBytes(path), testing::Bytes{9});
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);

    CDicomFile file;
    ASSERT_EQ(file.Create(path), 0);
    EXPECT_TRUE(file.PutString(0x0002, 0x0016, "Voxmill"));
    EXPECT_TRUE(file.PutString(0x0008, 0x0016, "1.2.840.10008.5.1.4.1.1.1"));
    EXPECT_TRUE(file.PutString(0x0008, 0x0018, "1.2.3"));
    EXPECT_TRUE(file.PutUint16(0x0028, 0x0010, 1));
    const std::uint16_t words[2] = {0x1234, 0xFFFF};
    EXPECT_TRUE(file.PutPixelData16(words, 2));
    ASSERT_EQ(file.WriteAndClose(), 0) << file.GetLastError();
    const testing::Bytes bytes = testing::ReadBytes(path);
    ASSERT_GT(bytes.size(), 132u);
    EXPECT_EQ(std::string(bytes.begin() + 128, bytes.begin() + 132), "DICM");
    // The pixel words close the file, little-endian.
    EXPECT_EQ(bytes[bytes.size() - 4], 0x34);
    EXPECT_EQ(bytes[bytes.size() - 1], 0xFF);
}

}  // namespace
}  // namespace voxmill
