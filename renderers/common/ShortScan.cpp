#include "renderers/common/ShortScan.h"

#include <algorithm>
#include <cmath>

#include "renderers/common/EntryAccess.h"

namespace voxmill {
namespace {

// a - b brought into (-pi, pi].
double Turn(double a, double b) {
    double d = std::remainder(a - b, 2.0 * CShortScan::kPi);
    if (d <= -CShortScan::kPi) d += 2.0 * CShortScan::kPi;
    return d;
}

}  // namespace

CShortScan::Plan CShortScan::Classify(const std::vector<double>& angles, double fanHalf) {
    Plan plan;
    plan.fanHalf = fanHalf;
    const std::size_t n = angles.size();
    plan.offsets.assign(n, 0.0);
    // Entries without an angle (not a number: nothing to load) are skipped
    // by the renderers; the others are measured from the first one found,
    // each turn taken from the previous one found.
    std::vector<std::size_t> known;
    for (std::size_t i = 0; i < n; ++i)
        if (std::isfinite(angles[i])) known.push_back(i);
    if (known.size() < 2) return plan;
    for (std::size_t k = 1; k < known.size(); ++k)
        plan.offsets[known[k]] = plan.offsets[known[k - 1]] + Turn(angles[known[k]], angles[known[k - 1]]);
    const std::size_t first = known.front(), last = known.back();
    if (plan.offsets[last] < 0.0) {
        plan.sense = -1.0;
        for (double& t : plan.offsets) t = -t;
    }
    plan.step = plan.offsets[last] / static_cast<double>(last - first);
    bool even = plan.step > 0.0 && std::isfinite(plan.step);
    for (std::size_t k = 1; k < known.size() && even; ++k) {
        const double expected = plan.step * static_cast<double>(known[k] - known[k - 1]);
        even = std::abs(plan.offsets[known[k]] - plan.offsets[known[k - 1]] - expected) <= 0.5 * plan.step;
    }
    // Entries without an angle are never weighed; they sit where the
    // steps would put them.
    for (std::size_t i = 0; i < n; ++i)
        if (!std::isfinite(angles[i]))
            plan.offsets[i] = plan.step * (static_cast<double>(i) - static_cast<double>(first));
    plan.range = plan.offsets[last];
    if (!even) {
        plan.coverage = Coverage::uneven;
    } else if (static_cast<double>(n) * plan.step >= 2.0 * kPi - 0.5 * plan.step) {
        plan.coverage = Coverage::fullCircle;
    } else if (plan.range >= kPi + 2.0 * fanHalf - 0.5 * plan.step) {
        plan.coverage = Coverage::shortScan;
        // Scans a fraction of a step short of pi + 2 gamma_max still take
        // the weights, over the fan they really cover.
        plan.range = std::max(plan.range, kPi + 2.0 * fanHalf);
    } else {
        plan.coverage = Coverage::uneven;
    }
    return plan;
}

HRESULT CShortScan::Read(IProjectionCollection* collection, LONG count, const CProjectionGeometry& detector,
                         Plan* plan) {
    std::vector<double> angles;
    angles.reserve(static_cast<std::size_t>(std::max<LONG>(count, 0)));
    for (LONG n = 0; n < count; ++n) {
        IListElement* item = nullptr;
        if (FAILED(collection->GetItem(n, &item)) || !item) {
            angles.push_back(std::nan(""));  // skipped by the run too
            continue;
        }
        float x = 0, y = 0, z = 0;
        IProjection* projection = ProjectionOf(item);
        const bool found = projection && SUCCEEDED(projection->GetSourcePosition(&x, &y, &z));
        item->Unload();
        angles.push_back(found ? std::atan2(static_cast<double>(z), static_cast<double>(x)) : std::nan(""));
    }
    *plan = Classify(angles, std::atan(0.5 * detector.width / detector.D));
    return S_OK;
}

double CShortScan::Weight(double beta, double gamma, double range) {
    const double delta = (range - kPi) / 2.0;
    if (beta < 0.0 || beta > range) return 0.0;
    if (beta < 2.0 * (delta - gamma)) {
        const double s = std::sin(kPi / 4.0 * beta / (delta - gamma));
        return s * s;
    }
    if (beta <= kPi - 2.0 * gamma) return 1.0;
    const double s = std::sin(kPi / 4.0 * (kPi + 2.0 * delta - beta) / (delta + gamma));
    return s * s;
}

void CShortScan::ColumnWeights(const Plan& plan, std::size_t n, const CProjectionGeometry& detector,
                               const CProjectionGeometry& own, std::vector<float>* weights) {
    weights->resize(static_cast<std::size_t>(detector.columns));
    // The sense of the detector's u axis about the axis y: + when u runs
    // the way the source angle grows.
    const double r = std::hypot(static_cast<double>(own.source[0]), static_cast<double>(own.source[2]));
    const double sx = own.source[0] / r, sz = own.source[2] / r;
    const double sense = (own.a * sz - own.b * sx) >= 0.0 ? 1.0 : -1.0;
    const double beta = plan.offsets[n];
    const double scale = plan.Scale();
    for (LONG c = 0; c < detector.columns; ++c) {
        const double u = static_cast<double>(detector.uMin) + static_cast<double>(c) * detector.du;
        const double gamma = plan.sense * sense * std::atan(u / own.D);
        (*weights)[static_cast<std::size_t>(c)] = static_cast<float>(scale * Weight(beta, gamma, plan.range));
    }
}

}  // namespace voxmill
