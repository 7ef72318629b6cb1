// A point carried along a path by one fixed transform per snapshot: the
// projector's source path. The step matrix is a copy taken at construction;
// Step() multiplies the current point by it (all four components), so
// snapshot k is reached by k multiplications, not recomputed from an angle.
// Not archived: Serialize writes and reads nothing.
#pragma once

#include "app/archive/Object.h"
#include "geometry/Transform.h"
#include "geometry/Vector.h"

namespace voxmill {

class CTrajectory : public CObject {
    VOXMILL_DECLARE_DYNAMIC(CTrajectory)

public:
    CTrajectory(const CPoint4& origin, CTransform& step);

    void Serialize(CArchive&) override {}
    virtual void Step();

    const CPoint4& GetOrigin() const { return m_origin; }
    const CPoint4& GetCurrent() const { return m_current; }
    const CMatrix4& GetStepMatrix() const { return m_step.m_matrix; }

protected:
    CPoint4 m_origin;   // where the path starts; stepping leaves it alone
    CTransform m_step;  // holds the copied matrix
    CPoint4 m_current;
};

}  // namespace voxmill
