// The values of the 2-D binary matrix import dialog, shared by float and
// 8-bit images: element type, physical size, pixel counts and the bytes to
// skip at the start of the file. The dialog only gathers them; everything
// it shows ("Read length (bytes)", the proposed side) is computed here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace voxmill {

// Element types in the order of the dialog's "Type" list.
enum BinaryMatrixType : std::int32_t {
    kIeeeFloat = 0,
    kIeeeDouble = 1,
    kInt8 = 2,
    kInt16 = 3,
    kInt32 = 4,
    kInt64 = 5,
};
inline constexpr int kBinaryMatrixTypeCount = 6;

// Bytes per element: 4, 8, 1, 2, 4, 8; 0 for an index outside 0 to 5.
std::uint8_t BinaryMatrixElementSize(std::int32_t type);
// "IEEE Float", "IEEE Double", "8 bit Integer", ... as the list shows them.
const char* BinaryMatrixTypeText(std::int32_t type);
// The command-line names: float, double, int8, int16, int32, int64.
const char* BinaryMatrixTypeName(std::int32_t type);
std::optional<std::int32_t> BinaryMatrixTypeFromName(std::string_view name);

// The side of a square float image of that many bytes: floor(sqrt(L / 4)),
// what the import dialogs propose for both pixel counts.
std::uint32_t ProposedMatrixSide(std::uint64_t fileLength);

struct BinaryMatrixImport {
    std::int32_t type = kIeeeFloat;
    float dimX = 1.0f;         // physical width, world units
    float dimY = 1.0f;         // physical height
    std::uint32_t width = 0;   // pixel columns
    std::uint32_t height = 0;  // pixel rows
    std::uint32_t offset = 0;  // bytes skipped at the start of the file

    // Dialog preset for a file of that length: both counts proposed as a
    // square float image, the other values at their defaults.
    static BinaryMatrixImport ForFileLength(std::uint64_t fileLength);

    std::uint8_t ElementSize() const { return BinaryMatrixElementSize(type); }
    // Bytes of the matrix itself, without the offset; UINT64_MAX when the
    // product overflows (Problem() then says so).
    std::uint64_t MatrixBytes() const;
    // element size x rows x columns + offset ("Read length (bytes)"),
    // saturated like MatrixBytes.
    std::uint64_t ReadLength() const;
    // Empty when the values describe an importable matrix, else why not.
    std::string Problem() const;
};

}  // namespace voxmill
