// Collection members: the stub record in place and linked (schemas 1 and
// 2), loading and unloading linked members, saving them safely, the cached
// description and thumbnail, and the member interface.
#include <cstdio>
#include <gtest/gtest.h>

#include <filesystem>

#include "app/archive/Archive.h"
#include "app/archive/ErrorSink.h"
#include "imaging/dib/Dib.h"
#include "tests/app/TestSerialClasses.h"
#include "tests/common/ArchiveBytes.h"
#include "tests/common/TempDir.h"

namespace voxmill::test {
namespace {

Bytes RecordOf(CObject& object) {
    return Store([&](CArchive& ar) { object.Serialize(ar); });
}

Bytes BmpOf(const CDib& dib) {
    CMemFile file;
    dib.Write(file);
    return file.bytes();
}

std::unique_ptr<CDib> SmallThumbnail() {
    auto dib = std::make_unique<CDib>(2, 2, 24);
    dib->CreateSection();
    dib->GetBits()[0] = 0x77;
    return dib;
}

// A linked member whose element file exists at `path`; starts unloaded.
struct LinkedMember {
    CTestElement element;
    CListElementStub stub;

    LinkedMember(const std::string& path, const std::string& name, std::size_t values) {
        auto made = MakeElement(name, values);
        element.m_name = made->m_name;
        element.m_data = made->m_data;
        element.m_bAutoDelete = false;
        stub.m_pElement = &element;
        stub.m_bLinked = true;
        EXPECT_TRUE(stub.SetLinkPath(path));
        stub.Unload();
    }
};

TEST(StubRecord, InPlaceIsFlagZeroThenTheElementObject) {
    TestStubList list;
    list.AddInPlace(MakeElement("a", 2));
    list.AddInPlace(MakeElement("b", 1));
    const Bytes bytes = Store([&](CArchive& ar) { list.Serialize(ar); });
    const Bytes element = Cat({B({1, 'a'}), B({2, 0}), Bytes{0, 0, 0x80, 0x3F, 0, 0, 0xC0, 0x3F}});
    const Bytes expected = Cat({B({2, 0}),                                                           // count
                                ClassDescription("CListElementStub", 2), Le32(0),                    // 1, 2
                                ClassDescription("CTestElement", 1), element,                        // 3, 4
                                B({0x01, 0x80}), Le32(0), B({0x03, 0x80}), B({1, 'b', 1, 0}), Bytes{0, 0, 0x80, 0x3F}});
    EXPECT_EQ(Hex(bytes), Hex(expected));

    TestStubList back;
    Load(bytes, [&](CArchive& ar) { back.Serialize(ar); });
    ASSERT_EQ(back.stubs.size(), 2u);
    const CListElementStub& s = *back.stubs[0];
    EXPECT_FALSE(s.m_bLinked);
    EXPECT_TRUE(s.m_bLoaded);
    ASSERT_NE(s.m_pElement, nullptr);
    EXPECT_FALSE(s.m_pElement->m_bAutoDelete);
    const auto* e = static_cast<CTestElement*>(s.m_pElement);
    EXPECT_EQ(e->m_name, "a");
    EXPECT_EQ(e->m_data, (std::vector<float>{1.0f, 1.5f}));
    EXPECT_EQ(static_cast<CTestElement*>(back.stubs[1]->m_pElement)->m_name, "b");
}

TEST(StubRecord, LinkedIsPathFlagsThumbnailThenDescription) {
    CListElementStub stub;
    stub.m_bLinked = true;
    stub.m_bLoaded = false;
    stub.m_strPath = "/data/p1.prj";
    stub.m_strDescription = "p1";
    stub.m_pThumbnail = SmallThumbnail();
    const Bytes bytes = Store([&](CArchive& ar) {
        ar.WriteObject(&stub);
        ar.WriteInt(5);
    });
    const Bytes expected = Cat({ClassDescription("CListElementStub", 2), Le32(1), B({12}), Text("/data/p1.prj"),
                                Le32(1), Le32(1), ClassDescription("CDib", 0), BmpOf(*stub.m_pThumbnail), B({2}),
                                Text("p1"), Le32(5)});
    EXPECT_EQ(Hex(bytes), Hex(expected));

    Load(bytes, [&](CArchive& ar) {
        std::unique_ptr<CListElementStub> back(ar.ReadObjectAs<CListElementStub>());
        EXPECT_EQ(ar.ReadInt(), 5);
        ASSERT_TRUE(back);
        EXPECT_TRUE(back->m_bLinked);
        EXPECT_FALSE(back->m_bLoaded);
        EXPECT_EQ(back->m_pElement, nullptr);
        EXPECT_EQ(back->m_strPath, "/data/p1.prj");
        EXPECT_EQ(back->m_strDescription, "p1");
        ASSERT_TRUE(back->m_pThumbnail);
        EXPECT_EQ(BmpOf(*back->m_pThumbnail), BmpOf(*stub.m_pThumbnail));
    });
}

TEST(StubRecord, LinkedWithoutThumbnailOrDescription) {
    CListElementStub stub;
    stub.m_bLinked = true;
    stub.m_strPath = "m.prj";
    const Bytes bytes = RecordOf(stub);
    EXPECT_EQ(Hex(bytes), Hex(Cat({Le32(1), B({5}), Text("m.prj"), Le32(0), Le32(0)})));
}

TEST(StubRecord, SchemaOneHasNoDescription) {
    CDib thumb = *SmallThumbnail();
    for (bool withThumbnail : {false, true}) {
        SCOPED_TRACE(withThumbnail ? "with thumbnail" : "without");
        Bytes bytes = Cat({ClassDescription("CListElementStub", 1), Le32(1), B({5}), Text("a.prj"),
                           Le32(withThumbnail ? 1 : 0)});
        if (withThumbnail) bytes = Cat({bytes, ClassDescription("CDib", 0), BmpOf(thumb)});
        bytes = Cat({bytes, Le32(0xCAFE)});  // the next field of the collection
        Load(bytes, [&](CArchive& ar) {
            std::unique_ptr<CListElementStub> stub(ar.ReadObjectAs<CListElementStub>());
            EXPECT_EQ(ar.ReadInt(), 0xCAFE);
            ASSERT_TRUE(stub);
            EXPECT_EQ(stub->m_strPath, "a.prj");
            EXPECT_TRUE(stub->m_strDescription.empty());
            EXPECT_EQ(stub->m_pThumbnail != nullptr, withThumbnail);
            EXPECT_FALSE(stub->m_bLoaded);
        });
    }
    // In place under schema 1: the element follows the flag as in schema 2.
    const Bytes inPlace = Cat({ClassDescription("CListElementStub", 1), Le32(0), ClassDescription("CTestElement", 1),
                               B({1, 'q', 0, 0})});
    TestStubList list;
    Load(Cat({B({1, 0}), inPlace}), [&](CArchive& ar) { list.Serialize(ar); });
    ASSERT_EQ(list.elements.size(), 1u);
    EXPECT_EQ(static_cast<CTestElement*>(list.elements[0].get())->m_name, "q");
}

TEST(StubRecord, UnknownSchemaIsRefused) {
    const Bytes bytes = Cat({ClassDescription("CListElementStub", 3), Le32(0), B({0, 0})});
    try {
        Load(bytes, [](CArchive& ar) { delete ar.ReadObject(); });
        FAIL() << "no error";
    } catch (const CArchiveException& e) {
        EXPECT_EQ(e.cause(), CArchiveException::badSchema);
    }
}

TEST(StubLoading, SaveUnloadLoadRoundTrip) {
    TempDir dir;
    std::vector<std::string> recent;
    CDocument::SetRecentFileSink([&](const std::string& p) { recent.push_back(p); });
    const std::string path = dir.File("p1.prj");
    LinkedMember m(path, "p1", 50);
    // The member file is the element's own record from byte 0.
    CTestElement reference;
    reference.m_name = "p1";
    reference.m_data = MakeElement("p1", 50)->m_data;
    EXPECT_EQ(ReadBytes(path), RecordOf(reference));
    EXPECT_EQ(m.element.GetPathName(), path);
    EXPECT_TRUE(recent.empty());  // a member is not a file the user saved: not on the recent list

    EXPECT_FALSE(m.stub.m_bLoaded);
    EXPECT_EQ(m.element.m_releaseCalls, 1);
    EXPECT_TRUE(m.element.m_data.empty());
    EXPECT_EQ(m.element.m_name, "p1");  // the description survives

    EXPECT_TRUE(m.stub.Load());
    EXPECT_TRUE(m.stub.m_bLoaded);
    EXPECT_EQ(m.element.m_data, reference.m_data);
    EXPECT_TRUE(recent.empty());  // nor one read
    std::filesystem::remove(path);
    EXPECT_TRUE(m.stub.Load());  // already loaded: the file is not needed
    m.stub.Unload();
    m.stub.Unload();
    EXPECT_EQ(m.element.m_releaseCalls, 2);
    CDocument::SetRecentFileSink(nullptr);
}

TEST(StubLoading, LargeMemberGoesThroughTheMegabyteBuffer) {
    TempDir dir;
    LinkedMember m(dir.File("big.prj"), "big", 300000);  // 1.2 MB of values
    EXPECT_EQ(ReadBytes(dir.File("big.prj")).size(), 1u + 3u + 6u + 1200000u);
    ASSERT_TRUE(m.stub.Load());
    EXPECT_EQ(m.element.m_data, MakeElement("big", 300000)->m_data);
}

TEST(StubLoading, InPlaceMemberIgnoresUnloadAndLoadsTrue) {
    CTestElement element;
    element.m_data = {1, 2, 3};
    CListElementStub stub;
    stub.m_pElement = &element;
    stub.Unload();
    EXPECT_TRUE(stub.m_bLoaded);
    EXPECT_EQ(element.m_releaseCalls, 0);
    EXPECT_EQ(element.m_data.size(), 3u);
    EXPECT_TRUE(stub.Load());
}

TEST(StubLoading, ElementFieldsAreKnownOnceReadUntilAReadFails) {
    TempDir dir;
    const std::string path = dir.File("p1.prj");
    CListElementStub bare;
    EXPECT_FALSE(bare.HoldsElementFields());  // no element at all
    CTestElement inPlace;
    bare.m_pElement = &inPlace;
    EXPECT_TRUE(bare.HoldsElementFields());  // in place: always loaded
    bare.m_pElement = nullptr;

    LinkedMember m(path, "p1", 4);  // written, then unloaded: the name stayed
    EXPECT_FALSE(m.stub.m_bLoaded);
    EXPECT_TRUE(m.stub.HoldsElementFields());
    // A stub read from a collection file has nothing but its cached text.
    const Bytes record = Store([&](CArchive& ar) { ar.WriteObject(&m.stub); });
    Load(record, [&](CArchive& ar) {
        std::unique_ptr<CListElementStub> read(ar.ReadObjectAs<CListElementStub>());
        ASSERT_TRUE(read);
        EXPECT_FALSE(read->HoldsElementFields());
    });
    // A failed read empties the element: its fields are no longer known.
    WriteBytes(path, Bytes{1, 2});
    EXPECT_FALSE(m.stub.Load());
    EXPECT_FALSE(m.stub.HoldsElementFields());
}

TEST(StubLoading, MovedCollectionFindsTheMemberByNameHere) {
    TempDir dir;
    const std::string home = dir.File("p1.prj");
    for (const std::string& stored : {std::string("/somewhere/else/entirely/p1.prj"), std::string("C:\\old\\p1.prj")}) {
        SCOPED_TRACE(stored);
        LinkedMember m(home, "p1", 4);
        m.stub.m_strPath = stored;
        ScopedCurrentDir here(dir.path());
        const std::string found = (std::filesystem::current_path() / "p1.prj").string();
        ASSERT_TRUE(m.stub.Load());
        EXPECT_EQ(m.stub.m_strPath, found);  // the full path of the file opened
        EXPECT_EQ(m.element.m_data.size(), 4u);
        EXPECT_EQ(m.element.GetPathName(), found);

        // Saving the collection again records the corrected path.
        const Bytes again = RecordOf(m.stub);
        EXPECT_EQ(Hex(Slice(again, 4, 1 + found.size())),
                  Hex(Cat({B({static_cast<int>(found.size())}), Text(found)})));
    }
}

TEST(StubLoading, MissingMemberFileChangesNothing) {
    TempDir dir;
    LinkedMember m(dir.File("p1.prj"), "p1", 4);
    std::filesystem::remove(dir.File("p1.prj"));
    m.element.m_name = "kept";
    ScopedCurrentDir here(dir.path());
    EXPECT_FALSE(m.stub.Load());
    EXPECT_FALSE(m.stub.m_bLoaded);
    EXPECT_EQ(m.stub.m_strPath, dir.File("p1.prj"));
    EXPECT_EQ(m.element.m_name, "kept");
    // A path whose name part is a folder here is not a member file either.
    m.stub.m_strPath = "/gone/.";
    EXPECT_FALSE(m.stub.Load());
    EXPECT_EQ(m.stub.m_strPath, "/gone/.");
    m.stub.m_strPath = "";
    EXPECT_FALSE(m.stub.Load());
}

TEST(StubLoading, CorruptMemberFileFailsAndIsReported) {
    TempDir dir;
    const std::string path = dir.File("p1.prj");
    LinkedMember m(path, "p1", 4);
    const Bytes good = ReadBytes(path);
    for (const Bytes& bad : {Bytes{}, Slice(good, 0, good.size() - 1), Cat({B({0xFF, 0xFF, 0xFF}), Le32(1u << 31)}),
                             Cat({B({2, 'p', '1'}), B({0xFF, 0xFF}), Le32(0x40000000)})}) {
        SCOPED_TRACE(Hex(bad));
        WriteBytes(path, bad);
        ClearLastReportedError();
        EXPECT_FALSE(m.stub.Load());
        EXPECT_FALSE(m.stub.m_bLoaded);
        EXPECT_NE(LastReportedError().find("Cannot read " + path), std::string::npos) << LastReportedError();
        EXPECT_NE(LastReportedError().find("archive error at byte"), std::string::npos) << LastReportedError();
    }
}

TEST(StubSaving, RefusedWhenNotLoadedOrWithoutPath) {
    TempDir dir;
    CTestElement element;
    CListElementStub stub;
    stub.m_pElement = &element;
    stub.m_bLinked = true;
    EXPECT_FALSE(stub.Save());  // no path
    stub.m_strPath = dir.File("x.prj");
    stub.m_bLoaded = false;
    EXPECT_FALSE(stub.Save());
    EXPECT_TRUE(dir.Entries().empty());
}

TEST(StubSaving, FileThatCannotBeCreatedGivesFalse) {
    TempDir dir;
    CTestElement element;
    CListElementStub stub;
    stub.m_pElement = &element;
    stub.m_bLinked = true;
    ClearLastReportedError();
    EXPECT_FALSE(stub.SetLinkPath(dir.File("no/such/folder/x.prj")));
    EXPECT_TRUE(stub.m_bLoaded);  // the caller keeps the member loaded
    EXPECT_NE(LastReportedError().find("Cannot save"), std::string::npos);
    EXPECT_TRUE(dir.Entries().empty());
}

TEST(StubSaving, FailureHalfWayKeepsThePreviousFile) {
    TempDir dir;
    const std::string path = dir.File("p1.prj");
    LinkedMember m(path, "p1", 10);
    const Bytes before = ReadBytes(path);
    ASSERT_TRUE(m.stub.Load());
    m.element.m_data.assign(400000, 2.0f);  // past the megabyte buffer before the failure
    m.element.m_throwWhileStoring = true;
    EXPECT_FALSE(m.stub.Save());
    EXPECT_EQ(ReadBytes(path), before);
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"p1.prj"});
    EXPECT_TRUE(m.stub.m_bLoaded);
}

TEST(StubCache, DescriptionIsComputedOnceAroundALoad) {
    TempDir dir;
    LinkedMember m(dir.File("p1.prj"), "p1", 6);
    EXPECT_EQ(m.stub.GetCachedDescription(), "p1 (6 values)");  // loaded for it, then unloaded
    EXPECT_FALSE(m.stub.m_bLoaded);
    EXPECT_EQ(m.element.m_releaseCalls, 2);
    EXPECT_EQ(m.stub.GetCachedDescription(), "p1 (6 values)");
    EXPECT_EQ(m.element.m_descriptionCalls, 1);

    CListElementStub lonely;
    EXPECT_EQ(lonely.GetCachedDescription(), "");
}

TEST(StubCache, ThumbnailIsComputedOnceAt64By64) {
    TempDir dir;
    LinkedMember m(dir.File("p1.prj"), "p1", 6);
    CDib* thumb = m.stub.GetCachedThumbnail();
    ASSERT_NE(thumb, nullptr);
    EXPECT_EQ(thumb->GetWidth(), 64);
    EXPECT_EQ(thumb->GetHeight(), 64);
    EXPECT_EQ(thumb->GetBits()[0], 1);  // drawn from the loaded values
    EXPECT_FALSE(m.stub.m_bLoaded);
    EXPECT_EQ(m.stub.GetCachedThumbnail(), thumb);
    EXPECT_EQ(m.element.m_thumbnailCalls, 1);
    m.stub.DeleteContents();
    EXPECT_EQ(m.stub.m_pThumbnail, nullptr);
    EXPECT_NE(m.stub.GetCachedThumbnail(), nullptr);
    EXPECT_EQ(m.element.m_thumbnailCalls, 2);
    CListElementStub lonely;
    EXPECT_EQ(lonely.GetCachedThumbnail(), nullptr);
}

TEST(StubCache, UnreadableMemberFileCachesNothing) {
    // The empty element's text must not travel in the collection's file.
    TempDir dir;
    const std::string path = dir.File("p1.prj");
    LinkedMember m(path, "p1", 6);
    std::remove(path.c_str());
    EXPECT_EQ(m.stub.GetCachedDescription(), "");
    EXPECT_EQ(m.stub.GetCachedThumbnail(), nullptr);
    EXPECT_EQ(m.element.m_descriptionCalls, 0);
    EXPECT_EQ(m.element.m_thumbnailCalls, 0);
}

TEST(StubCache, AMemberInUseStaysLoaded) {
    // A consumer holds the member loaded; asking for its description or
    // thumbnail meanwhile must not release its data under it.
    TempDir dir;
    LinkedMember m(dir.File("p1.prj"), "p1", 6);
    ASSERT_TRUE(m.stub.Load());
    EXPECT_EQ(m.stub.GetCachedDescription(), "p1 (6 values)");
    EXPECT_NE(m.stub.GetCachedThumbnail(), nullptr);
    EXPECT_TRUE(m.stub.m_bLoaded);
    EXPECT_EQ(m.element.m_data.size(), 6u);
    m.stub.Unload();
    EXPECT_TRUE(m.element.m_data.empty());
}

TEST(StubInterface, QueryInterfaceLoadsTheMemberFirst) {
    TempDir dir;
    LinkedMember m(dir.File("p1.prj"), "p1", 3);
    IListElement* member = m.stub.GetListElement();
    void* p = nullptr;
    EXPECT_EQ(member->QueryInterface(IID_ITestProbe, &p), S_OK);
    EXPECT_EQ(p, static_cast<void*>(&m.element));
    EXPECT_TRUE(m.stub.m_bLoaded);
    EXPECT_EQ(m.element.m_data.size(), 3u);

    EXPECT_EQ(member->QueryInterface(IID_IListElement, &p), S_OK);
    EXPECT_EQ(p, static_cast<void*>(member));
    EXPECT_EQ(member->QueryInterface(IID_IUnknown, &p), S_OK);
    EXPECT_EQ(p, static_cast<void*>(member));
    p = &m;
    EXPECT_EQ(member->QueryInterface(GUID{9, 9, 9, {9}}, &p), E_NOINTERFACE);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(member->QueryInterface(IID_IListElement, nullptr), E_POINTER);

    EXPECT_EQ(member->Unload(), S_OK);
    EXPECT_FALSE(m.stub.m_bLoaded);
    EXPECT_EQ(member->Load(), S_OK);
    EXPECT_TRUE(m.stub.m_bLoaded);
    // The reference count is the document's; releasing never deletes it.
    for (int i = 0; i < 5; ++i) member->Release();
    EXPECT_EQ(member->AddRef(), 2u);
}

TEST(StubInterface, AMemberWhoseFileIsGoneAnswersForTheStubAloneAndIsMarked) {
    TempDir dir;
    LinkedMember m(dir.File("p1.prj"), "p1", 3);
    std::filesystem::remove(dir.File("p1.prj"));
    ScopedCurrentDir here(dir.path());
    EXPECT_EQ(m.stub.GetListElement()->Load(), S_OK);
    EXPECT_FALSE(m.stub.m_bLoaded);
    EXPECT_TRUE(m.stub.LoadFailed());
    // The empty element must not stand in for the member: a consumer skips it.
    void* p = nullptr;
    EXPECT_EQ(m.stub.GetListElement()->QueryInterface(IID_ITestProbe, &p), E_NOINTERFACE);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(m.stub.GetListElement()->QueryInterface(IID_IListElement, &p), S_OK);
    EXPECT_EQ(CListElementStub::FromListElement(m.stub.GetListElement()), &m.stub);

    // Found by its bare name but unreadable: the stored path stays.
    m.stub.m_strPath = dir.File("moved/p1.prj");
    WriteBytes(dir.File("p1.prj"), {1, 2, 3});
    ClearLastReportedError();
    EXPECT_FALSE(m.stub.Load());
    EXPECT_NE(LastReportedError().find("Cannot read"), std::string::npos);
    EXPECT_EQ(m.stub.m_strPath, dir.File("moved/p1.prj"));
}

}  // namespace
}  // namespace voxmill::test
