// Byte-exact archive encoding: field kinds, string and count prefixes,
// object references with the shared running index, and the class factory.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <set>

#include "app/archive/Archive.h"
#include "app/archive/File.h"
#include "tests/app/TestSerialClasses.h"
#include "tests/common/ArchiveBytes.h"

namespace voxmill::test {
namespace {

// Reads a list written as count + references and owns what it read; a
// shared item is deleted once.
struct ObjectList {
    std::vector<CObject*> items;
    ~ObjectList() {
        std::set<CObject*> distinct(items.begin(), items.end());
        for (CObject* o : distinct) delete o;
    }
    void Read(CArchive& ar) {
        const std::uint32_t n = ar.ReadCount();
        for (std::uint32_t i = 0; i < n; ++i) items.push_back(ar.ReadObject());
    }
};

void WriteList(CArchive& ar, const std::vector<const CObject*>& items) {
    ar.WriteCount(static_cast<std::uint32_t>(items.size()));
    for (const CObject* o : items) ar.WriteObject(o);
}

TEST(ArchiveFields, EveryKindIsLittleEndianAtItsWidth) {
    const Bytes bytes = Store([](CArchive& ar) {
        ar.WriteByte(0xAB);
        ar.WriteWord(0x1234);
        ar.WriteInt(-2);
        ar.WriteDword(0xDEADBEEF);
        ar.WriteFlag(true);
        ar.WriteFlag(false);
        ar.WriteFloat(1.5f);
        ar.WriteDouble(-2.25);
    });
    EXPECT_EQ(Hex(bytes), Hex(B({0xAB, 0x34, 0x12, 0xFE, 0xFF, 0xFF, 0xFF, 0xEF, 0xBE, 0xAD, 0xDE, 1, 0, 0, 0, 0, 0, 0, 0,
                                 0x00, 0x00, 0xC0, 0x3F, 0, 0, 0, 0, 0, 0, 0x02, 0xC0})));
    Load(bytes, [](CArchive& ar) {
        EXPECT_EQ(ar.ReadByte(), 0xAB);
        EXPECT_EQ(ar.ReadWord(), 0x1234);
        EXPECT_EQ(ar.ReadInt(), -2);
        EXPECT_EQ(ar.ReadDword(), 0xDEADBEEFu);
        EXPECT_TRUE(ar.ReadFlag());
        EXPECT_FALSE(ar.ReadFlag());
        EXPECT_EQ(ar.ReadFloat(), 1.5f);
        EXPECT_EQ(ar.ReadDouble(), -2.25);
        EXPECT_EQ(ar.BytesLeft(), 0u);
    });
}

TEST(ArchiveFields, PositionCountsEveryByteThroughSmallBuffers) {
    // A 16-byte buffer forces refills and the direct path for large blocks.
    std::vector<float> block(100);
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<float>(i) - 3.5f;
    const Bytes bytes = Store(
        [&](CArchive& ar) {
            ar.WriteInt(7);
            EXPECT_EQ(ar.GetPosition(), 4u);
            ar.WriteFloats(block.data(), block.size());
            EXPECT_EQ(ar.GetPosition(), 404u);
            ar.WriteDouble(0.25);
        },
        16);
    ASSERT_EQ(bytes.size(), 412u);
    Load(
        bytes,
        [&](CArchive& ar) {
            EXPECT_EQ(ar.ReadInt(), 7);
            std::vector<float> back(100);
            ar.ReadFloats(back.data(), back.size());
            EXPECT_EQ(back, block);
            EXPECT_EQ(ar.GetPosition(), 404u);
            EXPECT_EQ(ar.ReadDouble(), 0.25);
        },
        16);
}

struct PrefixCase {
    std::size_t length;
    std::vector<int> prefix;
};

class ArchiveStringPrefix : public ::testing::TestWithParam<PrefixCase> {};

TEST_P(ArchiveStringPrefix, HasTheLengthPrefixOfItsSize) {
    const PrefixCase& c = GetParam();
    std::string s(c.length, 'x');
    for (std::size_t i = 0; i < s.size(); ++i) s[i] = static_cast<char>('a' + i % 26);
    const Bytes bytes = Store([&](CArchive& ar) {
        ar.WriteString(s);
        ar.WriteByte(0x5A);  // the next field starts right after the characters
    });
    Bytes prefix;
    for (int v : c.prefix) prefix.push_back(static_cast<std::uint8_t>(v));
    ASSERT_EQ(bytes.size(), prefix.size() + c.length + 1);
    EXPECT_EQ(Hex(Slice(bytes, 0, prefix.size())), Hex(prefix));
    EXPECT_EQ(std::string(bytes.begin() + static_cast<std::ptrdiff_t>(prefix.size()), bytes.end() - 1), s);
    Load(bytes, [&](CArchive& ar) {
        EXPECT_EQ(ar.ReadString(), s);
        EXPECT_EQ(ar.ReadByte(), 0x5A);
    });
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, ArchiveStringPrefix,
    ::testing::Values(PrefixCase{0, {0x00}}, PrefixCase{1, {0x01}}, PrefixCase{254, {0xFE}},
                      PrefixCase{255, {0xFF, 0xFF, 0x00}}, PrefixCase{256, {0xFF, 0x00, 0x01}},
                      PrefixCase{65533, {0xFF, 0xFD, 0xFF}},
                      PrefixCase{65534, {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
                      PrefixCase{65535, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}},
                      PrefixCase{70000, {0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}}),
    [](const ::testing::TestParamInfo<PrefixCase>& param) { return "n" + std::to_string(param.param.length); });

TEST(ArchiveStrings, ReaderAcceptsTheWideMarker) {
    // FF FE FF, then a one-byte prefix and UTF-16 units; Latin-1 survives.
    const Bytes oneByte = Cat({B({0xFF, 0xFE, 0xFF, 0x03, 'a', 0, 0xE9, 0, 0xAC, 0x20}), B({0x42})});
    Load(oneByte, [](CArchive& ar) {
        EXPECT_EQ(ar.ReadString(), std::string("a\xE9?"));
        EXPECT_EQ(ar.ReadByte(), 0x42);
    });
    // The second prefix may itself be the three-byte form.
    Bytes units;
    for (int i = 0; i < 300; ++i) units.insert(units.end(), {static_cast<std::uint8_t>('0' + i % 10), 0});
    const Bytes threeByte = Cat({B({0xFF, 0xFE, 0xFF, 0xFF, 0x2C, 0x01}), units, B({0x43})});
    Load(threeByte, [](CArchive& ar) {
        const std::string s = ar.ReadString();
        ASSERT_EQ(s.size(), 300u);
        EXPECT_EQ(s.substr(0, 12), "012345678901");
        EXPECT_EQ(ar.ReadByte(), 0x43);
    });
    Load(B({0xFF, 0xFE, 0xFF, 0x00, 0x44}), [](CArchive& ar) {
        EXPECT_EQ(ar.ReadString(), "");
        EXPECT_EQ(ar.ReadByte(), 0x44);
    });
}

TEST(ArchiveCounts, OneWordBelowFFFFThenMarkerAndDword) {
    const Bytes bytes = Store([](CArchive& ar) {
        ar.WriteCount(0);
        ar.WriteCount(0xFFFE);
        ar.WriteCount(0xFFFF);
        ar.WriteCount(0x12345);
    });
    EXPECT_EQ(Hex(bytes), Hex(B({0, 0, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0xFF, 0xFF, 0x45, 0x23, 1, 0})));
    Load(bytes, [](CArchive& ar) {
        // Items of zero bytes each: only the prefix is checked here.
        EXPECT_EQ(ar.ReadCount(0), 0u);
        EXPECT_EQ(ar.ReadCount(0), 0xFFFEu);
        EXPECT_EQ(ar.ReadCount(0), 0xFFFFu);
        EXPECT_EQ(ar.ReadCount(0), 0x12345u);
    });
}

TEST(ArchiveObjects, NullIsOneZeroWord) {
    const Bytes bytes = Store([](CArchive& ar) { ar.WriteObject(nullptr); });
    EXPECT_EQ(Hex(bytes), "00 00");
    Load(bytes, [](CArchive& ar) { EXPECT_EQ(ar.ReadObject(), nullptr); });
}

TEST(ArchiveObjects, ClassesAndObjectsShareOneRunningIndex) {
    CTestItem a(7), b(8), d(9);
    CTestVersioned v;
    v.m_value = 5;
    v.m_pChild = new CTestItem(6);
    const Bytes bytes = Store([&](CArchive& ar) {
        ar.WriteObject(&a);  // class 1, object 2
        ar.WriteObject(&b);  // object 3
        ar.WriteObject(&v);  // class 4, object 5, its child object 6
        ar.WriteObject(&d);  // object 7
        ar.WriteObject(&a);
        ar.WriteObject(&v);
        ar.WriteObject(v.m_pChild);
    });
    const Bytes expected = Cat({ClassDescription("CTestItem", 1), Le32(7),  //
                                B({0x01, 0x80}), Le32(8),                  //
                                ClassDescription("CTestVersioned", 3), Le32(5), B({0x01, 0x80}), Le32(6),
                                B({0x01, 0x80}), Le32(9),  //
                                B({0x02, 0x00}), B({0x05, 0x00}), B({0x06, 0x00})});
    EXPECT_EQ(Hex(bytes), Hex(expected));

    Load(bytes, [](CArchive& ar) {
        std::unique_ptr<CTestItem> ra(ar.ReadObjectAs<CTestItem>());
        std::unique_ptr<CTestItem> rb(ar.ReadObjectAs<CTestItem>());
        std::unique_ptr<CTestVersioned> rv(ar.ReadObjectAs<CTestVersioned>());
        std::unique_ptr<CTestItem> rd(ar.ReadObjectAs<CTestItem>());
        ASSERT_TRUE(ra && rb && rv && rd && rv->m_pChild);
        EXPECT_EQ(ra->m_value, 7);
        EXPECT_EQ(rb->m_value, 8);
        EXPECT_EQ(rv->m_value, 5);
        EXPECT_EQ(rv->m_pChild->m_value, 6);
        EXPECT_EQ(rd->m_value, 9);
        EXPECT_EQ(ar.ReadObject(), ra.get());
        EXPECT_EQ(ar.ReadObject(), rv.get());
        EXPECT_EQ(ar.ReadObject(), rv->m_pChild);
    });
}

TEST(ArchiveObjects, SameObjectTwiceInAListIsWrittenOnceAndReadShared) {
    CTestItem a(1), b(2);
    const Bytes bytes = Store([&](CArchive& ar) { WriteList(ar, {&a, &b, &a}); });
    EXPECT_EQ(Hex(bytes), Hex(Cat({B({3, 0}), ClassDescription("CTestItem", 1), Le32(1), B({0x01, 0x80}), Le32(2),
                                   B({0x02, 0x00})})));
    ObjectList list;
    Load(bytes, [&](CArchive& ar) { list.Read(ar); });
    ASSERT_EQ(list.items.size(), 3u);
    EXPECT_EQ(list.items[0], list.items[2]);
    EXPECT_NE(list.items[0], list.items[1]);
    EXPECT_EQ(static_cast<CTestItem*>(list.items[2])->m_value, 1);
}

TEST(ArchiveObjects, NonSerializableClassCannotBeWritten) {
    CTestTarget target;  // a document kind without a class name in archives
    try {
        Store([&](CArchive& ar) { ar.WriteObject(&target); });
        FAIL() << "no exception";
    } catch (const CArchiveException& e) {
        EXPECT_EQ(e.cause(), CArchiveException::badClass);
        EXPECT_NE(std::string(e.what()).find("not serializable"), std::string::npos) << e.what();
    }
}

// Writes `before` items of one class, then objects of a second class, so
// that the second class lands on a chosen index.
struct BigArchive {
    std::vector<std::unique_ptr<CTestItem>> items;
    CTestVersioned first, second;
    Bytes bytes;
    std::size_t tailOffset = 0;  // where the references after the items start

    explicit BigArchive(std::size_t before, const std::vector<std::size_t>& backRefs) {
        for (std::size_t i = 0; i < before; ++i) items.push_back(std::make_unique<CTestItem>(static_cast<int>(i)));
        bytes = Store([&](CArchive& ar) {
            for (const auto& item : items) ar.WriteObject(item.get());
            tailOffset = static_cast<std::size_t>(ar.GetPosition());
            ar.WriteObject(&first);   // class index before + 2
            ar.WriteObject(&second);  // a reference to that class
            for (std::size_t index : backRefs) ar.WriteObject(items[index - 2].get());  // item i has index i + 2
        });
    }
};

TEST(ArchiveObjects, BigIndexFormsAboveSevenFFE) {
    // 40000 items: indices 2 .. 40001; the second class 40002, its objects
    // 40003 and 40004.
    BigArchive big(40000, {35000, 0x7FFE, 0x7FFF, 5});
    const std::uint32_t secondClass = 40002;
    const Bytes expectedTail = Cat({ClassDescription("CTestVersioned", 3), Le32(0), B({0, 0}),  // first, null child
                                    B({0xFF, 0x7F}), Le32(0x80000000u | secondClass), Le32(0), B({0, 0}),
                                    B({0xFF, 0x7F}), Le32(35000),  // big back reference
                                    B({0xFE, 0x7F}),               // 0x7FFE still fits a word
                                    B({0xFF, 0x7F}), Le32(0x7FFF), B({0x05, 0x00})});
    EXPECT_EQ(Hex(Slice(big.bytes, big.tailOffset, 1000)), Hex(expectedTail));
    // Later items of the first class keep the one-word class reference.
    EXPECT_EQ(Hex(Slice(big.bytes, big.tailOffset - 6, 2)), "01 80");

    ObjectList list;
    Load(big.bytes, [&](CArchive& ar) {
        for (int i = 0; i < 40006; ++i) list.items.push_back(ar.ReadObject());
        EXPECT_EQ(ar.BytesLeft(), 0u);
    });
    ASSERT_EQ(list.items.size(), 40006u);
    EXPECT_EQ(static_cast<CTestItem*>(list.items[39999])->m_value, 39999);
    ASSERT_EQ(list.items[40000]->GetRuntimeClass(), RUNTIME_CLASS(CTestVersioned));
    ASSERT_EQ(list.items[40001]->GetRuntimeClass(), RUNTIME_CLASS(CTestVersioned));
    EXPECT_NE(list.items[40000], list.items[40001]);
    EXPECT_EQ(list.items[40002], list.items[35000 - 2]);
    EXPECT_EQ(list.items[40003], list.items[0x7FFE - 2]);
    EXPECT_EQ(list.items[40004], list.items[0x7FFF - 2]);
    EXPECT_EQ(list.items[40005], list.items[3]);
}

TEST(ArchiveObjects, ClassIndexAtTheBoundaryOfTheWordForm) {
    // Second class at 0x7FFE: one word 0xFFFE. At 0x7FFF the word would be
    // the new-class tag, so the big form is used.
    {
        BigArchive big(0x7FFE - 2, {});
        EXPECT_EQ(Hex(Slice(big.bytes, big.tailOffset + 20 + 6, 2)), "FE FF");
        ObjectList list;
        Load(big.bytes, [&](CArchive& ar) {
            for (int i = 0; i < 0x7FFE - 2 + 2; ++i) list.items.push_back(ar.ReadObject());
        });
        EXPECT_EQ(list.items.back()->GetRuntimeClass(), RUNTIME_CLASS(CTestVersioned));
    }
    {
        BigArchive big(0x7FFF - 2, {});
        EXPECT_EQ(Hex(Slice(big.bytes, big.tailOffset + 20 + 6, 6)), "FF 7F FF 7F 00 80");
        ObjectList list;
        Load(big.bytes, [&](CArchive& ar) {
            for (int i = 0; i < 0x7FFF - 2 + 2; ++i) list.items.push_back(ar.ReadObject());
        });
        EXPECT_EQ(list.items.back()->GetRuntimeClass(), RUNTIME_CLASS(CTestVersioned));
    }
}

TEST(ArchiveClasses, RegisteredNamesAndSchemas) {
    const CRuntimeClass* stub = CRuntimeClass::FromName("CListElementStub");
    ASSERT_NE(stub, nullptr);
    EXPECT_EQ(stub->m_wSchema, 2u);
    EXPECT_TRUE(stub->m_bVersionable);
    const CRuntimeClass* dib = CRuntimeClass::FromName("CDib");
    ASSERT_NE(dib, nullptr);
    EXPECT_EQ(dib->m_wSchema, 0u);
    EXPECT_FALSE(dib->m_bVersionable);
    EXPECT_EQ(CRuntimeClass::FromName("CTestItem"), RUNTIME_CLASS(CTestItem));
    EXPECT_EQ(CRuntimeClass::FromName("CDocument"), nullptr);  // not creatable by name
    EXPECT_EQ(CRuntimeClass::FromName("ctestitem"), nullptr);  // names are exact
}

TEST(ArchiveClasses, VersionableClassReadsAnyStoredSchema) {
    for (std::uint16_t schema : {0, 1, 3, 7}) {
        // CTestVersioned written by hand under another schema, with a child.
        const Bytes bytes = Cat({ClassDescription("CTestVersioned", schema), Le32(42),
                                 ClassDescription("CTestItem", 1), Le32(43)});
        Load(bytes, [&](CArchive& ar) {
            std::unique_ptr<CTestVersioned> v(ar.ReadObjectAs<CTestVersioned>());
            ASSERT_TRUE(v);
            EXPECT_EQ(v->m_schemaBefore, schema);
            EXPECT_EQ(v->m_schemaAfter, schema) << "the child's schema leaked into its parent";
            EXPECT_EQ(v->m_value, 42);
            ASSERT_TRUE(v->m_pChild);
            EXPECT_EQ(v->m_pChild->m_value, 43);
        });
    }
}

TEST(ArchiveClasses, LaterObjectsOfAVersionableClassKeepItsStoredSchema) {
    const Bytes bytes = Cat({ClassDescription("CTestVersioned", 2), Le32(1), B({0, 0}),  //
                             B({0x01, 0x80}), Le32(2), B({0, 0})});
    Load(bytes, [](CArchive& ar) {
        std::unique_ptr<CTestVersioned> a(ar.ReadObjectAs<CTestVersioned>());
        std::unique_ptr<CTestVersioned> b(ar.ReadObjectAs<CTestVersioned>());
        ASSERT_TRUE(a && b);
        EXPECT_EQ(b->m_schemaBefore, 2u);
        EXPECT_EQ(b->m_value, 2);
    });
}

}  // namespace
}  // namespace voxmill::test
