#include "acquisition/Projection.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <stdexcept>

#include "acquisition/GeometryValues.h"
#include "app/archive/Archive.h"
#include "app/archive/File.h"
#include "dicom/DicomFile.h"

namespace voxmill {
namespace {

struct DicomText {
    std::uint16_t group, element;
    const char* value;
};

// The elements the export writes as text, in the order it puts them.
constexpr DicomText kDicomTexts[] = {
    {0x0002, 0x0003, "1.2.840.10040.5.1.4.1.1.2"},  // Media Storage SOP Instance UID
    {0x0002, 0x0016, "Voxmill"},                    // Source Application Entity Title
    {0x0010, 0x0010, "n/a"},                        // Patient's Name
    {0x0008, 0x0020, "19940623"},                   // Study Date
    {0x0008, 0x0030, "174042"},                     // Study Time
    {0x0008, 0x0060, "CR"},                         // Modality
    {0x0018, 0x0015, ""},                           // Body Part Examined
    {0x0008, 0x0070, "n/a"},                        // Manufacturer
    {0x0020, 0x0013, "1"},                          // Instance Number
    {0x0018, 0x1111, "100"},                        // Distance Source to Patient
    {0x0018, 0x1110, "150"},                        // Distance Source to Detector
    {0x0028, 0x0004, "MONOCHROME2"},                // Photometric Interpretation
    {0x0008, 0x0016, "1.2.840.10008.5.1.4.1.1.1"},  // SOP Class UID
    {0x0008, 0x0018, "1.2.840.10008.5.1.4.1.1.1.333.444.55"},  // SOP Instance UID
};

}  // namespace

VOXMILL_IMPLEMENT_SERIAL(CProjection, CSurface, 1)

CProjection::CProjection() = default;

CProjection::~CProjection() = default;

bool CProjection::SetGeometry(const CPoint4& center, const CDirection4& horizontal, const CDirection4& vertical,
                              double dimX, double dimY, std::uint32_t width, std::uint32_t height) {
    if (!Create(dimX, dimY, width, height)) return false;
    m_detector.SetGeometry(center, horizontal, vertical, dimX, dimY, static_cast<std::int32_t>(width),
                           static_cast<std::int32_t>(height));
    return true;
}

void CProjection::GetDescription(std::string& description) { description = SourceDescription(m_source); }

void CProjection::Serialize(CArchive& ar) {
    if (GetStorageFormat() != StorageFormat::native) {
        CSurface::Serialize(ar);
        return;
    }
    if (ar.IsStoring())
        StoreRecord(ar);
    else
        LoadRecord(ar);
}

void CProjection::StoreRecord(CArchive& ar) const {
    StoreNative(ar);
    // The sub-records' Serialize is not const in the object model; storing
    // leaves them unchanged.
    const_cast<CSource&>(m_source).Serialize(ar);
    const_cast<CDetector&>(m_detector).Serialize(ar);
}

void CProjection::LoadRecord(CArchive& ar) {
    LoadNative(ar);
    // Both fixed-size records or neither, so a short file leaves the
    // geometry as it was.
    ar.Require(CSource::kRecordBytes + CDetector::kRecordBytes, "source and detector records");
    m_source.Serialize(ar);
    m_detector.Serialize(ar);
}

BinaryMatrixImport CProjection::ProposeImport(const std::string& path) {
    CDiskFile file(path, CDiskFile::modeRead);
    return BinaryMatrixImport::ForFileLength(file.GetLength());
}

void CProjection::ImportBinaryMatrix(const std::string& path, const BinaryMatrixImport& matrix,
                                     const SourcePositionValues& source, const DetectorPlacementValues& placement) {
    // Reading first and replacing afterwards also lets a projection that
    // already has an image take new counts and a new detector.
    CSurface::ImportBinaryMatrix(path, matrix);
    source.ApplyTo(m_source);
    m_detector.SetGeometry(placement.Center(), placement.Horizontal(), placement.Vertical(), matrix.dimX,
                           matrix.dimY, static_cast<std::int32_t>(matrix.width),
                           static_cast<std::int32_t>(matrix.height));
}

std::vector<std::uint16_t> CProjection::DicomPixelValues() const {
    std::vector<std::uint16_t> words(HasPixels() ? GetPixelCount() : 0, 0);
    const double lo = GetMinValue(), hi = GetMaxValue();
    if (!(hi > lo)) return words;  // empty or never computed range: all 0
    const double range = hi - lo;
    const float* p = GetPixels();
    for (std::size_t k = 0; k < words.size(); ++k) {
        // In this order, the maximum maps to exactly 65535.
        const double v = (static_cast<double>(p[k]) - lo) * 65535.0 / range;
        if (!std::isfinite(v)) continue;
        // Truncate toward zero, keep the low 16 bits; values outside the
        // range wrap as the 16-bit store always did.
        const double clamped = std::fmax(std::fmin(v, 9.0e15), -9.0e15);
        words[k] = static_cast<std::uint16_t>(static_cast<std::int64_t>(clamped) & 0xFFFF);
    }
    return words;
}

void CProjection::ExportDicom(const std::string& path) const {
    if (!HasPixels()) throw std::runtime_error("the projection has no pixels to export");
    if (GetWidth() > 0xFFFF || GetHeight() > 0xFFFF)
        throw std::runtime_error("a DICOM image has at most 65535 rows and columns");
    CDicomFile file;
    if (file.Create(path) < 0) throw std::runtime_error("DICOM export refused: " + file.GetLastError());
    bool ok = true;
    for (const DicomText& t : kDicomTexts) ok = file.PutString(t.group, t.element, t.value) && ok;
    ok = file.PutUint16(0x0028, 0x0002, 1) && ok;  // Samples per Pixel
    ok = file.PutUint16(0x0028, 0x0010, static_cast<std::uint16_t>(GetHeight())) && ok;  // Rows
    ok = file.PutUint16(0x0028, 0x0011, static_cast<std::uint16_t>(GetWidth())) && ok;   // Columns
    ok = file.PutUint16(0x0028, 0x0100, 16) && ok;  // Bits Allocated
    ok = file.PutUint16(0x0028, 0x0101, 16) && ok;  // Bits Stored
    ok = file.PutUint16(0x0028, 0x0102, 15) && ok;  // High Bit
    ok = file.PutUint16(0x0028, 0x0103, 0) && ok;   // Pixel Representation: unsigned
    const std::vector<std::uint16_t> words = DicomPixelValues();
    ok = file.PutPixelData16(words.data(), words.size()) && ok;
    if (!ok) throw std::runtime_error("DICOM export: " + file.GetLastError());
    if (file.WriteAndClose() < 0) throw std::runtime_error("DICOM export: " + file.GetLastError());
}

void* CProjection::GetInterface(REFIID iid) {
    if (iid == IID_IProjection || iid == IID_IUnknown) return static_cast<IProjection*>(&m_xProjection);
    return CSurface::GetInterface(iid);
}

bool CProjection::OnNewDocument() {
    if (!CSurface::OnNewDocument()) return false;
    m_source = CSource();
    m_detector = CDetector();
    return true;
}

// --- IProjection ---------------------------------------------------------------

HRESULT CProjection::XProjection::QueryInterface(REFIID riid, void** ppvObject) {
    if (!ppvObject) return E_POINTER;
    *ppvObject = m_pOwner->GetInterface(riid);
    if (!*ppvObject) return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

HRESULT CProjection::XProjection::GetGeometry(float* width, float* height, float* uMin, float* vMin, float* uMax,
                                              float* vMax, float* du, float* dv, LONG* columns, LONG* rows) {
    const CProjection& p = *m_pOwner;
    *width = static_cast<float>(p.GetDimX());
    *height = static_cast<float>(p.GetDimY());
    *uMin = static_cast<float>(p.GetFirstX());
    *vMin = static_cast<float>(p.GetFirstY());
    *uMax = static_cast<float>(p.GetLastX());
    *vMax = static_cast<float>(p.GetLastY());
    *du = static_cast<float>(p.GetPitchX());
    *dv = static_cast<float>(p.GetPitchY());
    *columns = static_cast<LONG>(p.GetWidth());
    *rows = static_cast<LONG>(p.GetHeight());
    return S_OK;
}

HRESULT CProjection::XProjection::GetSourcePosition(float* x, float* y, float* z) {
    const CPoint4& s = m_pOwner->m_source.GetPosition();
    *x = static_cast<float>(s.x);
    *y = static_cast<float>(s.y);
    *z = static_cast<float>(s.z);
    return S_OK;
}

HRESULT CProjection::XProjection::GetDetectorPosition(float* x, float* y, float* z) {
    const CPoint4& c = m_pOwner->m_detector.GetCenter();
    *x = static_cast<float>(c.x);
    *y = static_cast<float>(c.y);
    *z = static_cast<float>(c.z);
    return S_OK;
}

HRESULT CProjection::XProjection::GetMatrix(double* m) {
    const CMatrix4& r = m_pOwner->m_detector.GetRotation().m_matrix;
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 4; ++col) m[4 * row + col] = r.m[row][col];
    return S_OK;
}

HRESULT CProjection::XProjection::GetData(float** pixels) {
    *pixels = m_pOwner->GetPixels();
    return S_OK;
}

}  // namespace voxmill
