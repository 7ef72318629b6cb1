#include "imaging/BinaryMatrixImport.h"

#include <cmath>

#include "app/archive/CheckedSize.h"

namespace voxmill {
namespace {

struct TypeInfo {
    std::uint8_t size;
    const char* text;
    const char* name;
};

constexpr TypeInfo kTypes[kBinaryMatrixTypeCount] = {
    {4, "IEEE Float", "float"},      {8, "IEEE Double", "double"},    {1, "8 bit Integer", "int8"},
    {2, "16 bit Integer", "int16"},  {4, "32 bit Integer", "int32"},  {8, "64 bit Integer", "int64"},
};

bool ValidType(std::int32_t type) { return type >= 0 && type < kBinaryMatrixTypeCount; }

}  // namespace

std::uint8_t BinaryMatrixElementSize(std::int32_t type) { return ValidType(type) ? kTypes[type].size : 0; }

const char* BinaryMatrixTypeText(std::int32_t type) { return ValidType(type) ? kTypes[type].text : ""; }

const char* BinaryMatrixTypeName(std::int32_t type) { return ValidType(type) ? kTypes[type].name : ""; }

std::optional<std::int32_t> BinaryMatrixTypeFromName(std::string_view name) {
    for (std::int32_t i = 0; i < kBinaryMatrixTypeCount; ++i)
        if (name == kTypes[i].name) return i;
    return std::nullopt;
}

std::uint32_t ProposedMatrixSide(std::uint64_t fileLength) {
    const std::uint64_t n = fileLength / 4;
    // Integer square root: the floating-point one may land one off for
    // large perfect squares.
    std::uint64_t r = static_cast<std::uint64_t>(std::sqrt(static_cast<double>(n)));
    while (r * r > n) --r;
    while ((r + 1) * (r + 1) <= n) ++r;
    return static_cast<std::uint32_t>(r);
}

BinaryMatrixImport BinaryMatrixImport::ForFileLength(std::uint64_t fileLength) {
    BinaryMatrixImport values;
    values.width = values.height = ProposedMatrixSide(fileLength);
    return values;
}

std::uint64_t BinaryMatrixImport::MatrixBytes() const { return SaturatedProduct({ElementSize(), width, height}); }

std::uint64_t BinaryMatrixImport::ReadLength() const { return CheckedSum(MatrixBytes(), offset).value_or(UINT64_MAX); }

std::string BinaryMatrixImport::Problem() const {
    if (!ValidType(type)) return "element type " + std::to_string(type) + " is not one of the six matrix types";
    if (width == 0 || height == 0)
        return "pixel counts " + std::to_string(width) + " x " + std::to_string(height) + " must both be positive";
    if (!(dimX > 0.0f) || !(dimY > 0.0f) || !std::isfinite(dimX) || !std::isfinite(dimY))
        return "physical size must be positive";
    if (!CheckedProduct({ElementSize(), width, height}))
        return "a " + std::to_string(width) + " x " + std::to_string(height) + " matrix of " +
               BinaryMatrixTypeText(type) + " elements is too large";
    return {};
}

}  // namespace voxmill
