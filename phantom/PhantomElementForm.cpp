#include "phantom/PhantomElementForm.h"

#include <cstdio>

#include "phantom/PhantomElement.h"

namespace voxmill {
namespace {

// NaN fails both comparisons and so is refused too.
bool InRange(double v, double lo, double hi) { return v >= lo && v <= hi; }

std::string RangeMessage(const char* field, double v, double lo, double hi) {
    char text[160];
    std::snprintf(text, sizeof text, "%s %g is out of range (%g to %g)", field, v, lo, hi);
    return text;
}

}  // namespace

CPhantomElementForm CPhantomElementForm::FromElement(const CPhantomElement& element) {
    CPhantomElementForm form;
    for (int i = 0; i < 3; ++i) {
        form.scale[i] = element.m_scale.p[i];
        form.angles[i] = element.m_rotation.p[i] * 180.0 / kPi;
        form.translation[i] = element.m_translation.p[i];
    }
    form.mu = element.m_mu;
    return form;
}

std::string CPhantomElementForm::Validate() const {
    static const char* const kScaleNames[3] = {"scaling X", "scaling Y", "scaling Z"};
    static const char* const kAngleNames[3] = {"rotation PHI", "rotation THETA", "rotation PSI"};
    static const char* const kTranslationNames[3] = {"translation X", "translation Y", "translation Z"};
    // In the order of the form's controls.
    if (!InRange(mu, kMuMin, kMuMax)) return RangeMessage("attenuation MU", mu, kMuMin, kMuMax);
    for (int i = 0; i < 3; ++i)
        if (!InRange(translation[i], kTranslationMin, kTranslationMax))
            return RangeMessage(kTranslationNames[i], translation[i], kTranslationMin, kTranslationMax);
    for (int i = 0; i < 3; ++i)
        if (!InRange(angles[i], kAngleMin, kAngleMax))
            return RangeMessage(kAngleNames[i], angles[i], kAngleMin, kAngleMax);
    for (int i = 0; i < 3; ++i)
        if (!InRange(scale[i], kScaleMin, kScaleMax))
            return RangeMessage(kScaleNames[i], scale[i], kScaleMin, kScaleMax);
    return {};
}

bool CPhantomElementForm::ApplyTo(CPhantomElement& element, std::string& error, CView* sender) const {
    error = Validate();
    if (!error.empty()) return false;
    for (int i = 0; i < 3; ++i) element.m_scale.p[i] = scale[i];
    // The conversion order pi * degrees * (1/180) is kept for identical bits.
    const double toRadians = 1.0 / 180.0;
    element.m_rotation.SetAngles(kPi * angles[0] * toRadians, kPi * angles[1] * toRadians,
                                 kPi * angles[2] * toRadians);
    for (int i = 0; i < 3; ++i) element.m_translation.p[i] = translation[i];
    element.m_mu = static_cast<float>(mu);
    element.UpdateMatrices();
    element.UpdateAllViews(sender);
    return true;
}

}  // namespace voxmill
