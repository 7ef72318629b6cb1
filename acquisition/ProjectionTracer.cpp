#include "acquisition/ProjectionTracer.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <cmath>
#include <thread>
#include <typeinfo>
#include <vector>

#include "acquisition/Projection.h"
#include "phantom/Phantom.h"
#include "phantom/PhantomElement.h"
#include "phantom/PhantomElementCylinder.h"
#include "phantom/PhantomElementEllipsoid.h"

namespace voxmill {
namespace {

// Below this many chords a projection is traced on the calling thread.
constexpr double kMinChordsPerThread = 32768;

// Culling keeps a wide margin: an element is skipped for a pixel only when
// every line of the pixel passes at least this factor outside a ball that
// holds the unit primitive, far beyond where rounding could make the
// intersection test say anything but "miss".
constexpr double kCullMargin = 1.0 + 1e-6;
// Beyond this distance of the source from the element (in unit space) the
// rounding of the intersection test grows toward that margin: no culling.
constexpr double kMaxCullDistance = 1e4;

// The same products and sums, in the same order, as CMatrix4::Transform4
// and Transform3, so that every value below is bit for bit the one
// CPhantomElement::ChordLength computes.
inline void Transform4(const CMatrix4& m, const CVector4& v, CVector4& r) {
    const double rx = m.m[0][0] * v.x + m.m[0][1] * v.y + m.m[0][2] * v.z + m.m[0][3] * v.w;
    const double ry = m.m[1][0] * v.x + m.m[1][1] * v.y + m.m[1][2] * v.z + m.m[1][3] * v.w;
    const double rz = m.m[2][0] * v.x + m.m[2][1] * v.y + m.m[2][2] * v.z + m.m[2][3] * v.w;
    const double rw = m.m[3][0] * v.x + m.m[3][1] * v.y + m.m[3][2] * v.z + m.m[3][3] * v.w;
    r.x = rx;
    r.y = ry;
    r.z = rz;
    r.w = rw;
}

inline void Transform3(const CMatrix4& m, const CVector4& v, CVector4& r) {
    const double rx = m.m[0][0] * v.x + m.m[0][1] * v.y + m.m[0][2] * v.z + m.m[0][3] * v.w;
    const double ry = m.m[1][0] * v.x + m.m[1][1] * v.y + m.m[1][2] * v.z + m.m[1][3] * v.w;
    const double rz = m.m[2][0] * v.x + m.m[2][1] * v.y + m.m[2][2] * v.z + m.m[2][3] * v.w;
    r.x = rx;
    r.y = ry;
    r.z = rz;
}

bool Finite(const CMatrix4& m) {
    for (const auto& row : m.m)
        for (double e : row)
            if (!std::isfinite(e)) return false;
    return true;
}

// One element as the loop sees it, prepared once per projection.
struct TracedElement {
    enum Kind { primitive, other };

    const CPhantomElement* element;
    Kind kind;
    bool singular;
    CPoint4 sourceUnit;   // m_inverse · P: the part of the ray that is the same for every pixel
    double mu;            // m_mu widened, as the sums below use it
    double muFifth;       // m_mu x 0.2, the five-ray weight
    double miss;          // what a missed element adds: chord 0 through the same formula
    double cullRadius;    // 0: never culled
};

struct Interval {
    int begin, end;  // columns [begin, end) where the element may cut a ray
};

class Tracer {
public:
    Tracer(const CPhantom& phantom, CProjection& projection, int rayMode);

    void TraceRows(std::atomic<int>& nextRow);
    std::size_t ElementCount() const { return m_elements.size(); }

private:
    double Chord(const TracedElement& el, const CDirection4& d) const;
    // Columns of row j where the element may contribute: the union over
    // the row's sample heights of the quadratic's hit interval.
    Interval Columns(const TracedElement& el, const double* rowHeights, int heightCount) const;
    void TraceRow(int j, std::vector<Interval>& intervals) const;

    int m_rayMode;
    CPoint4 m_source;
    CMatrix4 m_toWorld;
    int m_width, m_height;
    double m_du, m_dv;
    float* m_pixels;
    bool m_bCull;
    std::vector<TracedElement> m_elements;
};

Tracer::Tracer(const CPhantom& phantom, CProjection& projection, int rayMode)
    : m_rayMode(rayMode), m_source(projection.GetSource().GetPosition()),
      m_toWorld(projection.GetDetector().GetToWorld()), m_width(projection.GetDetector().GetWidth()),
      m_height(projection.GetDetector().GetHeight()), m_du(1.0 / m_width), m_dv(1.0 / m_height),
      m_pixels(projection.GetPixels()) {
    m_bCull = Finite(m_toWorld) && std::isfinite(m_source.x) && std::isfinite(m_source.y) &&
              std::isfinite(m_source.z) && m_source.w == 1.0;
    for (const auto& owned : phantom.m_elements) {
        const CPhantomElement* e = owned.get();
        if (!e) continue;
        TracedElement el;
        el.element = e;
        // Only the two primitives are known not to override ChordLength.
        const std::type_info& type = typeid(*e);
        const bool ball = type == typeid(CPhantomElementEllipsoid);
        const bool cylinder = type == typeid(CPhantomElementCylinder);
        el.kind = ball || cylinder ? TracedElement::primitive : TracedElement::other;
        el.singular = e->IsSingular();
        Transform4(e->m_inverse.m_matrix, m_source, el.sourceUnit);
        el.mu = e->m_mu;
        el.muFifth = e->m_mu * 0.2;
        el.miss = rayMode == 1 ? el.muFifth * (0.0 + 0.0 + 0.0 + 0.0 + 0.0) : 0.0 * e->m_mu;
        // The unit ball, and the ball of radius sqrt 2 around the unit cylinder.
        el.cullRadius = 0.0;
        const double distance = std::sqrt(el.sourceUnit.x * el.sourceUnit.x + el.sourceUnit.y * el.sourceUnit.y +
                                          el.sourceUnit.z * el.sourceUnit.z);
        // A NaN MU makes even a miss add something: trace every pixel.
        const bool zeroMiss = el.miss == 0.0;
        if (zeroMiss && m_bCull && el.kind == TracedElement::primitive && !el.singular &&
            Finite(e->m_inverse.m_matrix) && std::isfinite(distance) && distance < kMaxCullDistance)
            el.cullRadius = (ball ? 1.0 : std::sqrt(2.0)) * kCullMargin;
        m_elements.push_back(el);
    }
}

// CPhantomElement::ChordLength with the source's transform taken from the
// preparation instead of being redone per pixel.
inline double Tracer::Chord(const TracedElement& el, const CDirection4& d) const {
    if (el.kind == TracedElement::other) return el.element->ChordLength(m_source, d);
    if (el.singular) return 0.0;
    CDirection4 du;
    Transform4(el.element->m_inverse.m_matrix, d, du);
    CPoint4 q1, q2;
    if (!el.element->IntersectUnit(el.sourceUnit, du, q1, q2)) return 0.0;
    CPoint4 w1, w2;
    Transform3(el.element->m_forward.m_matrix, q1, w1);
    Transform3(el.element->m_forward.m_matrix, q2, w2);
    const double dx = w1.x - w2.x, dy = w1.y - w2.y, dz = w1.z - w2.z;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

Interval Tracer::Columns(const TracedElement& el, const double* rowHeights, int heightCount) const {
    const Interval all{0, m_width};
    // A flat element cuts no chord: every ray adds its "miss" term.
    if (el.kind == TracedElement::primitive && el.singular && el.miss == 0.0) return {0, 0};
    if (el.cullRadius == 0.0) return all;
    const CMatrix4& inv = el.element->m_inverse.m_matrix;
    const CMatrix4& m = m_toWorld;
    auto linear = [&inv](double x, double y, double z, double out[3]) {
        for (int r = 0; r < 3; ++r) out[r] = inv.m[r][0] * x + inv.m[r][1] * y + inv.m[r][2] * z;
    };
    auto cross = [](const double a[3], const double b[3], double out[3]) {
        out[0] = a[1] * b[2] - a[2] * b[1];
        out[1] = a[2] * b[0] - a[0] * b[2];
        out[2] = a[0] * b[1] - a[1] * b[0];
    };
    auto dot = [](const double a[3], const double b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; };

    // A ray of row height v and column coordinate u runs from P along
    // D(u) = E(v) + u H, with H the detector's first matrix column; in unit
    // space from P' along E' + u H'. It passes the ball of radius R iff
    // |P' x D'|^2 - R^2 |D'|^2 <= 0, a quadratic A u^2 + B u + C in u.
    const double p[3] = {el.sourceUnit.x, el.sourceUnit.y, el.sourceUnit.z};
    double h[3];
    linear(m.m[0][0], m.m[1][0], m.m[2][0], h);
    double ph[3];
    cross(p, h, ph);
    const double r2 = el.cullRadius * el.cullRadius;
    const double a = dot(ph, ph) - r2 * dot(h, h);
    // A <= 0: the hit set is unbounded along the row (the source sits in
    // or near the ball); trace the whole row.
    if (!(a > 0.0)) return all;

    double lo = HUGE_VAL, hi = -HUGE_VAL;
    for (int k = 0; k < heightCount; ++k) {
        const double v = rowHeights[k];
        double e[3];
        linear(m.m[0][1] * v + m.m[0][3] - m_source.x, m.m[1][1] * v + m.m[1][3] - m_source.y,
               m.m[2][1] * v + m.m[2][3] - m_source.z, e);
        double pe[3];
        cross(p, e, pe);
        const double b = 2.0 * (dot(ph, pe) - r2 * dot(h, e));
        const double c = dot(pe, pe) - r2 * dot(e, e);
        const double disc = b * b - 4.0 * a * c;
        if (!std::isfinite(disc)) return all;
        if (disc < 0.0) continue;  // every ray of this height misses
        const double q = -0.5 * (b + std::copysign(std::sqrt(disc), b));
        double u1 = q / a, u2 = q != 0.0 ? c / q : u1;
        if (u1 > u2) std::swap(u1, u2);
        if (!std::isfinite(u1) || !std::isfinite(u2)) return all;
        lo = std::min(lo, u1);
        hi = std::max(hi, u2);
    }
    if (lo > hi) return {0, 0};
    // Sample u of column i lies in [-0.5 + i du, -0.5 + (i + 1) du]; one
    // column of slack on each side absorbs the rounding of the roots.
    const double first = std::floor((lo + 0.5) / m_du) - 2.0;
    const double last = std::floor((hi + 0.5) / m_du) + 2.0;
    const double begin = std::clamp(first, 0.0, static_cast<double>(m_width));
    const double end = std::clamp(last, 0.0, static_cast<double>(m_width));
    return {static_cast<int>(begin), static_cast<int>(end)};
}

// Flat on purpose: per pixel the sample directions are made once, then
// the elements are summed in list order into one float, the pixel's own
// serial order. A culled element adds its "miss" term like a traced miss.
void Tracer::TraceRow(int j, std::vector<Interval>& intervals) const {
    const double du = m_du, dv = m_dv;
    const CMatrix4& m = m_toWorld;
    const double vCentre = 0.5 - (j + 0.5) * dv;
    const double y0 = 0.5 - j * dv;
    const double vUpper = y0 - 0.25 * dv, vLower = y0 - 0.75 * dv;
    const double heights[3] = {vCentre, vUpper, vLower};
    const int heightCount = m_rayMode == 1 ? 3 : 1;
    for (std::size_t k = 0; k < m_elements.size(); ++k)
        intervals[k] = Columns(m_elements[k], heights, heightCount);

    float* row = m_pixels + static_cast<std::size_t>(j) * static_cast<std::size_t>(m_width);
    const std::size_t count = m_elements.size();
    CDirection4 d[5];
    for (int i = 0; i < m_width; ++i) {
        // Sample points as the serial order has them: centre, then the
        // quarter centres (+H-V/upper, -H/upper, -H/lower, +H/lower).
        const double uCentre = -0.5 + (i + 0.5) * du;
        const int samples = m_rayMode == 1 ? 5 : 1;
        double su[5] = {uCentre, 0, 0, 0, 0}, sv[5] = {vCentre, 0, 0, 0, 0};
        if (samples == 5) {
            const double x0 = -0.5 + i * du;
            const double uRight = x0 + 0.75 * du, uLeft = x0 + 0.25 * du;
            su[1] = uRight, sv[1] = vUpper;
            su[2] = uLeft, sv[2] = vUpper;
            su[3] = uLeft, sv[3] = vLower;
            su[4] = uRight, sv[4] = vLower;
        }
        for (int s = 0; s < samples; ++s) {
            CPoint4 q;
            Transform3(m, CPoint4(su[s], sv[s], 0.0), q);
            d[s] = CDirection4(q.x - m_source.x, q.y - m_source.y, q.z - m_source.z);
        }

        float acc = row[i];
        // A culled element adds its "miss" term, 0.0 x MU = +-0. That changes
        // no value unless the pixel starts as -0 or a NaN (only then can a
        // sum be -0 or a NaN whose bits a conversion would alter), so
        // culled elements are skipped, except on that rare path.
        const bool exact = (acc == 0.0f && std::signbit(acc)) || acc != acc;
        for (std::size_t k = 0; k < count; ++k) {
            const TracedElement& el = m_elements[k];
            if (i < intervals[k].begin || i >= intervals[k].end) {
                if (exact) acc = static_cast<float>(acc + el.miss);
                continue;
            }
            if (samples == 1) {
                acc = static_cast<float>(acc + Chord(el, d[0]) * el.mu);
            } else {
                const double sum =
                    Chord(el, d[0]) + Chord(el, d[1]) + Chord(el, d[2]) + Chord(el, d[3]) + Chord(el, d[4]);
                acc = static_cast<float>(acc + el.muFifth * sum);
            }
        }
        row[i] = acc;
    }
}

void Tracer::TraceRows(std::atomic<int>& nextRow) {
    std::vector<Interval> intervals(m_elements.size());
    for (int j = nextRow.fetch_add(1, std::memory_order_relaxed); j < m_height;
         j = nextRow.fetch_add(1, std::memory_order_relaxed))
        TraceRow(j, intervals);
}

}  // namespace

bool TraceProjection(const CPhantom& phantom, CProjection& projection, int rayMode, unsigned threads) {
    const CDetector& detector = projection.GetDetector();
    if (!projection.HasPixels() || detector.GetWidth() <= 0 || detector.GetHeight() <= 0 ||
        projection.GetWidth() != static_cast<std::uint32_t>(detector.GetWidth()) ||
        projection.GetHeight() != static_cast<std::uint32_t>(detector.GetHeight()))
        return false;
    if (rayMode != 0 && rayMode != 1) return true;  // adds nothing

    Tracer tracer(phantom, projection, rayMode);
    if (tracer.ElementCount() == 0) return true;
    const double chords = static_cast<double>(projection.GetPixelCount()) * static_cast<double>(tracer.ElementCount()) *
                          (rayMode == 1 ? 5.0 : 1.0);
    const double useful = std::max(1.0, std::floor(chords / kMinChordsPerThread));
    const unsigned n = static_cast<unsigned>(std::min<double>(
        {static_cast<double>(std::max(1u, threads)), useful, static_cast<double>(detector.GetHeight())}));

    std::atomic<int> nextRow{0};
    std::vector<std::thread> workers;
    try {
        workers.reserve(n - 1);
        for (unsigned t = 1; t < n; ++t) workers.emplace_back([&tracer, &nextRow] { tracer.TraceRows(nextRow); });
    } catch (const std::exception&) {
        // Fewer threads than asked for: the rows are shared among those
        // that started, the result is the same.
    }
    tracer.TraceRows(nextRow);
    for (std::thread& w : workers) w.join();
    return true;
}

}  // namespace voxmill
