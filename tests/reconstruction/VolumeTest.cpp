// The volume: allocation and its refusals, the voxel grid, IVolume, the
// .vol record byte for byte with a corruption battery, and the raw and
// HDF exports (read back with the HDF tools).
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <regex>
#include <sstream>
#include <vector>

#include <gtest/gtest.h>

#include "app/archive/Archive.h"
#include "app/archive/ArchiveException.h"
#include "app/archive/ArchiveFile.h"
#include "app/archive/File.h"
#include "contract/Projection.h"
#include "reconstruction/HdfDataSet.h"
#include "reconstruction/Volume.h"
#include "tests/reconstruction/TestFolder.h"

namespace voxmill {
namespace {

using test::CTestFolder;

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void PutF64(std::vector<std::uint8_t>& out, double d) {
    std::uint64_t v;
    std::memcpy(&v, &d, 8);
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void PutF32(std::vector<std::uint8_t>& out, float f) {
    std::uint32_t v;
    std::memcpy(&v, &f, 4);
    PutU32(out, v);
}

// A .vol record: no icon, then the six header fields and the voxels.
std::vector<std::uint8_t> VolRecord(std::uint32_t nX, std::uint32_t nY, std::uint32_t nZ, double dX, double dY,
                                    double dZ, const std::vector<float>& voxels) {
    std::vector<std::uint8_t> out;
    PutU32(out, 0);
    PutU32(out, nX);
    PutU32(out, nY);
    PutU32(out, nZ);
    PutF64(out, dX);
    PutF64(out, dY);
    PutF64(out, dZ);
    for (float f : voxels) PutF32(out, f);
    return out;
}

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    CTestFolder::WriteText(path, std::string(bytes.begin(), bytes.end()));
}

std::string RunCommand(const std::string& command) {
    std::string out;
    if (FILE* p = ::popen(command.c_str(), "r")) {
        char buf[4096];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
        ::pclose(p);
    }
    return out;
}

TEST(VolumeAllocate, TwoUnitsInSixtyFourVoxelsGivesTheDocumentedGrid) {
    CVolume v;
    ASSERT_TRUE(v.Allocate(2, 2, 2, 64, 64, 64));
    EXPECT_EQ(v.GetSliceSize(), 4096u);
    for (double pitch : {v.GetPitchX(), v.GetPitchY(), v.GetPitchZ()}) EXPECT_EQ(pitch, 0.03125);
    for (double lo : {v.GetMinX(), v.GetMinY(), v.GetMinZ()}) EXPECT_EQ(lo, -0.984375);
    for (double hi : {v.GetMaxX(), v.GetMaxY(), v.GetMaxZ()}) EXPECT_EQ(hi, 0.984375);
    ASSERT_EQ(v.GetVoxelCount(), 64u * 64u * 64u);
    for (std::size_t i = 0; i < v.GetVoxelCount(); ++i) ASSERT_EQ(v.GetVoxels()[i], 0.0f);
}

TEST(VolumeAllocate, ACountOfOneGivesASingleCentreAtZero) {
    CVolume v;
    ASSERT_TRUE(v.Allocate(3, 2, 5, 1, 4, 1));
    EXPECT_EQ(v.GetMinX(), 0.0);
    EXPECT_EQ(v.GetMaxX(), 0.0);
    EXPECT_EQ(v.GetPitchX(), 3.0);
    EXPECT_EQ(v.GetMinZ(), 0.0);
    EXPECT_EQ(v.GetMaxZ(), 0.0);
    EXPECT_EQ(v.GetMinY(), -0.75);  // (0.5 - 2) / 2
    EXPECT_EQ(v.GetMaxY(), 0.75);
}

TEST(VolumeAllocate, ASecondAllocateIsRefusedAndChangesNothing) {
    CVolume v;
    ASSERT_TRUE(v.Allocate(2, 2, 2, 4, 4, 4));
    v.Voxel(1, 2, 3) = 7;
    const float* voxels = v.GetVoxels();
    EXPECT_FALSE(v.Allocate(1, 1, 1, 2, 2, 2));
    EXPECT_EQ(v.GetVoxels(), voxels);
    EXPECT_EQ(v.GetCountX(), 4u);
    EXPECT_EQ(v.GetDimX(), 2.0);
    EXPECT_EQ(v.GetVoxels()[1 + 4 * (2 + 4 * 3)], 7.0f);
}

struct Refusal {
    const char* name;
    double dX, dY, dZ;
    std::uint32_t nX, nY, nZ;
};

class VolumeRefusal : public ::testing::TestWithParam<Refusal> {};

TEST_P(VolumeRefusal, LeavesTheVolumeEmpty) {
    const Refusal& r = GetParam();
#if defined(__SANITIZE_ADDRESS__)
    // The sanitizer's allocator aborts on a 512 TB request instead of failing it.
    if (std::string(r.name) == "MoreMemoryThanExists") GTEST_SKIP();
#endif
    CVolume v;
    EXPECT_FALSE(v.Allocate(r.dX, r.dY, r.dZ, r.nX, r.nY, r.nZ));
    // Lent voxels pass the same checks (the memory is the lender's affair).
    float lent = 0;
    if (std::string(r.name) != "MoreMemoryThanExists") {
        EXPECT_FALSE(v.AllocateOver(r.dX, r.dY, r.dZ, r.nX, r.nY, r.nZ, &lent));
    }
    EXPECT_FALSE(v.IsAllocated());
    EXPECT_EQ(v.GetCountX() + v.GetCountY() + v.GetCountZ(), 0u);
    EXPECT_EQ(v.GetDimX() + v.GetPitchX() + v.GetMinX(), 0.0);
}

TEST(VolumeAllocate, LentVoxelsAreUsedInPlaceAndNeverFreed) {
    std::vector<float> block(4 * 3 * 2, 0.5f);
    auto v = std::make_unique<CVolume>();
    EXPECT_FALSE(v->AllocateOver(2, 2, 2, 4, 3, 2, nullptr));
    ASSERT_TRUE(v->AllocateOver(4, 3, 1, 4, 3, 2, block.data()));
    EXPECT_EQ(v->GetVoxels(), block.data());
    EXPECT_FALSE(v->OwnsVoxels());
    EXPECT_EQ(v->GetPitchZ(), 0.5);
    EXPECT_EQ(v->GetMinX(), -1.5);
    v->Voxel(3, 2, 1) = 9;
    EXPECT_EQ(block.back(), 9.0f);
    EXPECT_FALSE(v->Allocate(1, 1, 1, 1, 1, 1));
    v->DeleteContents();  // a free() of the vector's block would be caught here
    EXPECT_FALSE(v->IsAllocated());
    ASSERT_TRUE(v->Allocate(1, 1, 1, 2, 2, 2));
    EXPECT_TRUE(v->OwnsVoxels());
    v->Voxel(1, 1, 1) = 1;
    v.reset();
    EXPECT_EQ(block.front(), 0.5f);
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(Battery, VolumeRefusal,
                         ::testing::Values(Refusal{"ZeroExtent", 2, 0, 2, 8, 8, 8},
                                           Refusal{"NegativeExtent", -1, 2, 2, 8, 8, 8},
                                           Refusal{"NaNExtent", 2, 2, kNaN, 8, 8, 8},
                                           Refusal{"InfiniteExtent", kInf, 2, 2, 8, 8, 8},
                                           Refusal{"ZeroCount", 2, 2, 2, 8, 0, 8},
                                           Refusal{"CountBeyondSigned32", 2, 2, 2, 0x80000000u, 1, 1},
                                           Refusal{"ByteCountOverflow", 2, 2, 2, 0x7FFFFFFF, 0x7FFFFFFF, 4},
                                           Refusal{"MoreMemoryThanExists", 2, 2, 2, 0x7FFFFFFF, 0x10000, 1}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(VolumeInterface, GetGeometryNarrowsInTheContractOrder) {
    CVolume v;
    ASSERT_TRUE(v.Allocate(1, 2, 4, 2, 4, 8));
    void* p = nullptr;
    ASSERT_EQ(v.GetVolume()->QueryInterface(IID_IVolume, &p), S_OK);
    auto* iv = static_cast<IVolume*>(p);
    float g[12];
    LONG n[3];
    ASSERT_EQ(iv->GetGeometry(&g[0], &g[1], &g[2], &g[3], &g[4], &g[5], &g[6], &g[7], &g[8], &g[9], &g[10], &g[11],
                              &n[0], &n[1], &n[2]),
              S_OK);
    const float expected[12] = {1, 2, 4, -0.25f, -0.75f, -1.75f, 0.25f, 0.75f, 1.75f, 0.5f, 0.5f, 0.5f};
    for (int i = 0; i < 12; ++i) EXPECT_EQ(g[i], expected[i]) << i;
    EXPECT_EQ(n[0], 2);
    EXPECT_EQ(n[1], 4);
    EXPECT_EQ(n[2], 8);
    float* voxels = nullptr;
    ASSERT_EQ(iv->GetData(&voxels), S_OK);
    EXPECT_EQ(voxels, v.GetVoxels());
    EXPECT_EQ(iv->GetData(nullptr), E_POINTER);
    EXPECT_EQ(iv->GetGeometry(nullptr, &g[1], &g[2], &g[3], &g[4], &g[5], &g[6], &g[7], &g[8], &g[9], &g[10],
                              &g[11], &n[0], &n[1], &n[2]),
              E_POINTER);
    EXPECT_EQ(iv->QueryInterface(IID_IProjection, &p), E_NOINTERFACE);
    iv->Release();
}

TEST(VolumeFile, TheRecordIsByteExact) {
    CTestFolder folder;
    CVolume v;
    ASSERT_TRUE(v.Allocate(1, 2, 3, 2, 1, 1));
    v.GetVoxels()[0] = 1.5f;
    v.GetVoxels()[1] = -2.0f;
    v.Save(folder.File("a.vol"));
    EXPECT_EQ(Bytes(CTestFolder::ReadText(folder.File("a.vol"))), VolRecord(2, 1, 1, 1, 2, 3, {1.5f, -2.0f}));

    CVolume empty;
    empty.Save(folder.File("empty.vol"));
    EXPECT_EQ(Bytes(CTestFolder::ReadText(folder.File("empty.vol"))), VolRecord(0, 0, 0, 0, 0, 0, {}));
}

TEST(VolumeFile, RoundTripsAndAnEmptyRecordLoadsEmpty) {
    CTestFolder folder;
    CVolume v;
    ASSERT_TRUE(v.Allocate(2, 3, 4, 3, 4, 5));
    for (std::size_t i = 0; i < v.GetVoxelCount(); ++i) v.GetVoxels()[i] = static_cast<float>(i) * 0.25f - 3;
    v.GetVoxels()[7] = std::numeric_limits<float>::quiet_NaN();
    v.Save(folder.File("v.vol"));

    CVolume back;
    ASSERT_TRUE(back.Allocate(1, 1, 1, 1, 1, 1));  // opening replaces what was there
    back.Open(folder.File("v.vol"));
    ASSERT_EQ(back.GetCountX(), 3u);
    EXPECT_EQ(back.GetCountZ(), 5u);
    EXPECT_EQ(back.GetDimY(), 3.0);
    EXPECT_EQ(back.GetPitchZ(), 0.8);
    EXPECT_EQ(back.GetMinX(), v.GetMinX());
    EXPECT_EQ(std::memcmp(back.GetVoxels(), v.GetVoxels(), v.GetVoxelCount() * sizeof(float)), 0);

    WriteBytes(folder.File("e.vol"), VolRecord(0, 0, 0, 0, 0, 0, {}));
    back.Open(folder.File("e.vol"));
    EXPECT_FALSE(back.IsAllocated());
    EXPECT_EQ(back.GetCountX(), 0u);
}

struct Corruption {
    const char* name;
    std::vector<std::uint8_t> bytes;
};

class VolumeCorruption : public ::testing::TestWithParam<Corruption> {};

TEST_P(VolumeCorruption, IsAnArchiveErrorAndLeavesTheVolumeEmpty) {
    CTestFolder folder;
    WriteBytes(folder.File("bad.vol"), GetParam().bytes);
    CVolume v;
    EXPECT_THROW(v.Open(folder.File("bad.vol")), CArchiveException);
    EXPECT_FALSE(v.IsAllocated());
    EXPECT_EQ(v.GetCountX(), 0u);
}

std::vector<std::uint8_t> Truncated(std::vector<std::uint8_t> bytes, std::size_t drop) {
    bytes.resize(bytes.size() - drop);
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Battery, VolumeCorruption,
    ::testing::Values(
        Corruption{"Empty", {}},
        Corruption{"NoHeader", Truncated(VolRecord(0, 0, 0, 0, 0, 0, {}), 36)},
        Corruption{"HalfADouble", Truncated(VolRecord(0, 0, 0, 0, 0, 0, {}), 4)},
        Corruption{"OneVoxelShort", Truncated(VolRecord(2, 1, 1, 1, 1, 1, {1, 2}), 4)},
        Corruption{"OneByteShort", Truncated(VolRecord(2, 1, 1, 1, 1, 1, {1, 2}), 1)},
        // 2^48 voxels asked for by a file of a few bytes: refused before allocating.
        Corruption{"CountsFarBeyondTheFile", VolRecord(65536, 65536, 65536, 1, 1, 1, {1})},
        Corruption{"CountsOverflowing64Bits", VolRecord(0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF, 1, 1, 1, {})},
        Corruption{"CountBeyondSigned32", VolRecord(0xFFFFFFFF, 1, 1, 1, 1, 1, {})},
        Corruption{"ZeroCountWithExtents", VolRecord(0, 4, 4, 1, 1, 1, {})},
        Corruption{"ExtentsWithoutCounts", VolRecord(0, 0, 0, 1, 0, 0, {})},
        Corruption{"NegativeExtent", VolRecord(1, 1, 1, 1, -1, 1, {0})},
        Corruption{"NaNExtent", VolRecord(1, 1, 1, kNaN, 1, 1, {0})},
        Corruption{"IconFlagWithoutIcon", [] {
                       auto b = VolRecord(0, 0, 0, 0, 0, 0, {});
                       b[0] = 1;
                       return b;
                   }()}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(VolumeRawExport, WritesTheVoxelsInOrderAndReplacesTheOldFile) {
    CTestFolder folder;
    CVolume v;
    ASSERT_TRUE(v.Allocate(1, 1, 1, 3, 2, 2));
    for (std::size_t i = 0; i < v.GetVoxelCount(); ++i) v.GetVoxels()[i] = static_cast<float>(i) + 0.5f;
    const std::string path = folder.File("v.raw");
    CTestFolder::WriteText(path, std::string(1000, 'x'));
    v.ExportRaw(path);
    const std::string raw = CTestFolder::ReadText(path);
    ASSERT_EQ(raw.size(), 12 * sizeof(float));
    std::vector<std::uint8_t> expected;
    for (int i = 0; i < 12; ++i) PutF32(expected, static_cast<float>(i) + 0.5f);
    EXPECT_EQ(Bytes(raw), expected);

    CVolume empty;
    EXPECT_THROW(empty.ExportRaw(path), CFileException);
    EXPECT_EQ(CTestFolder::ReadText(path), raw);
    EXPECT_THROW(v.ExportRaw(folder.File("no/such/dir/v.raw")), CFileException);
}

// What `hdp dumpsds -h` says about the data sets of a file.
struct HdfSummary {
    int dataSets = 0;
    std::string type;
    int rank = 0;
    std::vector<int> sizes;
};

HdfSummary Summarize(const std::string& path) {
    HdfSummary s;
    std::istringstream in(RunCommand(std::string(VOXMILL_HDP) + " dumpsds -h '" + path + "' 2>&1"));
    std::string line;
    bool inDataSet = false;
    std::smatch m;
    while (std::getline(in, line)) {
        if (line.rfind("Variable Name = ", 0) == 0) {
            ++s.dataSets;
            inDataSet = true;
        } else if (line.rfind("Dimension Variable Name", 0) == 0) {
            inDataSet = false;
        } else if (inDataSet && std::regex_search(line, m, std::regex(R"(Type= (.*)$)"))) {
            s.type = m[1];
        } else if (inDataSet && std::regex_search(line, m, std::regex(R"(Rank = (\d+))"))) {
            s.rank = std::stoi(m[1]);
        } else if (inDataSet && std::regex_search(line, m, std::regex(R"(Size = (\d+))"))) {
            s.sizes.push_back(std::stoi(m[1]));
        }
    }
    return s;
}

class VolumeHdfExport : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::string(VOXMILL_HDP).empty()) GTEST_SKIP() << "hdp (hdf4-tools) not installed";
    }
};

TEST_F(VolumeHdfExport, IsOneRank3Float32DataSetSlowestDimensionFirst) {
    CTestFolder folder;
    CVolume v;
    ASSERT_TRUE(v.Allocate(2, 1, 0.5, 64, 32, 16));
    for (std::size_t i = 0; i < v.GetVoxelCount(); ++i) v.GetVoxels()[i] = static_cast<float>(i) * 0.5f;
    const std::string path = folder.File("v.hdf");
    v.ExportHdf(path);
    HdfSummary s = Summarize(path);
    EXPECT_EQ(s.dataSets, 1);
    EXPECT_EQ(s.type, "32-bit floating point");
    EXPECT_EQ(s.rank, 3);
    EXPECT_EQ(s.sizes, (std::vector<int>{16, 32, 64}));

    std::istringstream values(RunCommand(std::string(VOXMILL_HDP) + " dumpsds -d '" + path + "'"));
    std::vector<double> numbers;
    for (std::string word; values >> word;) numbers.push_back(std::stod(word));
    ASSERT_EQ(numbers.size(), v.GetVoxelCount());
    EXPECT_EQ(numbers[1], 0.5);
    EXPECT_EQ(numbers[64], 32.0);             // (0, 1, 0): one row down
    EXPECT_EQ(numbers[64 * 32], 1024.0);      // (0, 0, 1): one layer on
    EXPECT_EQ(numbers.back(), 16383.5);
}

TEST_F(VolumeHdfExport, ReplacesAnExistingFileInsteadOfAddingASecondDataSet) {
    CTestFolder folder;
    CVolume v;
    ASSERT_TRUE(v.Allocate(1, 1, 1, 4, 3, 2));
    const std::string path = folder.File("v.hdf");
    v.ExportHdf(path);
    v.ExportHdf(path);
    EXPECT_EQ(Summarize(path).dataSets, 1);

    CTestFolder::WriteText(folder.File("text.hdf"), "not an HDF file");
    v.ExportHdf(folder.File("text.hdf"));
    EXPECT_EQ(Summarize(folder.File("text.hdf")).sizes, (std::vector<int>{2, 3, 4}));
}

TEST_F(VolumeHdfExport, LibraryAndFileFailuresAreReportedAndKeepTheOldFile) {
    CTestFolder folder;
    const std::string path = folder.File("old.hdf");
    CTestFolder::WriteText(path, "previous contents");

    // The HDF library leaks its bookkeeping on this failure, so it runs in
    // a child that leaves without running the leak checker.
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(pipeFds[0]);
        std::string message = "accepted";
        try {
            const float data[4] = {1, 2, 3, 4};
            const std::int32_t badDims[3] = {2, 0, 2};
            WriteHdfDataSet(path, 3, badDims, data);
        } catch (const CFileException& e) {
            message = e.what();
        }
        const ssize_t written = ::write(pipeFds[1], message.data(), message.size());
        ::_exit(written == static_cast<ssize_t>(message.size()) ? 0 : 1);
    }
    ::close(pipeFds[1]);
    std::string message;
    char buf[256];
    for (ssize_t n; (n = ::read(pipeFds[0], buf, sizeof buf)) > 0;) message.append(buf, static_cast<std::size_t>(n));
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_NE(message.find("HDF library error"), std::string::npos) << message;
    EXPECT_EQ(CTestFolder::ReadText(path), "previous contents");

    CVolume empty;
    EXPECT_THROW(empty.ExportHdf(path), CFileException);
    CVolume v;
    ASSERT_TRUE(v.Allocate(1, 1, 1, 2, 2, 2));
    EXPECT_THROW(v.ExportHdf(folder.File("missing/dir/v.hdf")), CFileException);
    EXPECT_EQ(CTestFolder::ReadText(path), "previous contents");
}

}  // namespace
}  // namespace voxmill

namespace voxmill {
namespace {

// The z geometry a renderer sees through IVolume: zMax, pitchZ, nZ.
void ZGeometry(CVolume& v, float& zMax, float& pitchZ, LONG& nZ) {
    float g[12];
    LONG n[3];
    ASSERT_EQ(v.GetVolume()->GetGeometry(&g[0], &g[1], &g[2], &g[3], &g[4], &g[5], &g[6], &g[7], &g[8], &g[9],
                                         &g[10], &g[11], &n[0], &n[1], &n[2]),
              S_OK);
    zMax = g[8];
    pitchZ = g[11];
    nZ = n[2];
}

TEST(VolumeLayers, StartWhereTheWholeBoxsFloatSteppingArrives) {
    // A pitch of 2/7 is not a float: the stepped centres drift from the
    // exact ones, and a slab must start on the drifted value.
    CVolume whole;
    ASSERT_TRUE(whole.Allocate(2, 1, 2, 3, 2, 7));
    float zMax, pitch;
    LONG nZ;
    ZGeometry(whole, zMax, pitch, nZ);
    std::vector<float> stepped;
    for (float z = zMax; stepped.size() < 7; z += -pitch) stepped.push_back(z);
    for (std::uint32_t first = 0; first < 7; ++first) {
        for (std::uint32_t count = 1; first + count <= 7; ++count) {
            CVolume slab;
            ASSERT_TRUE(slab.AllocateLayers(2, 1, 2, 3, 2, 7, first, count)) << first << " " << count;
            float top, slabPitch;
            LONG layers;
            ZGeometry(slab, top, slabPitch, layers);
            EXPECT_EQ(std::memcmp(&top, &stepped[first], sizeof top), 0) << "layer " << first;
            EXPECT_EQ(slabPitch, pitch);
            EXPECT_EQ(layers, static_cast<LONG>(count));
            EXPECT_EQ(slab.GetVoxelCount(), 6u * count);
            EXPECT_EQ(slab.GetFirstLayer(), first);
        }
    }
}

TEST(VolumeLayers, StoreTheWholeBoxsHeaderAndAreNeverSavedAsAWhole) {
    CVolume slab;
    ASSERT_TRUE(slab.AllocateLayers(1, 2, 3, 2, 1, 5, 2, 2));
    CMemFile memory;
    {
        CArchive ar(memory, CArchive::store);
        slab.StoreHeader(ar);
        ar.Close();
    }
    EXPECT_EQ(memory.bytes(), VolRecord(2, 1, 5, 1, 2, 3, {}));

    // A slab saved as a volume would be a wrong file.
    CTestFolder folder;
    CTestFolder::WriteText(folder.File("a.vol"), "old");
    EXPECT_THROW(slab.Save(folder.File("a.vol")), CArchiveException);
    EXPECT_EQ(CTestFolder::ReadText(folder.File("a.vol")), "old");

    // Layers outside the box, none, or a second allocation are refused.
    CVolume v;
    EXPECT_FALSE(v.AllocateLayers(1, 2, 3, 2, 1, 5, 5, 1));
    EXPECT_FALSE(v.AllocateLayers(1, 2, 3, 2, 1, 5, 4, 2));
    EXPECT_FALSE(v.AllocateLayers(1, 2, 3, 2, 1, 5, 0, 0));
    EXPECT_FALSE(v.AllocateLayers(1, 2, 0, 2, 1, 5, 0, 1));
    EXPECT_FALSE(v.IsAllocated());
    EXPECT_FALSE(slab.AllocateLayers(1, 2, 3, 2, 1, 5, 0, 1));
    // All the layers make the plain volume, saved as usual.
    ASSERT_TRUE(v.AllocateLayers(1, 2, 3, 2, 1, 1, 0, 1));
    v.Save(folder.File("b.vol"));
    EXPECT_EQ(Bytes(CTestFolder::ReadText(folder.File("b.vol"))), VolRecord(2, 1, 1, 1, 2, 3, {0.0f, 0.0f}));
}

}  // namespace
}  // namespace voxmill
