// Damaged .slc and .sls files: every truncation and a few thousand random
// byte changes from a fixed seed. Each copy either reads (and the result
// can be listed, pictured and written again) or fails with an archive
// error; no single allocation grows past what the file could justify.
#include <gtest/gtest.h>

#include <typeinfo>

#include "app/ListElementStub.h"
#include "app/archive/Archive.h"
#include "app/archive/ErrorSink.h"
#include "imaging/dib/Dib.h"
#include "reconstruction/Slice.h"
#include "reconstruction/SliceCollection.h"
#include "tests/common/AllocationGuard.h"
#include "tests/common/ArchiveBytes.h"
#include "tests/common/Corruption.h"
#include "tests/reconstruction/slices/SliceTestSupport.h"

namespace voxmill::test {
namespace {

// Packed pixels may legitimately inflate about 1040 times; the reader
// refuses more than that, so the bound follows it, plus the archive buffer.
std::size_t AllocationBound(std::size_t fileBytes) { return CArchive::kDefaultBufferSize + 1100 * fileBytes + 1024; }

CorruptionOptions Options() {
    CorruptionOptions o;
    o.changeCases = 3000;
    o.seed = 0x511CE5u;
    return o;
}

struct Tally {
    std::size_t read = 0, refused = 0;
};

// Runs `read` on every damaged copy under the allocation bound; an
// archive error is a refusal, anything else a failure of the test.
Tally RunBattery(const Bytes& valid, const std::function<void(const Bytes&)>& read) {
    EXPECT_NO_THROW(read(valid)) << "the undamaged file must read";
    Tally tally;
    const ErrorSinkFn previous = SetErrorSink([](const std::string&) {});
    ForEachCorruption(
        valid,
        [&](const Bytes& damaged, const Corruption& how) {
            bool refused = false;
            std::size_t over = 0, largest = 0;
            {
                AllocationLimit limit(AllocationBound(damaged.size()));
                try {
                    read(damaged);
                } catch (const CArchiveException&) {
                    refused = true;
                } catch (const std::exception& e) {
                    refused = true;
                    ADD_FAILURE() << how.Describe() << ": unexpected " << typeid(e).name() << ": " << e.what();
                }
                over = limit.Refused();
                largest = limit.LargestRefused();
            }
            if (over)
                ADD_FAILURE() << how.Describe() << ": " << over << " allocations over the bound, largest " << largest
                              << " bytes for a file of " << damaged.size();
            (refused ? tally.refused : tally.read)++;
        },
        Options());
    SetErrorSink(previous);
    return tally;
}

void UseSlice(CSlice& s) {
    std::string text;
    s.GetDescription(text);
    std::unique_ptr<CDib> thumbnail(s.MakeThumbnail(64, 64));
    std::unique_ptr<CDib> bitmap = s.MakeBitmap();
    Store([&](CArchive& ar) { s.Serialize(ar); });
}

void ReadSlice(const Bytes& bytes) {
    CSlice s;
    s.m_bAutoDelete = false;
    Load(bytes, [&](CArchive& ar) { s.Serialize(ar); });
    UseSlice(s);
}

void ReadCollection(const Bytes& bytes) {
    CSliceCollection c;
    c.m_bAutoDelete = false;
    Load(bytes, [&](CArchive& ar) { c.Serialize(ar); });
    for (std::size_t i = 0; i < c.GetCount(); ++i) {
        CListElementStub& entry = *c.GetEntry(i);
        entry.GetCachedDescription();
        entry.GetCachedThumbnail();
        if (CSlice* s = c.GetSlice(i); s && !entry.m_bLinked) UseSlice(*s);
    }
    Store([&](CArchive& ar) { c.Serialize(ar); });
}

void FillRamp(CSlice& s, std::uint32_t w, std::uint32_t h, std::uint32_t axis, double position) {
    ASSERT_TRUE(s.Create(1.0, 0.75, w, h));
    for (std::size_t k = 0; k < s.GetPixelCount(); ++k) s.GetPixels()[k] = static_cast<float>(k % 7) - 2.0f;
    s.UpdateRange();
    s.SetAxisPosition(axis, position);
}

TEST(SliceCorruption, PackedSliceFile) {
    CSlice s;
    FillRamp(s, 6, 4, kSliceAxisZ, -0.984375);
    const Bytes valid = Store([&](CArchive& ar) { s.Serialize(ar); });
    const Tally t = RunBattery(valid, ReadSlice);
    EXPECT_GE(t.refused, valid.size());  // every truncation at least
}

TEST(SliceCorruption, PlainSliceFile) {
    CSlice s;
    FillRamp(s, 3, 2, kSliceAxisY, 0.5);
    // A scratch block too small for zlib: the pixels follow as plain floats.
    const Bytes valid = Store([&](CArchive& ar) {
        s.StoreNative(ar, 1);
        ar.WriteDword(s.GetAxis());
        ar.WriteDouble(s.GetPosition());
        ar.WriteDouble(s.GetDimX());
        ar.WriteDouble(s.GetDimY());
    });
    CSlice check;
    Load(valid, [&](CArchive& ar) { check.Serialize(ar); });
    ASSERT_EQ(check.GetPixel(2, 1), s.GetPixel(2, 1));
    const Tally t = RunBattery(valid, ReadSlice);
    EXPECT_GE(t.refused, valid.size());
}

TEST(SliceCorruption, CollectionInPlaceAndLinked) {
    auto sliceType = SliceTemplate();
    CSliceCollection::SetSliceTemplate(sliceType.get());
    CSliceCollection c;
    c.SetAxis(kSliceAxisX);
    for (int i = 0; i < 2; ++i) FillRamp(*static_cast<CSlice*>(c.AddSlice()->m_pElement), 4, 3, kSliceAxisX, 0.5 - i);
    c.AddSlice();  // empty
    CListElementStub* linked = c.AddSlice();
    linked->m_bLinked = true;
    linked->m_bLoaded = false;
    linked->m_strPath = "absent/member.slc";
    linked->m_strDescription = "X = -1.500";
    linked->m_pThumbnail = std::make_unique<CDib>(4, 4, 8);
    linked->m_pThumbnail->CreateSection();
    const Bytes valid = Store([&](CArchive& ar) { c.Serialize(ar); });
    const Tally t = RunBattery(valid, ReadCollection);
    EXPECT_GE(t.refused, valid.size());
    CSliceCollection::SetSliceTemplate(nullptr);
}

}  // namespace
}  // namespace voxmill::test
