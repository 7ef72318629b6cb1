// One 8-bit frame with the geometry it was taken under: an 8-bit image
// (CSurfacei) plus the source point and the flat detector, both by value.
// Pixels are transmitted intensities (bright where nothing absorbs), not
// line integrals; GenerateProjection turns a slide and a reference frame
// taken without the object into one.
//
// The .sld record, also the object record inside a slide collection and a
// linked member's file: the 8-bit image record, the 32-byte source record,
// the 224-byte detector record.
#pragma once

#include <memory>
#include <string>

#include "acquisition/Detector.h"
#include "acquisition/Source.h"
#include "imaging/Surfacei.h"

namespace voxmill {

class CProjection;

class CSlide : public CSurfacei {
    VOXMILL_DECLARE_SERIAL(CSlide)

public:
    // The physical size every raw import gives a slide, whatever the
    // dialog's size fields say.
    static constexpr double kImportedSize = 4.0;

    CSlide();
    ~CSlide() override;

    CSource& GetSource() { return m_source; }
    const CSource& GetSource() const { return m_source; }
    CDetector& GetDetector() { return m_detector; }
    const CDetector& GetDetector() const { return m_detector; }

    // The source position as "%+.2f,%+.2f,%+.2f".
    void GetDescription(std::string& description) override;

    // The .sld record unless a Binary Matrix or Bitmap template is attached.
    void Serialize(CArchive& ar) override;
    void StoreRecord(CArchive& ar) const;
    void LoadRecord(CArchive& ar);

    // The dialog preset for a raw file of that length: "8 bit Integer" and
    // both counts trunc(sqrt(length)). Throws when the file cannot be read.
    static BinaryMatrixImport ProposeImport(const std::string& path);
    static BinaryMatrixImport ProposeImport(std::uint64_t fileLength);
    // The raw import: the values' type, counts and offset, a physical size
    // of kImportedSize x kImportedSize. All or nothing.
    void ImportRawMatrix(const std::string& path, const BinaryMatrixImport& values);

    // Fills `projection` (which must have no image yet) with the line
    // integrals ln((R + 1) / (S + 1)) of this slide S against `reference` R,
    // read at the same column and row with R's own width, in double
    // precision; then negatives and NaN become 0, the range is computed and
    // the detector and source are copied from this slide. Throws, leaving
    // the projection as it was, when either slide has no pixels or the
    // reference is smaller than this slide.
    void GenerateProjection(const CSlide& reference, CProjection& projection) const;
    // Why GenerateProjection would refuse; empty when it would not.
    std::string ProjectionProblem(const CSlide& reference) const;

    bool OnNewDocument() override;

private:
    CSource m_source;
    CDetector m_detector;
};

}  // namespace voxmill
