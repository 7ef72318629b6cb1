#include "acquisition/Trajectory.h"

namespace voxmill {

VOXMILL_IMPLEMENT_DYNAMIC(CTrajectory, CObject)

CTrajectory::CTrajectory(const CPoint4& origin, CTransform& step) : m_origin(origin), m_current(origin) {
    m_step.m_matrix = step.GetMatrix();
}

void CTrajectory::Step() {
    CVector4 next;
    m_step.m_matrix.Transform4(m_current, next);
    m_current.x = next.x;
    m_current.y = next.y;
    m_current.z = next.z;
    m_current.w = next.w;
}

}  // namespace voxmill
