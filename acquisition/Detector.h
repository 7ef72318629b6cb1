// The flat detector: a dimX x dimY rectangle (world units) of width x height
// pixels, centred at `center`, spanned by the horizontal vector H and the
// vertical vector V, with normal N = H x V toward the source side.
//
// Local frame: (u, v, w) with the sensitive square -0.5 <= u, v <= 0.5,
// w = 0; world = center + u dimX H + v dimY V + w N, that is
// m_toWorld = T (R S) with R's columns H, V, N. Column i runs along +H,
// row j along -V: pixel (i, j) is centred at u = -0.5 + (i + 0.5) / width,
// v = 0.5 - (j + 0.5) / height and stored at index j * width + i.
//
// H and V are used as given, neither normalised nor made orthogonal. The
// rotation's angles stay 0; its matrix is written directly from H, V, N.
// Record: dimX, dimY, width, height, scale (3 doubles), rotation (3 + 16
// doubles), translation (3 doubles): 224 bytes.
#pragma once

#include <cstdint>

#include "app/DocumentEx.h"
#include "geometry/Transform.h"
#include "geometry/Vector.h"

namespace voxmill {

class CDetector : public CDocumentEx {
    VOXMILL_DECLARE_SERIAL(CDetector)

public:
    static constexpr std::uint64_t kRecordBytes = 224;

    CDetector();
    CDetector(const CDetector& other);
    // Copies size, counts, centre and the rotation (matrix, angles, axis and
    // directions); scale and translation are rebuilt from them.
    CDetector& operator=(const CDetector& other);

    void SetGeometry(const CPoint4& center, const CDirection4& horizontal, const CDirection4& vertical, double dimX,
                     double dimY, std::int32_t width, std::int32_t height);
    // m_toWorld = T (R S); m_toLocal its inverse, or a plain copy when the
    // determinant is exactly 0 (zero size, H parallel to V).
    void UpdateMatrices();
    void Serialize(CArchive& ar) override;

    double GetDimX() const { return m_dimX; }
    double GetDimY() const { return m_dimY; }
    std::int32_t GetWidth() const { return m_width; }
    std::int32_t GetHeight() const { return m_height; }
    const CPoint4& GetCenter() const { return m_center; }
    // R (1, 0, 0, 0) and R (0, 1, 0, 0): the current H and V.
    CDirection4 GetHorizontal() const;
    CDirection4 GetVertical() const;
    CDirection4 GetNormal() const;
    const CRotation& GetRotation() const { return m_rotation; }
    const CMatrix4& GetToWorld() const { return m_toWorld.m_matrix; }
    const CMatrix4& GetToLocal() const { return m_toLocal.m_matrix; }

    // Local (u, v) of the centre of pixel (column i, row j).
    void PixelLocal(double i, double j, double& u, double& v) const;
    // m_toWorld (u, v, 0, 1).
    CPoint4 LocalToWorld(double u, double v) const;
    CPoint4 PixelWorld(double i, double j) const;

private:
    double m_dimX = 1.0;
    double m_dimY = 1.0;
    std::int32_t m_width = 64;
    std::int32_t m_height = 64;
    CPoint4 m_center;
    CScaling m_scale;
    CTranslation m_translation;
    CRotation m_rotation;
    CTransform m_toWorld;
    CTransform m_toLocal;
};

}  // namespace voxmill
