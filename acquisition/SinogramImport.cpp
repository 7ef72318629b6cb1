#include "acquisition/SinogramImport.h"

#include "app/archive/CheckedSize.h"

namespace voxmill {

SinogramImport SinogramImport::ForFileLength(std::uint64_t fileLength) {
    SinogramImport values;
    values.matrix = BinaryMatrixImport::ForFileLength(fileLength);
    return values;
}

std::uint64_t SinogramImport::ReadLength() const {
    const auto bytes = CheckedProduct({matrix.MatrixBytes(), count});
    return bytes ? CheckedSum(*bytes, matrix.offset).value_or(UINT64_MAX) : UINT64_MAX;
}

std::string SinogramImport::Problem() const {
    if (count == 0) return "the number of projections must be positive";
    if (std::string problem = matrix.Problem(); !problem.empty()) return problem;
    if (!CheckedProduct({matrix.MatrixBytes(), count}))
        return std::to_string(count) + " matrices of " + std::to_string(matrix.MatrixBytes()) + " bytes are too many";
    return {};
}

}  // namespace voxmill
