#include "formats/Hdf5File.h"

#include <hdf5.h>

#include <cstring>
#include <fstream>
#include <mutex>

#include "app/archive/ArchiveException.h"
#include "app/archive/CheckedSize.h"
#include "formats/TempTarget.h"

namespace voxmill {
namespace {

// The library prints its error stack to stderr by default; errors are
// reported as exceptions instead.
void SilenceLibrary() {
    static std::once_flag once;
    std::call_once(once, [] {
        H5open();
        H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr);
    });
}

herr_t TakeFirstMessage(unsigned n, const H5E_error2_t* e, void* data) {
    auto* text = static_cast<std::string*>(data);
    if (n == 0 && e->desc) *text = e->desc;
    return 0;
}

std::string LibraryMessage() {
    std::string text;
    H5Ewalk2(H5E_DEFAULT, H5E_WALK_DOWNWARD, &TakeFirstMessage, &text);
    H5Eclear2(H5E_DEFAULT);
    return text.empty() ? "unknown HDF5 error" : text;
}

// Closes an identifier with its kind's close function.
class Id {
public:
    Id(hid_t id, herr_t (*close)(hid_t)) : m_id(id), m_close(close) {}
    ~Id() {
        if (m_id >= 0) m_close(m_id);
    }
    Id(const Id&) = delete;
    Id& operator=(const Id&) = delete;
    operator hid_t() const { return m_id; }
    bool Bad() const { return m_id < 0; }

private:
    hid_t m_id;
    herr_t (*m_close)(hid_t);
};

[[noreturn]] void Fail(const std::string& path, const std::string& what) {
    throw CFileException(path, what + ": " + LibraryMessage());
}

void Check(herr_t status, const std::string& path, const std::string& what) {
    if (status < 0) Fail(path, what);
}

std::vector<hsize_t> Dims(const std::vector<std::uint64_t>& shape) { return {shape.begin(), shape.end()}; }

void WriteAttribute(hid_t owner, const Hdf5Attribute& a, const std::string& path) {
    const std::string what = "cannot write attribute " + a.name;
    if (a.text || a.texts) {
        Id type(H5Tcopy(H5T_C_S1), &H5Tclose);
        Check(H5Tset_size(type, H5T_VARIABLE), path, what);
        Check(H5Tset_cset(type, H5T_CSET_UTF8), path, what);
        std::vector<const char*> pointers;
        if (a.text) pointers.push_back(a.text->c_str());
        else
            for (const std::string& s : *a.texts) pointers.push_back(s.c_str());
        const hsize_t n = pointers.size();
        Id space(a.text ? H5Screate(H5S_SCALAR) : H5Screate_simple(1, &n, nullptr), &H5Sclose);
        Id attr(H5Acreate2(owner, a.name.c_str(), type, space, H5P_DEFAULT, H5P_DEFAULT), &H5Aclose);
        if (space.Bad() || attr.Bad()) Fail(path, what);
        Check(H5Awrite(attr, type, pointers.data()), path, what);
        return;
    }
    const std::vector<hsize_t> dims = a.shape.empty() ? std::vector<hsize_t>{a.numbers.size()} : Dims(a.shape);
    Id space(H5Screate_simple(static_cast<int>(dims.size()), dims.data(), nullptr), &H5Sclose);
    Id attr(H5Acreate2(owner, a.name.c_str(), H5T_IEEE_F64LE, space, H5P_DEFAULT, H5P_DEFAULT), &H5Aclose);
    if (space.Bad() || attr.Bad()) Fail(path, what);
    Check(H5Awrite(attr, H5T_NATIVE_DOUBLE, a.numbers.data()), path, what);
}

// One image per chunk, split along rows so that a chunk stays under the
// library's 4 GiB limit and small enough to decompress piecemeal.
std::vector<hsize_t> ChunkShape(const std::vector<hsize_t>& dims) {
    std::vector<hsize_t> chunk(dims.size(), 1);
    constexpr hsize_t kChunkSamples = hsize_t{1} << 20;
    const std::size_t last = dims.size() - 1;
    chunk[last] = std::min(dims[last], kChunkSamples);
    if (dims.size() >= 2) {
        const hsize_t rows = std::max<hsize_t>(1, kChunkSamples / chunk[last]);
        chunk[last - 1] = std::min(dims[last - 1], rows);
    }
    for (hsize_t& c : chunk) c = std::max<hsize_t>(c, 1);
    return chunk;
}

void WriteDataSet(hid_t file, const Hdf5DataSet& set, int deflateLevel, const std::string& path) {
    const std::string what = "cannot write data set " + set.name;
    const std::vector<hsize_t> dims = Dims(set.shape);
    Id space(H5Screate_simple(static_cast<int>(dims.size()), dims.data(), nullptr), &H5Sclose);
    Id dcpl(H5Pcreate(H5P_DATASET_CREATE), &H5Pclose);
    if (space.Bad() || dcpl.Bad()) Fail(path, what);
    bool empty = false;
    for (hsize_t d : dims) empty = empty || d == 0;
    if (set.f32 && !empty) {
        const std::vector<hsize_t> chunk = ChunkShape(dims);
        Check(H5Pset_chunk(dcpl, static_cast<int>(chunk.size()), chunk.data()), path, what);
        if (deflateLevel > 0) Check(H5Pset_deflate(dcpl, static_cast<unsigned>(deflateLevel)), path, what);
    }
    Id ds(H5Dcreate2(file, set.name.c_str(), set.f32 ? H5T_IEEE_F32LE : H5T_IEEE_F64LE, space, H5P_DEFAULT, dcpl,
                     H5P_DEFAULT),
          &H5Dclose);
    if (ds.Bad()) Fail(path, what);
    if (!empty) {
        if (set.f32) Check(H5Dwrite(ds, H5T_NATIVE_FLOAT, H5S_ALL, H5S_ALL, H5P_DEFAULT, set.f32), path, what);
        else Check(H5Dwrite(ds, H5T_NATIVE_DOUBLE, H5S_ALL, H5S_ALL, H5P_DEFAULT, set.f64), path, what);
    }
    for (const Hdf5Attribute& a : set.attributes) WriteAttribute(ds, a, path);
}

std::uint64_t LittleEndian(const unsigned char* p, unsigned bytes) {
    std::uint64_t v = 0;
    for (unsigned i = bytes; i-- > 0;) v = v << 8 | p[i];
    return v;
}

// The library believes the sizes a superblock states and reserves memory
// by them before it notices a damaged or truncated file (4 GiB for a
// 50-byte file). The superblock is checked here first: a known version,
// sane offset and length sizes, and an end-of-file address the file
// reaches. Empty when it passes, else why not.
std::string SuperblockProblem(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return "cannot open the file";
    in.seekg(0, std::ios::end);
    const std::uint64_t length = static_cast<std::uint64_t>(in.tellg());
    static const unsigned char kSignature[8] = {0x89, 'H', 'D', 'F', '\r', '\n', 0x1a, '\n'};
    // The superblock sits at 0 or after a user block of 512, 1024, 2048, ... bytes.
    for (std::uint64_t base = 0; base + 8 <= length; base = base ? base * 2 : 512) {
        unsigned char head[64] = {};
        in.clear();
        in.seekg(static_cast<std::streamoff>(base));
        in.read(reinterpret_cast<char*>(head), sizeof head);
        const std::uint64_t got = static_cast<std::uint64_t>(in.gcount());
        if (got < 8 || std::memcmp(head, kSignature, 8) != 0) continue;
        if (got < 16) return "the HDF5 superblock is truncated";
        const unsigned version = head[8];
        unsigned offsets = 0, lengths = 0;
        std::uint64_t eofAt = 0, minimum = 0;
        if (version <= 1) {
            offsets = head[13];
            lengths = head[14];
            const std::uint64_t fixed = version == 0 ? 24 : 28;
            eofAt = fixed + 2 * offsets;
            minimum = fixed + 4 * offsets + (2 * offsets + 24);
        } else if (version <= 3) {
            offsets = head[9];
            lengths = head[10];
            eofAt = 12 + 2 * offsets;
            minimum = 12 + 4 * offsets + 4;
        } else {
            return "HDF5 superblock version " + std::to_string(version) + " is not supported";
        }
        const auto sane = [](unsigned n) { return n == 2 || n == 4 || n == 8; };
        if (!sane(offsets) || !sane(lengths)) return "the HDF5 superblock is damaged";
        if (length - base < minimum || got < eofAt + offsets) return "the HDF5 superblock is truncated";
        const std::uint64_t eof = LittleEndian(head + eofAt, offsets);
        const std::uint64_t undefined = offsets == 8 ? UINT64_MAX : (std::uint64_t{1} << (8 * offsets)) - 1;
        if (eof != undefined && eof > length - base)
            return "the file is shorter than its HDF5 superblock states (truncated)";
        return {};
    }
    return "not an HDF5 file";
}

}  // namespace

void WriteHdf5File(const std::string& path, const std::vector<Hdf5DataSet>& sets, int deflateLevel) {
    SilenceLibrary();
    CTempTarget temp(path);
    {
        Id file(H5Fcreate(temp.TempPath().c_str(), H5F_ACC_TRUNC, H5P_DEFAULT, H5P_DEFAULT), &H5Fclose);
        if (file.Bad()) Fail(path, "cannot create the HDF5 file");
        for (const Hdf5DataSet& set : sets) WriteDataSet(file, set, deflateLevel, path);
        Check(H5Fflush(file, H5F_SCOPE_GLOBAL), path, "cannot write the HDF5 file");
    }
    temp.Commit();
}

Hdf5Array ReadHdf5Array(const std::string& path, const std::string& name, int minRank, int maxRank) {
    SilenceLibrary();
    if (const std::string problem = SuperblockProblem(path); !problem.empty()) throw CFileException(path, problem);
    Id file(H5Fopen(path.c_str(), H5F_ACC_RDONLY, H5P_DEFAULT), &H5Fclose);
    if (file.Bad()) Fail(path, "cannot open the HDF5 file");
    if (H5Lexists(file, name.c_str(), H5P_DEFAULT) <= 0) {
        H5Eclear2(H5E_DEFAULT);
        throw CFileException(path, "no data set " + name + " in the file");
    }
    Id ds(H5Dopen2(file, name.c_str(), H5P_DEFAULT), &H5Dclose);
    if (ds.Bad()) Fail(path, name + " is not a readable data set");
    Id type(H5Dget_type(ds), &H5Tclose);
    Id space(H5Dget_space(ds), &H5Sclose);
    if (type.Bad() || space.Bad()) Fail(path, "cannot read data set " + name);
    const H5T_class_t kind = H5Tget_class(type);
    if (kind != H5T_INTEGER && kind != H5T_FLOAT)
        throw CFileException(path, "data set " + name + " does not hold numbers");
    const int rank = H5Sget_simple_extent_ndims(space);
    if (rank < 0) Fail(path, "cannot read the shape of " + name);
    if (rank < minRank || rank > maxRank)
        throw CFileException(path, "data set " + name + " has rank " + std::to_string(rank) + "; expected " +
                                       (minRank == maxRank ? std::to_string(minRank)
                                                           : std::to_string(minRank) + " to " + std::to_string(maxRank)));
    std::vector<hsize_t> dims(static_cast<std::size_t>(rank));
    if (H5Sget_simple_extent_dims(space, dims.data(), nullptr) < 0) Fail(path, "cannot read the shape of " + name);
    Hdf5Array array;
    array.shape.assign(dims.begin(), dims.end());
    std::uint64_t count = 1;
    for (hsize_t d : dims) {
        const auto product = CheckedProduct({count, d});
        if (!product || *product > kMaxHdf5Samples)
            throw CFileException(path, "data set " + name + " is too large to import");
        count = *product;
    }
    // A damaged or hostile file may claim a shape its stored bytes cannot
    // hold; compression reaches about 1000:1 at most.
    const std::uint64_t stored = H5Dget_storage_size(ds);
    const std::size_t sampleBytes = H5Tget_size(type);
    const auto claimed = CheckedProduct({count, sampleBytes});
    if (count > 0 && (!claimed || *claimed > SaturatedProduct({stored, 1100}) + (std::uint64_t{1} << 16)))
        throw CFileException(path, "data set " + name + " claims more samples than the file holds");
    array.values.resize(count);
    if (count > 0 && H5Dread(ds, H5T_NATIVE_DOUBLE, H5S_ALL, H5S_ALL, H5P_DEFAULT, array.values.data()) < 0)
        Fail(path, "cannot read data set " + name);
    return array;
}

bool Hdf5HasDataSet(const std::string& path, const std::string& name) {
    SilenceLibrary();
    if (!SuperblockProblem(path).empty()) return false;
    Id file(H5Fopen(path.c_str(), H5F_ACC_RDONLY, H5P_DEFAULT), &H5Fclose);
    const bool found = !file.Bad() && H5Lexists(file, name.c_str(), H5P_DEFAULT) > 0 &&
                       H5Oexists_by_name(file, name.c_str(), H5P_DEFAULT) > 0;
    H5Eclear2(H5E_DEFAULT);
    return found;
}

}  // namespace voxmill
