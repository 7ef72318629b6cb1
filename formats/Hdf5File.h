// The one place that talks to the HDF5 library (serial, C interface).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace voxmill {

// An attribute of a data set: numbers (float64, shape {n} or the given
// shape), one string or a list of strings (variable-length UTF-8).
struct Hdf5Attribute {
    std::string name;
    std::vector<double> numbers;
    std::vector<std::uint64_t> shape;  // of `numbers`; empty means {numbers.size()}
    std::optional<std::string> text;
    std::optional<std::vector<std::string>> texts;
};

// A data set to write: float32 samples (chunked, optionally deflated) or
// float64 ones (small geometry tables, contiguous). Shape slowest first.
struct Hdf5DataSet {
    std::string name;  // "/volume"
    std::vector<std::uint64_t> shape;
    const float* f32 = nullptr;
    const double* f64 = nullptr;
    std::vector<Hdf5Attribute> attributes;
};

// Writes the data sets into a fresh file that then replaces `path`;
// `deflateLevel` 1..9 compresses the float32 sets, 0 leaves them plain.
// Throws CFileException with the library's message; `path` is left as it
// was on failure.
void WriteHdf5File(const std::string& path, const std::vector<Hdf5DataSet>& sets, int deflateLevel);

// A numeric data set read as float64, shape slowest first.
struct Hdf5Array {
    std::vector<std::uint64_t> shape;
    std::vector<double> values;
};

// Reads data set `name` of `path`. Refused (CFileException) when the file
// is not HDF5 or is damaged, the data set is missing, not numeric, of a
// rank outside [minRank, maxRank], larger than kMaxHdf5Samples, or claims
// more samples than its stored bytes can hold.
Hdf5Array ReadHdf5Array(const std::string& path, const std::string& name, int minRank, int maxRank);
// Whether `path` is an HDF5 file holding a data set `name`; never throws.
bool Hdf5HasDataSet(const std::string& path, const std::string& name);

inline constexpr std::uint64_t kMaxHdf5Samples = std::uint64_t{1} << 31;

}  // namespace voxmill
