// The 3-D Shepp-Logan head phantom: the standard ten ellipsoids with the
// higher-contrast ("modified") attenuation values. The document stores each
// ellipsoid's own MU; where ellipsoids overlap their MU add up, so the skull
// samples 1.0 and the brain 1.0 - 0.8 = 0.2.
//
// The textbook set has the head axis along z with axial slices in x-y
// planes; here the head axis is the rotation axis y, so that the classic
// cross-section lies in the x-z planes the source circles in. Phantom
// (x, y, z) maps to world (x, z, -y): right-handed, top of the head at +y.
#pragma once

namespace voxmill {

class CPhantom;

// Appends the ten ellipsoids to `phantom` (its existing elements stay).
// Every value lies inside the element form's ranges.
void AddSheppLogan(CPhantom& phantom);

}  // namespace voxmill
