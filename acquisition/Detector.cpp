#include "acquisition/Detector.h"

#include "app/archive/Archive.h"

namespace voxmill {
namespace {

CDirection4 Column(const CMatrix4& m, int c) { return CDirection4(m.m[0][c], m.m[1][c], m.m[2][c]); }

}  // namespace

VOXMILL_IMPLEMENT_SERIAL(CDetector, CDocumentEx, 1)

CDetector::CDetector() { UpdateMatrices(); }

CDetector::CDetector(const CDetector& other) : CDocumentEx() { *this = other; }

CDetector& CDetector::operator=(const CDetector& other) {
    if (this == &other) return *this;
    m_dimX = other.m_dimX;
    m_dimY = other.m_dimY;
    m_width = other.m_width;
    m_height = other.m_height;
    m_center = other.m_center;
    m_scale = CScaling(m_dimX, m_dimY, 1);
    m_translation = CTranslation(m_center.x, m_center.y, m_center.z);
    m_rotation.m_matrix = other.m_rotation.m_matrix;
    for (int k = 0; k < 3; ++k) {
        m_rotation.p[k] = other.m_rotation.p[k];
        m_rotation.m_directions[k] = other.m_rotation.m_directions[k];
    }
    m_rotation.m_axis = other.m_rotation.m_axis;
    UpdateMatrices();
    return *this;
}

void CDetector::SetGeometry(const CPoint4& center, const CDirection4& horizontal, const CDirection4& vertical,
                            double dimX, double dimY, std::int32_t width, std::int32_t height) {
    m_dimX = dimX;
    m_dimY = dimY;
    m_width = width;
    m_height = height;
    m_center = center;
    m_scale = CScaling(dimX, dimY, 1);
    m_translation = CTranslation(center.x, center.y, center.z);

    CDirection4 normal;
    CVector4::Cross(horizontal, vertical, normal);
    m_rotation.m_directions[0] = horizontal;
    m_rotation.m_directions[1] = vertical;
    m_rotation.m_directions[2] = normal;
    const CDirection4* axes[3] = {&horizontal, &vertical, &normal};
    CMatrix4& r = m_rotation.m_matrix;
    for (int c = 0; c < 3; ++c) {
        r.m[0][c] = axes[c]->x;
        r.m[1][c] = axes[c]->y;
        r.m[2][c] = axes[c]->z;
        r.m[3][c] = 0.0;
    }
    r.m[0][3] = r.m[1][3] = r.m[2][3] = 0.0;
    r.m[3][3] = 1.0;
    UpdateMatrices();
}

void CDetector::UpdateMatrices() {
    m_toWorld.m_matrix = m_translation.GetMatrix() * (m_rotation.GetMatrix() * m_scale.GetMatrix());
    m_toLocal.m_matrix = m_toWorld.m_matrix;
    m_toLocal.m_matrix.Invert();  // singular: stays equal to m_toWorld
}

void CDetector::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar.WriteDouble(m_dimX);
        ar.WriteDouble(m_dimY);
        ar.WriteInt(m_width);
        ar.WriteInt(m_height);
        m_scale.Serialize(ar);
        m_rotation.Serialize(ar);
        m_translation.Serialize(ar);
        return;
    }
    // Fixed size: check once, so a short file changes nothing.
    ar.Require(kRecordBytes, "detector record");
    m_dimX = ar.ReadDouble();
    m_dimY = ar.ReadDouble();
    m_width = ar.ReadInt();
    m_height = ar.ReadInt();
    m_scale.Serialize(ar);
    m_rotation.Serialize(ar);
    m_translation.Serialize(ar);
    m_center = CPoint4(m_translation.p[0], m_translation.p[1], m_translation.p[2]);
    for (int c = 0; c < 3; ++c) m_rotation.m_directions[c] = Column(m_rotation.m_matrix, c);
    UpdateMatrices();
}

CDirection4 CDetector::GetHorizontal() const { return Column(m_rotation.m_matrix, 0); }

CDirection4 CDetector::GetVertical() const { return Column(m_rotation.m_matrix, 1); }

CDirection4 CDetector::GetNormal() const { return Column(m_rotation.m_matrix, 2); }

void CDetector::PixelLocal(double i, double j, double& u, double& v) const {
    u = -0.5 + (i + 0.5) / m_width;
    v = 0.5 - (j + 0.5) / m_height;
}

CPoint4 CDetector::LocalToWorld(double u, double v) const {
    CPoint4 world;
    m_toWorld.m_matrix.Transform3(CPoint4(u, v, 0), world);
    return world;
}

CPoint4 CDetector::PixelWorld(double i, double j) const {
    double u, v;
    PixelLocal(i, j, u, v);
    return LocalToWorld(u, v);
}

}  // namespace voxmill
