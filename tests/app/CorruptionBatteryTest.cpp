// Damaged files of every record kind the document base reads: each copy
// either reads or fails with an archive error (a bitmap read gives false),
// and no single allocation grows beyond what the file could justify.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <typeinfo>

#include "app/archive/Archive.h"
#include "app/archive/ErrorSink.h"
#include "imaging/dib/Dib.h"
#include "tests/app/TestSerialClasses.h"
#include "tests/common/AllocationGuard.h"
#include "tests/common/ArchiveBytes.h"
#include "tests/common/Corruption.h"
#include "tests/common/TempDir.h"

namespace voxmill::test {
namespace {

// The archive buffer, plus a few times the file for strings, bitmaps,
// value arrays and the reader's index table.
std::size_t AllocationBound(std::size_t fileBytes) { return CArchive::kDefaultBufferSize + 8 * fileBytes; }

enum class Outcome { read, refused };

struct Tally {
    std::size_t read = 0, refused = 0;
};

// Runs `attempt` on every damaged copy under the allocation limit.
Tally RunBattery(const Bytes& valid, const std::function<Outcome(const Bytes&)>& attempt,
                 const CorruptionOptions& options = {}) {
    Tally tally;
    const Outcome undamaged = attempt(valid);
    EXPECT_EQ(undamaged, Outcome::read) << "the undamaged file must read";
    ForEachCorruption(
        valid,
        [&](const Bytes& damaged, const Corruption& how) {
            const std::string description = how.Describe();
            Outcome outcome = Outcome::refused;
            std::size_t refusedAllocations = 0, largest = 0;
            {
                AllocationLimit limit(AllocationBound(damaged.size()));
                try {
                    outcome = attempt(damaged);
                } catch (const CArchiveException&) {
                    outcome = Outcome::refused;
                } catch (const std::exception& e) {
                    refusedAllocations = limit.Refused();
                    largest = limit.LargestRefused();
                    ADD_FAILURE() << description << ": unexpected " << typeid(e).name() << ": " << e.what();
                }
                if (!refusedAllocations) {
                    refusedAllocations = limit.Refused();
                    largest = limit.LargestRefused();
                }
            }
            if (refusedAllocations)
                ADD_FAILURE() << description << ": " << refusedAllocations << " allocations over the bound, largest "
                              << largest << " bytes for a file of " << damaged.size();
            (outcome == Outcome::read ? tally.read : tally.refused)++;
        },
        options);
    return tally;
}

// Outcome of a reader that throws on malformed input.
Outcome Reads(const Bytes& bytes, const std::function<void(CArchive&)>& read) {
    Load(bytes, read);
    return Outcome::read;
}

// --- a record with every kind of field and reference ----------------------

void CollectOwned(CObject* o, std::set<CObject*>& owned) {
    CObject* child = nullptr;
    if (auto* v = dynamic_cast<CTestVersioned*>(o)) child = v->m_pChild;
    if (auto* n = dynamic_cast<CTestNode*>(o)) child = n->m_pChild;
    if (child && owned.insert(child).second) CollectOwned(child, owned);
}

// Top-level references may be shared and may point at an object another
// one owns; each object is deleted exactly once.
struct Roots {
    std::vector<CObject*> refs;
    ~Roots() {
        std::set<CObject*> distinct(refs.begin(), refs.end()), owned;
        distinct.erase(nullptr);
        for (CObject* o : distinct) CollectOwned(o, owned);
        for (CObject* o : distinct)
            if (!owned.count(o)) delete o;
    }
};

const std::string kLongText(300, 'L');
const Bytes kWideString = B({0xFF, 0xFE, 0xFF, 0x03, 'w', 0, 0xE9, 0, 0x3A, 0x26});

Bytes MixedRecord() {
    CTestItem a(1), b(2);
    CTestVersioned v;
    v.m_value = 3;
    v.m_pChild = new CTestItem(4);
    CTestNode chain[5];
    for (int i = 0; i < 4; ++i) chain[i].m_pChild = &chain[i + 1];
    CDib dib(3, 2, 8);
    dib.CreateSection();
    Bytes bytes = Store([&](CArchive& ar) {
        ar.WriteString("phantom");
        ar.WriteCount(5);
        for (const CObject* o : {static_cast<const CObject*>(&a), static_cast<const CObject*>(&v),
                                 static_cast<const CObject*>(&b), static_cast<const CObject*>(&a),
                                 static_cast<const CObject*>(v.m_pChild)})
            ar.WriteObject(o);
        ar.WriteString(kLongText);
        ar.WriteCount(3);
        for (double d : {0.5, -1.0, 1e300}) ar.WriteDouble(d);
        ar.WriteObject(&chain[0]);
        ar.WriteRaw(kWideString.data(), kWideString.size());
        ar.WriteObject(&dib);
        ar.WriteObject(&dib);
        ar.WriteDword(0xC0FFEE);
    });
    for (int i = 0; i < 4; ++i) chain[i].m_pChild = nullptr;
    return bytes;
}

void ReadMixed(CArchive& ar) {
    Roots roots;
    ar.ReadString();
    for (std::uint32_t i = 0, n = ar.ReadCount(); i < n; ++i) roots.refs.push_back(ar.ReadObject());
    ar.ReadString();
    for (std::uint32_t i = 0, n = ar.ReadCount(8); i < n; ++i) ar.ReadDouble();
    roots.refs.push_back(ar.ReadObject(RUNTIME_CLASS(CTestNode)));
    ar.ReadString();
    roots.refs.push_back(ar.ReadObject());
    roots.refs.push_back(ar.ReadObject());
    ar.ReadDword();
}

TEST(CorruptionBattery, ArchiveWithStringsCountsObjectsAndBackReferences) {
    const Bytes valid = MixedRecord();
    const Tally t = RunBattery(valid, [](const Bytes& b) { return Reads(b, ReadMixed); });
    EXPECT_GE(t.refused, valid.size());  // every truncation at least
}

// --- collections of members -----------------------------------------------

// After a successful read, the members are used and written again.
void UseAndStore(TestStubList& list) {
    for (const auto& stub : list.stubs) {
        if (!stub || stub->m_bLinked) continue;
        stub->GetCachedDescription();
        stub->GetCachedThumbnail();
    }
    Store([&](CArchive& ar) { list.Serialize(ar); });
}

TEST(CorruptionBattery, InPlaceMemberList) {
    TestStubList list;
    list.AddInPlace(MakeElement("first", 3));
    list.AddInPlace(MakeElement("", 0));
    list.AddInPlace(MakeElement("third", 5));
    const Bytes valid = Store([&](CArchive& ar) { list.Serialize(ar); });
    RunBattery(valid, [](const Bytes& b) {
        return Reads(b, [](CArchive& ar) {
            TestStubList back;
            back.Serialize(ar);
            UseAndStore(back);
        });
    });
}

TEST(CorruptionBattery, LinkedMemberListWithThumbnails) {
    TestStubList list;
    for (int i = 0; i < 3; ++i) {
        auto stub = std::make_unique<CListElementStub>();
        stub->m_bLinked = true;
        stub->m_bLoaded = false;
        stub->m_strPath = "member" + std::to_string(i) + ".prj";  // relative, and absent
        if (i != 1) {
            stub->m_pThumbnail = std::make_unique<CDib>(8, 8, 8);
            stub->m_pThumbnail->CreateSection();
        }
        if (i != 2) stub->m_strDescription = "member " + std::to_string(i);
        list.stubs.push_back(std::move(stub));
    }
    const Bytes valid = Store([&](CArchive& ar) { list.Serialize(ar); });
    RunBattery(valid, [](const Bytes& b) {
        return Reads(b, [](CArchive& ar) {
            TestStubList back;
            back.Serialize(ar);
            UseAndStore(back);
        });
    });
}

// --- bitmaps and targets ----------------------------------------------------

CDib PatternedDib(std::uint32_t w, std::uint32_t h, int bits) {
    CDib dib(w, h, bits);
    dib.CreateSection();
    for (std::uint32_t i = 0; i < dib.GetImageSize(); ++i) dib.GetBits()[i] = static_cast<std::uint8_t>(i * 13);
    return dib;
}

TEST(CorruptionBattery, BitmapRecordInsideAnArchive) {
    CDib dib = PatternedDib(5, 3, 8);
    const Bytes valid = Store([&](CArchive& ar) {
        ar.WriteInt(1);
        dib.Serialize(ar);
        ar.WriteInt(2);
    });
    const ErrorSinkFn previous = SetErrorSink(nullptr);
    RunBattery(valid, [](const Bytes& b) {
        return Reads(b, [](CArchive& ar) {
            ar.ReadInt();
            CDib back;
            back.Serialize(ar);
            ar.ReadInt();
            CMemFile out;
            back.Write(out);
        });
    });
    SetErrorSink(previous);
}

TEST(CorruptionBattery, BareBitmapFileReadGivesFalse) {
    for (int bits : {1, 4, 8, 24, 32}) {
        SCOPED_TRACE(bits);
        CMemFile file;
        PatternedDib(6, 4, bits).Write(file);
        RunBattery(
            file.bytes(),
            [](const Bytes& b) {
                CMemFile in(b);
                CDib dib;
                return dib.Read(in) ? Outcome::read : Outcome::refused;
            },
            CorruptionOptions{300, 0x5EEDu + static_cast<std::uint32_t>(bits), 3, 1});
    }
}

TEST(CorruptionBattery, TargetRecordWithIcon) {
    CTestTarget target;
    *target.GetIcon() = PatternedDib(8, 8, 8);
    const Bytes valid = Store([&](CArchive& ar) {
        target.Serialize(ar);
        ar.WriteString("after the target");
    });
    RunBattery(valid, [](const Bytes& b) {
        return Reads(b, [](CArchive& ar) {
            CTestTarget back;
            back.Serialize(ar);
            ar.ReadString();
        });
    });
}

// --- member files -----------------------------------------------------------

TEST(CorruptionBattery, DamagedMemberFilesOnlyFailTheLoad) {
    TempDir dir;
    const std::string path = dir.File("member.prj");
    CTestElement element;
    element.m_name = "member";
    element.m_data = {1, 2, 3, 4, 5, 6};
    CListElementStub stub;
    stub.m_pElement = &element;
    stub.m_bLinked = true;
    ASSERT_TRUE(stub.SetLinkPath(path));
    const Bytes valid = ReadBytes(path);
    const ErrorSinkFn previous = SetErrorSink(nullptr);
    const Tally t = RunBattery(
        valid,
        [&](const Bytes& b) {
            WriteBytes(path, b);
            stub.Unload();
            stub.m_bLoaded = false;
            const bool loaded = stub.Load();
            EXPECT_EQ(stub.m_strPath, path);
            return loaded ? Outcome::read : Outcome::refused;
        },
        CorruptionOptions{300, 0xF11Eu, 3, 1});
    SetErrorSink(previous);
    EXPECT_GE(t.refused, valid.size());
}

TEST(CorruptionBattery, AllocationGuardCatchesATrustedLength) {
    volatile std::size_t huge = 1u << 24;
    AllocationLimit limit(1u << 16);
    EXPECT_THROW(
        {
            std::vector<char> big(huge);
            EXPECT_EQ(big.size(), huge);
        },
        std::bad_alloc);
    EXPECT_EQ(limit.Refused(), 1u);
    EXPECT_EQ(limit.LargestRefused(), std::size_t{1} << 24);
    std::vector<char> fine(1000);
    EXPECT_EQ(fine.size(), 1000u);
}

}  // namespace
}  // namespace voxmill::test
