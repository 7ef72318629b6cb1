#include "acquisition/DetectorTrajectory.h"

#include "acquisition/Detector.h"

namespace voxmill {
namespace {

void Turn(const CMatrix4& m, CDirection4& d) {
    CVector4 next;
    m.Transform4(d, next);
    d.x = next.x;
    d.y = next.y;
    d.z = next.z;
    d.w = next.w;
}

}  // namespace

VOXMILL_IMPLEMENT_DYNAMIC(CDetectorTrajectory, CTrajectory)

CDetectorTrajectory::CDetectorTrajectory(const CPoint4& center, const CDirection4& horizontal,
                                         const CDirection4& vertical, double dimX, double dimY, std::int32_t width,
                                         std::int32_t height, CTransform& step)
    : CTrajectory(center, step), m_dimX(dimX), m_dimY(dimY), m_width(width), m_height(height),
      m_horizontal(horizontal), m_vertical(vertical) {}

void CDetectorTrajectory::Step() {
    CTrajectory::Step();
    Turn(m_step.m_matrix, m_horizontal);
    Turn(m_step.m_matrix, m_vertical);
}

void CDetectorTrajectory::Place(CDetector& detector) const {
    detector.SetGeometry(m_current, m_horizontal, m_vertical, m_dimX, m_dimY, m_width, m_height);
}

}  // namespace voxmill
