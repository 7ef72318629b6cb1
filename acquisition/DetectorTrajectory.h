// The detector's path during a run: the centre is the trajectory's point,
// and each Step() turns the centre, H and V by the same step matrix
// (directions have w = 0, so only its rotation part acts on them). Size
// and pixel counts travel unchanged to every snapshot.
#pragma once

#include <cstdint>

#include "acquisition/Trajectory.h"

namespace voxmill {

class CDetector;

class CDetectorTrajectory : public CTrajectory {
    VOXMILL_DECLARE_DYNAMIC(CDetectorTrajectory)

public:
    CDetectorTrajectory(const CPoint4& center, const CDirection4& horizontal, const CDirection4& vertical,
                        double dimX, double dimY, std::int32_t width, std::int32_t height, CTransform& step);

    void Step() override;
    // Gives the detector the current snapshot's geometry.
    void Place(CDetector& detector) const;

    const CDirection4& GetHorizontal() const { return m_horizontal; }
    const CDirection4& GetVertical() const { return m_vertical; }

private:
    CDirection4 m_spare[2];  // unused
    double m_dimX, m_dimY;
    std::int32_t m_width, m_height;
    CDirection4 m_horizontal;
    CDirection4 m_vertical;
};

}  // namespace voxmill
