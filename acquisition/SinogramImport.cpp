#include "acquisition/SinogramImport.h"

namespace voxmill {

SinogramImport SinogramImport::ForFileLength(std::uint64_t fileLength) {
    SinogramImport values;
    values.matrix = BinaryMatrixImport::ForFileLength(fileLength);
    return values;
}

std::string SinogramImport::Problem() const {
    if (count == 0) return "the number of projections must be positive";
    return matrix.Problem();
}

}  // namespace voxmill
