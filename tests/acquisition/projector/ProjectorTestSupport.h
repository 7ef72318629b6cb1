// Helpers of the projector tests: projections placed on the circle, small
// phantoms, and the projection written out step by step as the serial
// loop does it (element by element, row by row, column by column, calling
// each element's own ChordLength), against which the projector's fast
// kernel must agree bit for bit.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "acquisition/CircularOrbit.h"
#include "acquisition/Projection.h"
#include "phantom/Phantom.h"
#include "phantom/PhantomElement.h"
#include "phantom/PhantomElementCylinder.h"
#include "phantom/PhantomElementEllipsoid.h"

namespace voxmill::test {

// A projection at snapshot angle theta (radians) with a dim x dim detector
// of n x m pixels, all pixels 0.
inline std::unique_ptr<CProjection> MakeProjection(double theta, double ds, double dd, double dimX, double dimY,
                                                   std::uint32_t width, std::uint32_t height) {
    auto p = std::make_unique<CProjection>();
    p->OnNewDocument();
    if (!p->SetGeometry(DetectorCenterOnCircle(dd, theta), DetectorHorizontalOnCircle(theta), CDirection4(0, 1, 0),
                        dimX, dimY, width, height))
        return nullptr;
    std::memset(p->GetPixels(), 0, p->GetPixelCount() * sizeof(float));
    p->SetSourcePosition(SourceOnCircle(ds, theta));
    return p;
}

template <class Element>
CPhantomElement* AddElement(CPhantom& phantom, double sx, double sy, double sz, double phi, double theta, double psi,
                            double tx, double ty, double tz, float mu) {
    CPhantomElement* e = phantom.AddElement(Element::ThisClass());
    e->m_scale = CScaling(sx, sy, sz);
    e->m_rotation.SetAngles(phi, theta, psi);
    e->m_translation = CTranslation(tx, ty, tz);
    e->m_mu = mu;
    e->UpdateMatrices();
    return e;
}

// The serial order, literally: for each element in list order, each row,
// each column, add ChordLength x MU (or MU x 0.2 x the five chords).
inline void ReferenceProject(const CPhantom& phantom, CProjection& projection, int rayMode) {
    const CPoint4 p = projection.GetSource().GetPosition();
    const CDetector& detector = projection.GetDetector();
    const int width = detector.GetWidth(), height = detector.GetHeight();
    const CMatrix4& m = detector.GetToWorld();
    const double du = 1.0 / width, dv = 1.0 / height;
    float* pixels = projection.GetPixels();
    auto line = [&](double u, double v) {
        CPoint4 q;
        m.Transform4(CPoint4(u, v, 0), q);
        return CDirection4(q.x - p.x, q.y - p.y, q.z - p.z);
    };
    for (const auto& element : phantom.m_elements) {
        if (!element) continue;
        for (int j = 0; j < height; ++j)
            for (int i = 0; i < width; ++i) {
                float& pixel = pixels[j * width + i];
                const double u = -0.5 + (i + 0.5) * du, v = 0.5 - (j + 0.5) * dv;
                if (rayMode == 0) {
                    pixel += element->ChordLength(p, line(u, v)) * element->m_mu;
                } else if (rayMode == 1) {
                    const double x0 = -0.5 + i * du, y0 = 0.5 - j * dv;
                    const double c0 = element->ChordLength(p, line(u, v));
                    const double c1 = element->ChordLength(p, line(x0 + 0.75 * du, y0 - 0.25 * dv));
                    const double c2 = element->ChordLength(p, line(x0 + 0.25 * du, y0 - 0.25 * dv));
                    const double c3 = element->ChordLength(p, line(x0 + 0.25 * du, y0 - 0.75 * dv));
                    const double c4 = element->ChordLength(p, line(x0 + 0.75 * du, y0 - 0.75 * dv));
                    pixel += element->m_mu * 0.2 * (c0 + c1 + c2 + c3 + c4);
                }
            }
    }
    projection.UpdateRange();
}

inline bool SameBits(const CProjection& a, const CProjection& b) {
    return a.GetPixelCount() == b.GetPixelCount() &&
           std::memcmp(a.GetPixels(), b.GetPixels(), a.GetPixelCount() * sizeof(float)) == 0;
}

}  // namespace voxmill::test
