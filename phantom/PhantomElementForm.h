// The values of the element editing form, headless: what the form shows for
// an element and what its Apply button does with them. The workbench's form
// and the CLI both go through it, so both accept exactly the same ranges.
//
// Units: scale and translation in world units, angles in degrees, MU per
// world unit (a double here, narrowed to float in the element).
#pragma once

#include <string>

namespace voxmill {

class CPhantomElement;
class CView;

class CPhantomElementForm {
public:
    // The value of pi the form converts degrees and radians with.
    static constexpr double kPi = 3.14159265359;

    static constexpr double kMuMin = -2.0, kMuMax = 2.0;
    static constexpr double kTranslationMin = -1.0, kTranslationMax = 1.0;
    static constexpr double kAngleMin = 0.0, kAngleMax = 360.0;
    static constexpr double kScaleMin = 0.0, kScaleMax = 1.0;

    // The values of a new element: scale 1, angles 0, translation 0, MU 1.
    CPhantomElementForm() = default;
    // The element's values: angles converted to degrees (radians * 180 / pi).
    static CPhantomElementForm FromElement(const CPhantomElement& element);

    // Empty when every value lies in its range (bounds included); otherwise
    // a message naming the first field out of range.
    std::string Validate() const;

    // Validates, then sets scale, angles (pi * degrees * (1/180), rotation
    // matrix recomputed), translation and MU, updates the matrices and the
    // element's views other than `sender`. Returns false with `error` set,
    // and the element untouched, when a value is out of range. Closing the
    // editing window afterwards is the window's business.
    bool ApplyTo(CPhantomElement& element, std::string& error, CView* sender = nullptr) const;

    double scale[3] = {1.0, 1.0, 1.0};
    double angles[3] = {0.0, 0.0, 0.0};  // phi, theta, psi in degrees
    double translation[3] = {0.0, 0.0, 0.0};
    double mu = 1.0;
};

}  // namespace voxmill
