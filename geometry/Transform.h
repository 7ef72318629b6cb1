// Placement transforms. Owners always read the matrix through GetMatrix():
// scaling and translation rebuild it from their parameters p there, a
// rotation keeps the matrix its owner stored (the archive carries both).
#pragma once

#include "geometry/Matrix4.h"

namespace voxmill {

class CTransform : public CObject {
public:
    CTransform();
    CTransform(const CTransform&) = default;
    CTransform& operator=(const CTransform&) = default;

    virtual CMatrix4& GetMatrix() { return m_matrix; }

    CMatrix4 m_matrix;
    double p[3] = {0, 0, 0};
};

// diag(sx, sy, sz, 1). Archive: sx, sy, sz.
class CScaling : public CTransform {
public:
    CScaling();
    CScaling(double sx, double sy, double sz);
    CMatrix4& GetMatrix() override;
    void Serialize(CArchive& ar) override;
};

// Identity with the translation in the last column. Archive: tx, ty, tz.
class CTranslation : public CTransform {
public:
    CTranslation();
    CTranslation(double tx, double ty, double tz);
    CMatrix4& GetMatrix() override;
    void Serialize(CArchive& ar) override;
};

// The axis record of a rotation; not part of the archive.
class CAxis : public CObject {
public:
    CAxis() = default;
    CAxis(const CAxis&) = default;
    CAxis& operator=(const CAxis&) = default;
    CDirection4 m_direction{0, 0, 1};
    CObject* m_pFirst = nullptr;
    CObject* m_pSecond = nullptr;
};

// Euler angles p = (phi, theta, psi) in radians, z-x-z convention, with the
// matrix the owner computed (SetAngles) or loaded. Archive: phi, theta, psi,
// then the 16 matrix elements.
class CRotation : public CTransform {
public:
    CRotation();
    void Serialize(CArchive& ar) override;

    // Stores the angles and recomputes the matrix from them.
    void SetAngles(double phi, double theta, double psi);
    static CMatrix4 EulerMatrix(double phi, double theta, double psi);

    CAxis m_axis;
    CDirection4 m_directions[3];
};

}  // namespace voxmill
