#include "geometry/Transform.h"

#include <cmath>

#include "app/archive/Archive.h"

namespace voxmill {
namespace {

void SerializeParams(CArchive& ar, double (&p)[3]) {
    for (double& v : p) {
        if (ar.IsStoring())
            ar.WriteDouble(v);
        else
            v = ar.ReadDouble();
    }
}

}  // namespace

CTransform::CTransform() { m_matrix.SetIdentity(); }

CScaling::CScaling() : CScaling(1, 1, 1) {}

CScaling::CScaling(double sx, double sy, double sz) {
    p[0] = sx;
    p[1] = sy;
    p[2] = sz;
}

CMatrix4& CScaling::GetMatrix() {
    m_matrix.SetIdentity();
    m_matrix.m[0][0] = p[0];
    m_matrix.m[1][1] = p[1];
    m_matrix.m[2][2] = p[2];
    return m_matrix;
}

void CScaling::Serialize(CArchive& ar) { SerializeParams(ar, p); }

CTranslation::CTranslation() : CTranslation(0, 0, 0) {}

CTranslation::CTranslation(double tx, double ty, double tz) {
    p[0] = tx;
    p[1] = ty;
    p[2] = tz;
}

CMatrix4& CTranslation::GetMatrix() {
    m_matrix.SetIdentity();
    m_matrix.m[0][3] = p[0];
    m_matrix.m[1][3] = p[1];
    m_matrix.m[2][3] = p[2];
    return m_matrix;
}

void CTranslation::Serialize(CArchive& ar) { SerializeParams(ar, p); }

CRotation::CRotation() { m_matrix = EulerMatrix(0, 0, 0); }

void CRotation::Serialize(CArchive& ar) {
    SerializeParams(ar, p);
    m_matrix.Serialize(ar);
}

void CRotation::SetAngles(double phi, double theta, double psi) {
    p[0] = phi;
    p[1] = theta;
    p[2] = psi;
    m_matrix = EulerMatrix(phi, theta, psi);
}

CMatrix4 CRotation::EulerMatrix(double phi, double theta, double psi) {
    const double cf = std::cos(phi), sf = std::sin(phi);
    const double ct = std::cos(theta), st = std::sin(theta);
    const double cp = std::cos(psi), sp = std::sin(psi);
    CMatrix4 r;
    r.m[0][0] = cp * cf - ct * sf * sp;
    r.m[0][1] = cp * sf + ct * cf * sp;
    r.m[0][2] = sp * st;
    r.m[1][0] = -sp * cf - ct * sf * cp;
    r.m[1][1] = -sp * sf + ct * cf * cp;
    r.m[1][2] = cp * st;
    r.m[2][0] = st * sf;
    r.m[2][1] = -st * cf;
    r.m[2][2] = ct;
    r.m[0][3] = r.m[1][3] = r.m[2][3] = 0.0;
    r.m[3][0] = r.m[3][1] = r.m[3][2] = 0.0;
    r.m[3][3] = 1.0;
    return r;
}

}  // namespace voxmill
