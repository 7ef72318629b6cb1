// What the float and the 8-bit image have in common apart from their pixels:
// the pixel counts, the physical extent and the grid derived from them, and
// the values a binary matrix import reads with. Both image classes inherit
// it, so its getters are theirs.
#pragma once

#include <cstddef>
#include <cstdint>

#include "imaging/BinaryMatrixImport.h"

namespace voxmill {

class CArchive;

class SurfaceGrid {
public:
    std::size_t GetPixelCount() const { return static_cast<std::size_t>(m_width) * m_height; }

    std::uint32_t GetWidth() const { return m_width; }
    std::uint32_t GetHeight() const { return m_height; }
    double GetDimX() const { return m_dimX; }
    double GetDimY() const { return m_dimY; }
    double GetFirstX() const { return m_firstX; }
    double GetLastX() const { return m_lastX; }
    double GetFirstY() const { return m_firstY; }
    double GetLastY() const { return m_lastY; }
    double GetPitchX() const { return m_pitchX; }
    double GetPitchY() const { return m_pitchY; }

    // Gives the image the values of the import dialog: element type and
    // size, offset, pixel counts and physical size, ready for LoadBinaryMatrix.
    void SetImportValues(const BinaryMatrixImport& values);
    BinaryMatrixImport GetImportValues() const;
    std::int32_t GetImportType() const { return m_importType; }
    std::uint8_t GetImportElementSize() const { return m_importElementSize; }
    std::uint32_t GetImportOffset() const { return m_importOffset; }

protected:
    SurfaceGrid() = default;
    ~SurfaceGrid() = default;
    SurfaceGrid(const SurfaceGrid&) = default;
    SurfaceGrid& operator=(const SurfaceGrid&) = default;

private:
    // The fields stay private to the two image classes, as they were
    // before those shared them; their subclasses use the getters.
    friend class CSurface;
    friend class CSurfacei;
    template <class Image, class ConvertSlice>
    friend void ReadMatrixPixels(Image& image, CArchive& ar, ConvertSlice convertSlice);

    // Counts and extent, and the pixel centres they put the grid on.
    void SetGrid(double dimX, double dimY, std::uint32_t width, std::uint32_t height);
    // All zero, the import values back to float elements without an offset.
    void ResetGrid() { *this = SurfaceGrid(); }

    // The head of a matrix load: fails on unusable import values, then
    // skips their offset from the start of the file when it is not 0.
    void StartMatrixLoad(CArchive& ar) const;
    // Fails unless the archive holds the matrix the import values describe.
    void CheckMatrixLeft(CArchive& ar) const;

    std::int32_t m_importType = kIeeeFloat;
    std::uint8_t m_importElementSize = 0;
    std::uint32_t m_importOffset = 0;
    std::uint32_t m_width = 0;
    std::uint32_t m_height = 0;
    double m_dimX = 0, m_dimY = 0;
    double m_firstX = 0, m_lastX = 0;
    double m_firstY = 0, m_lastY = 0;
    double m_pitchX = 0, m_pitchY = 0;
};

// Whether `count` matrices of these values (element size x width x height
// each) fit in `available` bytes, with `bytes` their size (0 when the
// product does not fit 64 bits).
bool MatrixBytesWithin(const BinaryMatrixImport& values, std::uint64_t available, std::uint64_t& bytes,
                       std::uint64_t count = 1);

}  // namespace voxmill
