#include "hardware/Slide.h"

#include <cmath>
#include <stdexcept>

#include "acquisition/Projection.h"
#include "app/archive/Archive.h"
#include "app/archive/File.h"

namespace voxmill {

VOXMILL_IMPLEMENT_SERIAL(CSlide, CSurfacei, 1)

CSlide::CSlide() = default;

CSlide::~CSlide() = default;

void CSlide::GetDescription(std::string& description) { description = SourceDescription(m_source); }

void CSlide::Serialize(CArchive& ar) {
    if (GetStorageFormat() != StorageFormat::native) {
        CSurfacei::Serialize(ar);
        return;
    }
    if (ar.IsStoring())
        StoreRecord(ar);
    else
        LoadRecord(ar);
}

void CSlide::StoreRecord(CArchive& ar) const {
    StoreNative(ar);
    // Storing leaves the sub-records unchanged; their Serialize is not const.
    const_cast<CSource&>(m_source).Serialize(ar);
    const_cast<CDetector&>(m_detector).Serialize(ar);
}

void CSlide::LoadRecord(CArchive& ar) {
    LoadNative(ar);
    // Both fixed-size records or neither: a short file keeps the geometry.
    ar.Require(CSource::kRecordBytes + CDetector::kRecordBytes, "source and detector records");
    m_source.Serialize(ar);
    m_detector.Serialize(ar);
}

BinaryMatrixImport CSlide::ProposeImport(std::uint64_t fileLength) {
    BinaryMatrixImport values = BinaryMatrixImport::ForFileLength(fileLength * 4);  // side of L bytes
    values.type = kInt8;
    return values;
}

BinaryMatrixImport CSlide::ProposeImport(const std::string& path) {
    CDiskFile file(path, CDiskFile::modeRead);
    return ProposeImport(file.GetLength());
}

void CSlide::ImportRawMatrix(const std::string& path, const BinaryMatrixImport& values) {
    BinaryMatrixImport sized = values;
    sized.dimX = sized.dimY = static_cast<float>(kImportedSize);
    ImportBinaryMatrix(path, sized);
}

std::string CSlide::ProjectionProblem(const CSlide& reference) const {
    if (!HasPixels()) return "the slide has no pixels";
    if (!reference.HasPixels()) return "the reference slide has no pixels";
    if (reference.GetWidth() < GetWidth() || reference.GetHeight() < GetHeight())
        return "the reference slide (" + std::to_string(reference.GetWidth()) + " x " +
               std::to_string(reference.GetHeight()) + ") is smaller than the slide (" + std::to_string(GetWidth()) +
               " x " + std::to_string(GetHeight()) + ")";
    return {};
}

void CSlide::GenerateProjection(const CSlide& reference, CProjection& projection) const {
    if (const std::string problem = ProjectionProblem(reference); !problem.empty()) throw std::runtime_error(problem);
    if (!projection.Create(GetDimX(), GetDimY(), GetWidth(), GetHeight()))
        throw std::runtime_error("no projection image of " + std::to_string(GetWidth()) + " x " +
                                 std::to_string(GetHeight()) + " pixels could be made");
    const std::uint32_t w = GetWidth(), h = GetHeight(), refWidth = reference.GetWidth();
    const std::uint8_t* s = GetPixels();
    const std::uint8_t* r = reference.GetPixels();
    float* p = projection.GetPixels();
    // Both +1 keep the logarithm finite for black pixels and make a pixel
    // equal to its reference (nothing in the ray) exactly 0.
    for (std::uint32_t j = 0; j < h; ++j)
        for (std::uint32_t i = 0; i < w; ++i) {
            const double sv = s[std::size_t(j) * w + i];
            const double rv = r[std::size_t(j) * refWidth + i];
            p[std::size_t(j) * w + i] = static_cast<float>(std::log((rv + 1.0) / (sv + 1.0)));
        }
    projection.ClampNegative();
    projection.UpdateRange();
    projection.GetDetector() = m_detector;
    projection.GetSource() = m_source;
}

bool CSlide::OnNewDocument() {
    if (!CSurfacei::OnNewDocument()) return false;
    m_source = CSource();
    m_detector = CDetector();
    return true;
}

}  // namespace voxmill
