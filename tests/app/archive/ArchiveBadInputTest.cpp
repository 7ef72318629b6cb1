// Malformed archives: each is an archive error naming what was wrong and
// the byte offset where it starts, never a crash, a hang or a huge
// allocation (the corruption battery repeats this at scale).
#include <gtest/gtest.h>

#include <memory>

#include "app/archive/Archive.h"
#include "app/archive/File.h"
#include "tests/app/TestSerialClasses.h"
#include "tests/common/ArchiveBytes.h"

namespace voxmill::test {
namespace {

struct Failure {
    CArchiveException::Cause cause;
    std::uint64_t offset;
    std::string message;
};

// Runs the reader and returns the archive error it must raise.
Failure ExpectArchiveError(const Bytes& bytes, const std::function<void(CArchive&)>& read) {
    try {
        Load(bytes, read);
    } catch (const CArchiveException& e) {
        return {e.cause(), e.offset(), e.what()};
    }
    ADD_FAILURE() << "no archive error for " << Hex(bytes);
    return {CArchiveException::generic, ~0ull, ""};
}

void ReadOneObject(CArchive& ar) { delete ar.ReadObject(); }

void ExpectMessage(const Failure& f, const std::string& part) {
    EXPECT_NE(f.message.find(part), std::string::npos) << f.message;
    EXPECT_NE(f.message.find("at byte " + std::to_string(f.offset)), std::string::npos) << f.message;
}

TEST(ArchiveBadInput, TruncatedFieldNamesTheFieldAndWhatIsLeft) {
    const Failure f = ExpectArchiveError(Cat({Le32(1), B({0x00, 0x00, 0x00})}), [](CArchive& ar) {
        ar.ReadInt();
        ar.ReadDouble();
    });
    EXPECT_EQ(f.cause, CArchiveException::endOfFile);
    EXPECT_EQ(f.offset, 4u);
    ExpectMessage(f, "unexpected end of file reading double (8 bytes needed, 3 left)");
    try {
        Load(Cat({Le32(1), B({0x00, 0x00, 0x00})}), [](CArchive& ar) {
            ar.ReadInt();
            ar.ReadDouble();
        });
    } catch (const CArchiveException& e) {
        ASSERT_TRUE(e.shortfall());
        EXPECT_EQ(ShortfallText(*e.shortfall()), "a double needs 8 bytes, 3 are left");
    }
}

TEST(ArchiveBadInput, TruncatedInsideAnObjectRecord) {
    const Bytes bytes = Cat({ClassDescription("CTestItem", 1), B({0x07, 0x00})});
    const Failure f = ExpectArchiveError(bytes, ReadOneObject);
    EXPECT_EQ(f.cause, CArchiveException::endOfFile);
    EXPECT_EQ(f.offset, 15u);
    ExpectMessage(f, "dword");
}

TEST(ArchiveBadInput, UnknownClassName) {
    const Failure f = ExpectArchiveError(Cat({Le32(0), ClassDescription("CNoSuchThing", 1), Le32(0)}),
                                         [](CArchive& ar) {
                                             ar.ReadInt();
                                             ReadOneObject(ar);
                                         });
    EXPECT_EQ(f.cause, CArchiveException::badClass);
    EXPECT_EQ(f.offset, 4u);
    ExpectMessage(f, "unknown class name 'CNoSuchThing'");
}

TEST(ArchiveBadInput, ClassKnownButNotCreatableByName) {
    const Failure f = ExpectArchiveError(ClassDescription("CDocument", 0xFFFF), ReadOneObject);
    EXPECT_EQ(f.cause, CArchiveException::badClass);
}

TEST(ArchiveBadInput, SchemaMismatchOfANonVersionableClass) {
    const Failure f = ExpectArchiveError(Cat({ClassDescription("CTestItem", 2), Le32(0)}), ReadOneObject);
    EXPECT_EQ(f.cause, CArchiveException::badSchema);
    EXPECT_EQ(f.offset, 0u);
    ExpectMessage(f, "class CTestItem stored with schema 2, expected 1");
}

TEST(ArchiveBadInput, ObjectOfTheWrongClass) {
    const Failure f = ExpectArchiveError(Cat({ClassDescription("CTestItem", 1), Le32(0)}),
                                         [](CArchive& ar) { delete ar.ReadObjectAs<CTestNode>(); });
    EXPECT_EQ(f.cause, CArchiveException::badClass);
    ExpectMessage(f, "object of class CTestItem where CTestNode is expected");
}

TEST(ArchiveBadInput, CountLargerThanTheBytesLeft) {
    // 0x7FFFFFFF items of at least 2 bytes after a 6-byte count.
    const Failure f = ExpectArchiveError(Cat({Le32(9), B({0xFF, 0xFF}), Le32(0x7FFFFFFF), B({0, 0, 0, 0})}),
                                         [](CArchive& ar) {
                                             ar.ReadInt();
                                             ar.ReadCount();
                                         });
    EXPECT_EQ(f.cause, CArchiveException::endOfFile);
    EXPECT_EQ(f.offset, 4u);
    ExpectMessage(f, "count 2147483647 needs at least 4294967294 bytes, 4 are left");
    // The item size given by the reader counts: 3 floats do not fit in 8 bytes.
    const Failure g = ExpectArchiveError(Cat({B({3, 0}), Le32(0), Le32(0)}), [](CArchive& ar) { ar.ReadCount(4); });
    EXPECT_EQ(g.cause, CArchiveException::endOfFile);
    ExpectMessage(g, "count 3 needs at least 12 bytes, 8 are left");
    // The figures travel with the error, for a sentence in the reader's own words.
    try {
        Load(Cat({B({3, 0}), Le32(0), Le32(0)}), [](CArchive& ar) { ar.ReadCount(4, "floats"); });
        ADD_FAILURE() << "no archive error";
    } catch (const CArchiveException& e) {
        ASSERT_TRUE(e.shortfall());
        EXPECT_EQ(ShortfallText(*e.shortfall()), "3 floats need at least 12 bytes, 8 are left");
        EXPECT_EQ(e.detail(), e.what());
    }
    EXPECT_NO_THROW(Load(Cat({B({2, 0}), Le32(0), Le32(0)}), [](CArchive& ar) { EXPECT_EQ(ar.ReadCount(4), 2u); }));
}

TEST(ArchiveBadInput, StringLongerThanTheBytesLeft) {
    for (const Bytes& bytes : {B({0x05, 'a', 'b'}), B({0xFF, 0x00, 0x01, 'a'}),
                               Cat({B({0xFF, 0xFF, 0xFF}), Le32(0xFFFFFFF0u), Text("abc")}),
                               Cat({B({0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF}), Le32(0x80000000u), Text("ab")}),
                               B({0xFF, 0xFE, 0xFF, 0x02, 'a', 0, 'b'})}) {
        const Failure f = ExpectArchiveError(bytes, [](CArchive& ar) { ar.ReadString(); });
        EXPECT_EQ(f.cause, CArchiveException::endOfFile) << Hex(bytes);
        ExpectMessage(f, "string");
    }
}

TEST(ArchiveBadInput, ClassNameLongerThanTheBytesLeft) {
    const Failure f = ExpectArchiveError(B({0xFF, 0xFF, 0x01, 0x00, 0xFF, 0xFF, 'C'}), ReadOneObject);
    EXPECT_EQ(f.cause, CArchiveException::endOfFile);
    ExpectMessage(f, "class name");
}

TEST(ArchiveBadInput, BackReferenceToAnIndexNeverSeen) {
    const Failure small = ExpectArchiveError(B({0x05, 0x00}), ReadOneObject);
    EXPECT_EQ(small.cause, CArchiveException::badIndex);
    EXPECT_EQ(small.offset, 0u);
    ExpectMessage(small, "reference to object 5, never seen");
    const Failure big = ExpectArchiveError(Cat({B({0xFF, 0x7F}), Le32(1000000)}), ReadOneObject);
    EXPECT_EQ(big.cause, CArchiveException::badIndex);
    ExpectMessage(big, "reference to object 1000000, never seen");
    const Failure bigClass = ExpectArchiveError(Cat({B({0xFF, 0x7F}), Le32(0x80000000u | 77)}), ReadOneObject);
    EXPECT_EQ(bigClass.cause, CArchiveException::badIndex);
    ExpectMessage(bigClass, "class index 77, never seen");
    const Failure classZero = ExpectArchiveError(B({0x00, 0x80}), ReadOneObject);
    EXPECT_EQ(classZero.cause, CArchiveException::badIndex);
}

TEST(ArchiveBadInput, ClassIndexWhereAnObjectIsExpected) {
    // Index 1 is the class description, index 2 the object.
    const Bytes bytes = Cat({ClassDescription("CTestItem", 1), Le32(3), B({0x01, 0x00})});
    const Failure f = ExpectArchiveError(bytes, [](CArchive& ar) {
        std::unique_ptr<CObject> first(ar.ReadObject());
        ReadOneObject(ar);
    });
    EXPECT_EQ(f.cause, CArchiveException::badIndex);
    EXPECT_EQ(f.offset, 19u);
    ExpectMessage(f, "reference 1 names a class where an object is expected");
}

TEST(ArchiveBadInput, ObjectIndexWhereAClassIsExpected) {
    const Bytes bytes = Cat({ClassDescription("CTestItem", 1), Le32(3), B({0x02, 0x80}), Le32(4)});
    const Failure f = ExpectArchiveError(bytes, [](CArchive& ar) {
        std::unique_ptr<CObject> first(ar.ReadObject());
        ReadOneObject(ar);
    });
    EXPECT_EQ(f.cause, CArchiveException::badIndex);
    EXPECT_EQ(f.offset, 19u);
    ExpectMessage(f, "class index 2 names an object where a class is expected");
}

TEST(ArchiveBadInput, SharedReferenceWhereAnOwnedObjectIsExpected) {
    // A node whose child is a reference to itself would own itself.
    const Bytes bytes = Cat({ClassDescription("CTestNode", 1), B({0x02, 0x00})});
    const Failure f = ExpectArchiveError(bytes, ReadOneObject);
    EXPECT_EQ(f.cause, CArchiveException::badIndex);
    ExpectMessage(f, "shared reference to object 2");
}

Bytes NodeChain(int depth) {
    Bytes bytes = ClassDescription("CTestNode", 1);
    for (int i = 1; i < depth; ++i) bytes.insert(bytes.end(), {0x01, 0x80});
    bytes.insert(bytes.end(), {0x00, 0x00});
    return bytes;
}

TEST(ArchiveBadInput, NestingTooDeep) {
    Load(NodeChain(64), [](CArchive& ar) {
        std::unique_ptr<CTestNode> root(ar.ReadObjectAs<CTestNode>());
        int depth = 0;
        for (CTestNode* n = root.get(); n; n = n->m_pChild) ++depth;
        EXPECT_EQ(depth, 64);
    });
    const Failure f = ExpectArchiveError(NodeChain(65), ReadOneObject);
    EXPECT_EQ(f.cause, CArchiveException::generic);
    ExpectMessage(f, "nested too deeply");
    // Far deeper chains fail the same way, without exhausting the stack.
    const Failure g = ExpectArchiveError(NodeChain(100000), ReadOneObject);
    ExpectMessage(g, "nested too deeply");
}

TEST(ArchiveBadInput, ReadingAStoringArchiveAndWritingALoadingOne) {
    CMemFile file;
    CArchive out(file, CArchive::store);
    EXPECT_THROW(out.ReadInt(), CArchiveException);
    CMemFile in(B({1, 2, 3, 4}));
    CArchive ar(in, CArchive::load);
    EXPECT_THROW(ar.WriteInt(1), CArchiveException);
    EXPECT_EQ(ar.ReadInt(), 0x04030201);
}

}  // namespace
}  // namespace voxmill::test
