#include "imaging/Warp.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <new>

#include "imaging/Surface.h"

namespace voxmill {
namespace {

// The angle conversion keeps the rounded constants the stored results
// were made with.
constexpr double kPi = 3.14159265359;
constexpr double kOneOver180 = 0.005555555555555556;
constexpr double kSpherizeScale = 300.0;
// In pixels: far below any displacement a spherize makes.
constexpr double kEdgeSlack = 1e-9;

std::unique_ptr<float[]> ZeroScratch(std::size_t count) {
    return std::unique_ptr<float[]>(new (std::nothrow) float[count]());
}

// The image grid in the form the samplers read it.
struct Grid {
    const float* pixels;
    std::uint32_t width, height;
    double firstX, lastX, firstY, lastY, pitchX, pitchY;

    explicit Grid(const CSurface& image)
        : pixels(image.GetPixels()), width(image.GetWidth()), height(image.GetHeight()), firstX(image.GetFirstX()),
          lastX(image.GetLastX()), firstY(image.GetFirstY()), lastY(image.GetLastY()), pitchX(image.GetPitchX()),
          pitchY(image.GetPitchY()) {}

    double At(std::uint32_t column, std::uint32_t row) const {
        return pixels[static_cast<std::size_t>(row) * width + column];
    }
};

// Every output pixel centre (x to the right, y up) asks `sample` for its
// value; the results replace the pixels at the end, so samples always read
// the unwarped image.
template <class Sample>
void Resample(CSurface& image, Sample sample) {
    if (!image.HasPixels()) return;
    const std::size_t count = image.GetPixelCount();
    std::unique_ptr<float[]> out = ZeroScratch(count);
    if (!out) return;
    const Grid grid(image);
    for (std::uint32_t r = 0; r < grid.height; ++r) {
        const double y = grid.lastY - r * grid.pitchY;
        float* row = out.get() + static_cast<std::size_t>(r) * grid.width;
        for (std::uint32_t c = 0; c < grid.width; ++c) row[c] = sample(grid, grid.firstX + c * grid.pitchX, y);
    }
    std::copy(out.get(), out.get() + count, image.GetPixels());
}

// The rotation's sampler: strict inside test, corner mean in the last row
// or column, bilinear with the corner coordinates otherwise.
float SampleStrict(const Grid& g, double xs, double ys) {
    if (!(g.firstX < xs && xs < g.lastX && g.firstY < ys && ys < g.lastY)) return 0.0f;
    // The strict test keeps both indices below the last one in exact
    // arithmetic; rounding can only reach it, never pass it.
    const std::uint32_t i0 = std::min(static_cast<std::uint32_t>((xs - g.firstX) / g.pitchX), g.width - 1);
    const std::uint32_t j0 = std::min(static_cast<std::uint32_t>((g.lastY - ys) / g.pitchY), g.height - 1);
    const std::uint32_t i1 = i0 == g.width - 1 ? i0 : i0 + 1;
    const std::uint32_t j1 = j0 == g.height - 1 ? j0 : j0 + 1;
    const double q00 = g.At(i0, j0), q10 = g.At(i1, j0), q01 = g.At(i0, j1), q11 = g.At(i1, j1);
    if (i1 == i0 || j1 == j0) return static_cast<float>((q00 + q01 + q11 + q10) / 4.0);
    const double x0 = i0 * g.pitchX + g.firstX, x1 = i1 * g.pitchX + g.firstX;
    const double y0 = g.lastY - j0 * g.pitchY, y1 = g.lastY - j1 * g.pitchY;
    return static_cast<float>((q00 * (x1 - xs) * (y1 - ys) + q10 * (xs - x0) * (y1 - ys) +
                               q01 * (x1 - xs) * (ys - y0) + q11 * (xs - x0) * (ys - y0)) /
                              ((x1 - x0) * (y1 - y0)));
}

// The spherize sampler: every point between the outer pixel centres,
// edges included, is a bilinear blend, so a pixel that stays where it was
// keeps its value (the border too).
float SampleInclusive(const Grid& g, double xs, double ys) {
    // Fractional column and row. A pixel centre recomputed from its index
    // may land a rounding error outside the outer centres: still inside.
    double u = (xs - g.firstX) / g.pitchX;
    double v = (g.lastY - ys) / g.pitchY;
    if (!(u >= -kEdgeSlack && u <= g.width - 1.0 + kEdgeSlack && v >= -kEdgeSlack && v <= g.height - 1.0 + kEdgeSlack))
        return 0.0f;
    u = std::clamp(u, 0.0, g.width - 1.0);
    v = std::clamp(v, 0.0, g.height - 1.0);
    const std::uint32_t i0 = std::min(static_cast<std::uint32_t>(u), g.width > 1 ? g.width - 2 : 0u);
    const std::uint32_t j0 = std::min(static_cast<std::uint32_t>(v), g.height > 1 ? g.height - 2 : 0u);
    const std::uint32_t i1 = std::min(i0 + 1, g.width - 1);
    const std::uint32_t j1 = std::min(j0 + 1, g.height - 1);
    const double fx = u - i0, fy = v - j0;
    return static_cast<float>(g.At(i0, j0) * (1.0 - fx) * (1.0 - fy) + g.At(i1, j0) * fx * (1.0 - fy) +
                              g.At(i0, j1) * (1.0 - fx) * fy + g.At(i1, j1) * fx * fy);
}

}  // namespace

void Shift(CSurface& image, std::int32_t dx, std::int32_t dy) {
    if (!image.HasPixels()) return;
    const std::int64_t width = image.GetWidth(), height = image.GetHeight();
    // 64 bits: the magnitude of INT32_MIN does not fit an int32.
    if (std::llabs(dx) > width || std::llabs(dy) > height) return;
    const std::size_t count = image.GetPixelCount();
    std::unique_ptr<float[]> out = ZeroScratch(count);
    if (!out) return;
    const float* in = image.GetPixels();
    // Output columns whose source column c - dx lies inside.
    const std::int64_t c0 = std::max<std::int64_t>(0, dx), c1 = std::min<std::int64_t>(width, width + dx);
    for (std::int64_t r = 0; r < height; ++r) {
        const std::int64_t source = r + dy;
        if (source < 0 || source >= height || c0 >= c1) continue;
        std::copy(in + source * width + (c0 - dx), in + source * width + (c1 - dx), out.get() + r * width + c0);
    }
    std::copy(out.get(), out.get() + count, image.GetPixels());
}

void Rotate(CSurface& image, double degrees) {
    const double theta = kPi * degrees * kOneOver180;
    const double c = static_cast<float>(std::cos(theta));
    const double s = static_cast<float>(std::sin(theta));
    Resample(image, [c, s](const Grid& g, double x, double y) { return SampleStrict(g, c * x + s * y, c * y - s * x); });
}

double SpherizeCoefficient(std::int32_t amount) { return -static_cast<double>(amount) / kSpherizeScale; }

void Spherize(CSurface& image, std::int32_t amount, bool alongX, bool alongY) {
    if (amount == 0 || (!alongX && !alongY) || !image.HasPixels()) return;
    const double k = SpherizeCoefficient(amount);
    const double halfX = image.GetDimX() / 2.0, halfY = image.GetDimY() / 2.0;
    const double r2Max = (alongX ? halfX * halfX : 0.0) + (alongY ? halfY * halfY : 0.0);
    Resample(image, [=](const Grid& g, double x, double y) {
        const double r2 = ((alongX ? x * x : 0.0) + (alongY ? y * y : 0.0)) / r2Max;
        const double f = 1.0 + k * r2;
        return SampleInclusive(g, alongX ? x * f : x, alongY ? y * f : y);
    });
}

}  // namespace voxmill
