// The values of the sinogram import dialog: one raw file holding `count`
// matrices of the same type and size back to back after `offset` bytes.
#pragma once

#include <cstdint>
#include <string>

#include "imaging/BinaryMatrixImport.h"

namespace voxmill {

struct SinogramImport {
    BinaryMatrixImport matrix;  // type, physical size, pixel counts, offset
    std::uint32_t count = 1;    // number of projections

    // Dialog preset: both counts floor(sqrt(L / 4)), one projection.
    static SinogramImport ForFileLength(std::uint64_t fileLength);
    // bytes per pixel x count x height x width + offset ("Read length
    // (bytes)"); UINT64_MAX when that overflows (Problem() then says so).
    std::uint64_t ReadLength() const;
    // Empty when importable, else why not.
    std::string Problem() const;
};

}  // namespace voxmill
