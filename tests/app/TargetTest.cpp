// The target record (icon flag, then the icon's BMP inline) and the icon
// command.
#include <gtest/gtest.h>

#include <cstring>

#include "app/FrameWnd.h"
#include "app/View.h"
#include "app/archive/Archive.h"
#include "imaging/dib/Dib.h"
#include "tests/app/TestSerialClasses.h"
#include "tests/common/ArchiveBytes.h"
#include "tests/common/TempDir.h"

namespace voxmill::test {
namespace {

CDib Icon() {
    CDib icon(4, 4, 8);
    icon.CreateSection();
    std::memset(icon.GetBits(), 0x3C, icon.GetImageSize());
    icon.GetColorTable()[0x3C] = {1, 2, 3, 0};
    return icon;
}

Bytes BmpOf(const CDib& dib) {
    CMemFile file;
    dib.Write(file);
    return file.bytes();
}

TEST(TargetRecord, TypeCodes) {
    EXPECT_EQ(kTargetPhantom, 100);
    EXPECT_EQ(kTargetProjectionCollection, 101);
    EXPECT_EQ(kTargetSliceCollection, 102);
    EXPECT_EQ(kTargetDigitizer, 103);
    EXPECT_EQ(kTargetVolume, 104);
    EXPECT_EQ(kTargetSlideCollection, 105);
    EXPECT_EQ(CTestTarget().GetTargetType(), 100);
}

TEST(TargetRecord, WithoutIconIsFourZeroBytes) {
    CTestTarget target;
    ASSERT_NE(target.GetIcon(), nullptr);  // created empty with the document
    EXPECT_FALSE(target.GetIcon()->HasImage());
    const Bytes bytes = Store([&](CArchive& ar) {
        target.Serialize(ar);
        ar.WriteInt(77);
    });
    EXPECT_EQ(Hex(bytes), "00 00 00 00 4D 00 00 00");
    CTestTarget back;
    *back.GetIcon() = Icon();
    Load(bytes, [&](CArchive& ar) {
        back.Serialize(ar);
        EXPECT_EQ(ar.ReadInt(), 77);
    });
    EXPECT_FALSE(back.GetIcon()->HasImage());  // the old icon is gone
}

TEST(TargetRecord, WithIconIsFlagOneThenTheBmp) {
    CTestTarget target;
    *target.GetIcon() = Icon();
    const Bytes bytes = Store([&](CArchive& ar) {
        target.Serialize(ar);
        ar.WriteInt(77);
    });
    EXPECT_TRUE(bytes == Cat({Le32(1), BmpOf(Icon()), Le32(77)}));
    CTestTarget back;
    Load(bytes, [&](CArchive& ar) {
        back.Serialize(ar);
        EXPECT_EQ(ar.ReadInt(), 77);
    });
    EXPECT_EQ(BmpOf(*back.GetIcon()), BmpOf(Icon()));
}

class CountingView : public CView {
public:
    ~CountingView() override { DetachFromDocument(); }
    void OnUpdate(CView*, long, CObject*) override { ++updates; }
    int updates = 0;
};

TEST(TargetIcon, LoadIconReplacesTheIconOnlyWhenTheFileReads) {
    TempDir dir;
    ASSERT_TRUE(Icon().WriteFile(dir.File("icon.bmp")));
    WriteBytes(dir.File("broken.bmp"), B({'B', 'M', 0, 0}));
    CTestTarget target;
    target.m_bAutoDelete = false;
    CountingView view;
    target.AddView(&view);

    EXPECT_TRUE(target.LoadIcon(dir.File("icon.bmp")));
    EXPECT_TRUE(target.IsModified());
    EXPECT_EQ(view.updates, 1);
    EXPECT_EQ(BmpOf(*target.GetIcon()), BmpOf(Icon()));

    target.SetModifiedFlag(false);
    EXPECT_FALSE(target.LoadIcon(dir.File("broken.bmp")));
    EXPECT_FALSE(target.LoadIcon(dir.File("missing.bmp")));
    EXPECT_FALSE(target.IsModified());
    EXPECT_EQ(view.updates, 1);
    EXPECT_EQ(BmpOf(*target.GetIcon()), BmpOf(Icon()));
    target.RemoveView(&view);
}

}  // namespace
}  // namespace voxmill::test
