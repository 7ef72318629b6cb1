// One X-ray image with the geometry it was taken under: a float image
// (CSurface) plus the source point and the flat detector, both by value.
// Pixels hold whatever produced them (a simulated projection holds the
// line integral of MU along each ray, no exponential).
//
// The .prj record, which is also the object record inside a collection
// and a linked member's file: the image record, the 32-byte source record,
// the 224-byte detector record, nothing else. Renderers reach it through
// IProjection (GetInterface), reading the pixel block between a member's
// Load and Unload without ever freeing it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "acquisition/Detector.h"
#include "acquisition/Source.h"
#include "contract/Projection.h"
#include "imaging/Surface.h"

namespace voxmill {

struct DetectorPlacementValues;
struct SourcePositionValues;

class CProjection : public CSurface {
    VOXMILL_DECLARE_SERIAL(CProjection)

public:
    CProjection();
    ~CProjection() override;

    // Creates the image (fails when it already has pixels or a size is not
    // positive) and only then gives the detector the same centre, vectors,
    // size and counts. With `lentPixels` the image is made over that block,
    // which the caller keeps alive (CSurface::CreateOver).
    bool SetGeometry(const CPoint4& center, const CDirection4& horizontal, const CDirection4& vertical, double dimX,
                     double dimY, std::uint32_t width, std::uint32_t height, float* lentPixels = nullptr);
    void SetSourcePosition(const CPoint4& position) { m_source.SetPosition(position); }

    CSource& GetSource() { return m_source; }
    const CSource& GetSource() const { return m_source; }
    CDetector& GetDetector() { return m_detector; }
    const CDetector& GetDetector() const { return m_detector; }

    // The source position as "%+.2f,%+.2f,%+.2f".
    void GetDescription(std::string& description) override;

    // The .prj record unless a Binary Matrix or Bitmap template is attached.
    void Serialize(CArchive& ar) override;
    void StoreRecord(CArchive& ar) const;
    void LoadRecord(CArchive& ar);

    // The raw-matrix import with the values of its three dialogs: the
    // matrix read with `matrix`, the source set to `source`, the detector
    // placed by `placement` with the matrix's size and counts. All or
    // nothing: on a throw the projection is unchanged. The document path
    // stays (a later Save must not write .prj records over the raw file).
    void ImportBinaryMatrix(const std::string& path, const BinaryMatrixImport& matrix,
                            const SourcePositionValues& source, const DetectorPlacementValues& placement);
    // The dialog preset for a file of that length: pixel counts proposed
    // as a square float image.
    static BinaryMatrixImport ProposeImport(const std::string& path);

    // DICOM 3 export of the image as 16-bit unsigned pixels. Throws when the
    // toolkit refuses the file or the image cannot be written; an existing
    // file is replaced only by a complete one.
    void ExportDicom(const std::string& path) const;
    // trunc((p - min) x 65535 / (max - min)), low 16 bits, row 0 first;
    // all 0 when the range is empty or was never computed.
    std::vector<std::uint16_t> DicomPixelValues() const;

    IProjection* GetProjectionInterface() { return &m_xProjection; }
    void* GetInterface(REFIID iid) override;

    bool OnNewDocument() override;

private:
    // Reference counts belong to the document, whose life is its owner's
    // business: Release never deletes.
    class XProjection : public IProjection {
    public:
        explicit XProjection(CProjection* owner) : m_pOwner(owner) {}
        HRESULT QueryInterface(REFIID riid, void** ppvObject) override;
        ULONG AddRef() override { return ++m_refs; }
        ULONG Release() override { return m_refs > 1 ? --m_refs : 1; }
        HRESULT GetGeometry(float* width, float* height, float* uMin, float* vMin, float* uMax, float* vMax,
                            float* du, float* dv, LONG* columns, LONG* rows) override;
        HRESULT GetSourcePosition(float* x, float* y, float* z) override;
        HRESULT GetDetectorPosition(float* x, float* y, float* z) override;
        HRESULT GetMatrix(double* m) override;
        HRESULT GetData(float** pixels) override;

    private:
        CProjection* m_pOwner;
        ULONG m_refs = 1;
    };

    CSource m_source;
    CDetector m_detector;
    XProjection m_xProjection{this};
};

}  // namespace voxmill
