#include "imaging/SurfaceGrid.h"

#include <string>

#include "app/archive/Archive.h"
#include "app/archive/File.h"

namespace voxmill {

void SurfaceGrid::SetGrid(double dimX, double dimY, std::uint32_t width, std::uint32_t height) {
    m_dimX = dimX;
    m_dimY = dimY;
    m_width = width;
    m_height = height;
    m_pitchX = dimX / width;
    m_pitchY = dimY / height;
    m_firstX = (m_pitchX - dimX) / 2;
    m_lastX = -m_firstX;
    m_firstY = (m_pitchY - dimY) / 2;
    m_lastY = -m_firstY;
}

void SurfaceGrid::SetImportValues(const BinaryMatrixImport& values) {
    m_importType = values.type;
    m_importElementSize = values.ElementSize();
    m_importOffset = values.offset;
    m_width = values.width;
    m_height = values.height;
    m_dimX = values.dimX;
    m_dimY = values.dimY;
}

BinaryMatrixImport SurfaceGrid::GetImportValues() const {
    BinaryMatrixImport values;
    values.type = m_importType;
    values.offset = m_importOffset;
    values.width = m_width;
    values.height = m_height;
    values.dimX = static_cast<float>(m_dimX);
    values.dimY = static_cast<float>(m_dimY);
    return values;
}

void SurfaceGrid::StartMatrixLoad(CArchive& ar) const {
    if (const std::string problem = GetImportValues().Problem(); !problem.empty())
        ar.Fail(CArchiveException::generic, "binary matrix: " + problem);
    if (m_importOffset != 0) {
        ar.Flush();
        if (m_importOffset > ar.GetFile().GetLength())
            ar.Fail(CArchiveException::endOfFile,
                    "binary matrix: offset " + std::to_string(m_importOffset) + " lies beyond the end of the file");
        ar.GetFile().Seek(m_importOffset);
    }
}

void SurfaceGrid::CheckMatrixLeft(CArchive& ar) const {
    std::uint64_t bytes = 0;
    if (!MatrixBytesWithin(GetImportValues(), ar.BytesLeft(), bytes))
        ar.Fail(CArchiveException::endOfFile, "binary matrix: " + std::to_string(m_width) + " x " +
                                                  std::to_string(m_height) + " " + BinaryMatrixTypeText(m_importType) +
                                                  " elements need " + (bytes ? std::to_string(bytes) : "more") +
                                                  " bytes, the file has " + std::to_string(ar.BytesLeft()) + " left");
}

bool MatrixBytesWithin(const BinaryMatrixImport& values, std::uint64_t available, std::uint64_t& bytes,
                       std::uint64_t count) {
    std::uint64_t n = 0;
    // Counts from a dialog or a command line may be anything: a product
    // that wraps must not pass for a small one.
    const bool fits = !__builtin_mul_overflow(static_cast<std::uint64_t>(values.width), values.height, &n) &&
                      !__builtin_mul_overflow(n, values.ElementSize(), &n) && !__builtin_mul_overflow(n, count, &n);
    bytes = fits ? n : 0;
    return fits && n <= available;
}

}  // namespace voxmill
