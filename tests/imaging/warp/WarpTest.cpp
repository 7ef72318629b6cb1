// The image warps: whole-pixel shifts with their limits, the rotation's
// grid, inside test and interpolation, the clockwise direction, the radial
// distortion against its formula, and what none of them may change.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <vector>

#include "imaging/Surface.h"
#include "imaging/Warp.h"
#include "imaging/WarpValues.h"
#include "tests/common/AllocationGuard.h"

namespace voxmill {
namespace {

// An image of w x h pixels covering dimX x dimY whose pixel (c, r) holds
// value(x, y) at its centre.
std::unique_ptr<CSurface> Image(std::uint32_t w, std::uint32_t h, double dimX, double dimY,
                                const std::function<double(double, double)>& value) {
    auto s = std::make_unique<CSurface>();
    EXPECT_TRUE(s->Create(dimX, dimY, w, h));
    for (std::uint32_t r = 0; r < h; ++r)
        for (std::uint32_t c = 0; c < w; ++c)
            s->GetPixels()[r * w + c] =
                static_cast<float>(value(s->GetFirstX() + c * s->GetPitchX(), s->GetLastY() - r * s->GetPitchY()));
    return s;
}

std::unique_ptr<CSurface> Values(std::uint32_t w, std::uint32_t h, const std::vector<float>& pixels) {
    auto s = std::make_unique<CSurface>();
    EXPECT_TRUE(s->Create(w, h, w, h));
    std::copy(pixels.begin(), pixels.end(), s->GetPixels());
    return s;
}

std::vector<float> Pixels(const CSurface& s) { return {s.GetPixels(), s.GetPixels() + s.GetPixelCount()}; }

// Distinct values, none of them 0.
std::unique_ptr<CSurface> Numbered(std::uint32_t w, std::uint32_t h, double dim) {
    auto s = std::make_unique<CSurface>();
    EXPECT_TRUE(s->Create(dim, dim, w, h));
    for (std::size_t k = 0; k < s->GetPixelCount(); ++k) s->GetPixels()[k] = 1.0f + static_cast<float>(k);
    return s;
}

double Blob(double x, double y, double x0 = 0.0, double y0 = 0.0, double width = 1.5) {
    return std::exp(-((x - x0) * (x - x0) + (y - y0) * (y - y0)) / (2 * width * width));
}

bool SameBits(const std::vector<float>& a, const std::vector<float>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

// --- Shift ----------------------------------------------------------------

TEST(Shift, MovesRightAndUpByWholePixels) {
    auto row = Values(3, 1, {1, 2, 3});
    Shift(*row, 1, 0);
    EXPECT_EQ(Pixels(*row), (std::vector<float>{0, 1, 2}));
    auto left = Values(3, 1, {1, 2, 3});
    Shift(*left, -1, 0);
    EXPECT_EQ(Pixels(*left), (std::vector<float>{2, 3, 0}));

    // A column [a; b; c]: up by one gives [b; c; 0], down by one [0; a; b].
    auto up = Values(1, 3, {1, 2, 3});
    Shift(*up, 0, 1);
    EXPECT_EQ(Pixels(*up), (std::vector<float>{2, 3, 0}));
    auto down = Values(1, 3, {1, 2, 3});
    Shift(*down, 0, -1);
    EXPECT_EQ(Pixels(*down), (std::vector<float>{0, 1, 2}));

    auto both = Values(3, 3, {1, 2, 3, 4, 5, 6, 7, 8, 9});
    Shift(*both, 1, 1);
    EXPECT_EQ(Pixels(*both), (std::vector<float>{0, 4, 5, 0, 7, 8, 0, 0, 0}));
}

TEST(Shift, ASizeClearsTheImageAndMoreChangesNothing) {
    auto whole = Values(3, 2, {1, 2, 3, 4, 5, 6});
    Shift(*whole, 3, 0);
    EXPECT_EQ(Pixels(*whole), std::vector<float>(6, 0.0f));
    auto wholeUp = Values(3, 2, {1, 2, 3, 4, 5, 6});
    Shift(*wholeUp, 0, -2);
    EXPECT_EQ(Pixels(*wholeUp), std::vector<float>(6, 0.0f));

    const std::vector<float> start{1, 2, 3, 4, 5, 6};
    for (auto [dx, dy] : {std::pair{4, 0}, {-4, 0}, {0, 3}, {0, -3}, {std::numeric_limits<std::int32_t>::min(), 0},
                          {0, std::numeric_limits<std::int32_t>::max()}}) {
        auto image = Values(3, 2, start);
        Shift(*image, dx, dy);
        EXPECT_EQ(Pixels(*image), start) << dx << ", " << dy;
    }
}

// --- Rotate ---------------------------------------------------------------

TEST(Rotate, ZeroDegreesKeepsTheInsideExactlyAndClearsTheBorder) {
    auto image = Numbered(4, 4, 4.0);
    const std::vector<float> before = Pixels(*image);
    Rotate(*image, 0.0);
    for (std::uint32_t r = 0; r < 4; ++r)
        for (std::uint32_t c = 0; c < 4; ++c) {
            const bool inner = r >= 1 && r <= 2 && c >= 1 && c <= 2;
            EXPECT_EQ(image->GetPixel(c, r), inner ? before[r * 4 + c] : 0.0f) << r << ", " << c;
        }
}

TEST(Rotate, NinetyDegreesBringsTheRightEdgesNeighbourUnderTheTop) {
    const std::uint32_t n = 7;
    auto image = Numbered(n, n, 7.0);
    const std::vector<float> before = Pixels(*image);
    Rotate(*image, 90.0);
    // Counter-clockwise by a quarter turn: output (r, c) = input (row c,
    // column n - 1 - r); so row 1 holds the column next to the right edge.
    auto turned = [&](std::uint32_t r, std::uint32_t c) { return before[c * n + (n - 1 - r)]; };
    for (std::uint32_t c = 1; c + 1 < n; ++c) EXPECT_NEAR(image->GetPixel(c, 1), before[c * n + (n - 2)], 1e-4) << c;
    for (std::uint32_t r = 1; r + 1 < n; ++r)
        for (std::uint32_t c = 1; c + 1 < n; ++c) EXPECT_NEAR(image->GetPixel(c, r), turned(r, c), 1e-4) << r << ", " << c;
    // The outer ring maps onto the input's outer pixel centres, where the
    // strict test decides: with pi rounded to 3.14159265359 the cosine is
    // -1.04e-13, which lets one half of each edge in (with the value the
    // turn brings there) and keeps the other half 0.
    std::size_t zeros = 0, ring = 0;
    for (std::uint32_t r = 0; r < n; ++r)
        for (std::uint32_t c = 0; c < n; ++c) {
            if (r != 0 && c != 0 && r != n - 1 && c != n - 1) continue;
            ++ring;
            const float v = image->GetPixel(c, r);
            if (v == 0.0f) ++zeros;
            else EXPECT_NEAR(v, turned(r, c), 1e-4) << r << ", " << c;
        }
    EXPECT_GE(zeros, ring / 2);
    EXPECT_EQ(image->GetPixel(3, 0), 0.0f);  // the middle of the top row
}

TEST(Rotate, BlendsTheFourNeighboursBilinearly) {
    // A plane a + b x + c y is reproduced exactly by a bilinear blend, so a
    // turned plane must read the plane at the turned point.
    auto plane = [](double x, double y) { return 2.0 + 0.5 * x - 0.25 * y; };
    auto image = Image(9, 9, 9.0, 9.0, plane);
    Rotate(*image, 30.0);
    const double theta = 3.14159265359 * 30.0 * 0.005555555555555556;
    const double c = static_cast<float>(std::cos(theta)), s = static_cast<float>(std::sin(theta));
    for (std::uint32_t r = 2; r < 7; ++r)
        for (std::uint32_t col = 2; col < 7; ++col) {
            const double x = image->GetFirstX() + col, y = image->GetLastY() - r;
            EXPECT_NEAR(image->GetPixel(col, r), plane(c * x + s * y, c * y - s * x), 1e-5) << r << ", " << col;
        }
}

TEST(Rotate, ClockwiseByThetaIsCounterClockwiseBy360MinusTheta) {
    for (double theta : {30.0, 90.0, 137.5}) {
        // Narrow enough to be 0 at every edge, where the two directions'
        // rounded cosines decide the strict test differently.
        auto cw = Image(16, 16, 16.0, 16.0, [](double x, double y) { return Blob(x, y, 2.5, -1.0, 1.0); });
        auto ccw = Image(16, 16, 16.0, 16.0, [](double x, double y) { return Blob(x, y, 2.5, -1.0, 1.0); });
        WarpValues values;
        values.rotateEnabled = true;
        values.angle = static_cast<float>(theta);
        values.direction = WarpValues::kClockwise;
        values.Apply(*cw);
        Rotate(*ccw, 360.0 - theta);
        for (std::size_t k = 0; k < cw->GetPixelCount(); ++k)
            ASSERT_NEAR(cw->GetPixels()[k], ccw->GetPixels()[k], 1e-5) << theta << " at " << k;
    }
    // And it is the other way round from counter-clockwise: the blob right
    // of the centre goes down, not up.
    auto cw = Image(16, 16, 16.0, 16.0, [](double x, double y) { return Blob(x, y, 4.0, 0.0); });
    Rotate(*cw, -90.0);
    const double below = cw->GetPixel(8, 12), above = cw->GetPixel(8, 4);
    EXPECT_GT(below, 0.5);
    EXPECT_LT(above, 0.01);
}

// --- Spherize --------------------------------------------------------------

TEST(Spherize, AmountZeroOrNoAxisLeavesEveryBit) {
    auto image = Image(8, 6, 4.0, 3.0, [](double x, double y) { return Blob(x, y) - 0.3; });
    const std::vector<float> before = Pixels(*image);
    Spherize(*image, 0, true, true);
    EXPECT_TRUE(SameBits(Pixels(*image), before));
    Spherize(*image, 80, false, false);
    EXPECT_TRUE(SameBits(Pixels(*image), before));
}

TEST(Spherize, SamplesWhereTheFormulaSays) {
    // Each pixel of this ramp holds its own x (or y), so after the warp it
    // holds the coordinate it was sampled from: x (1 + k r^2).
    struct Case {
        bool alongX, alongY;
        std::int32_t amount;
    };
    const double dimX = 6.0, dimY = 4.0;
    for (const Case& cs : {Case{true, true, 60}, Case{true, false, 100}, Case{false, true, 45}, Case{true, true, -30}}) {
        const double k = SpherizeCoefficient(cs.amount);
        const double r2Max = (cs.alongX ? 9.0 : 0.0) + (cs.alongY ? 4.0 : 0.0);
        for (bool rampOfX : {true, false}) {
            auto image = Image(13, 9, dimX, dimY, [rampOfX](double x, double y) { return rampOfX ? x : y; });
            Spherize(*image, cs.amount, cs.alongX, cs.alongY);
            for (std::uint32_t r = 0; r < 9; ++r)
                for (std::uint32_t c = 0; c < 13; ++c) {
                    const double x = image->GetFirstX() + c * image->GetPitchX();
                    const double y = image->GetLastY() - r * image->GetPitchY();
                    const double f = 1.0 + k * ((cs.alongX ? x * x : 0.0) + (cs.alongY ? y * y : 0.0)) / r2Max;
                    const double xs = cs.alongX ? x * f : x, ys = cs.alongY ? y * f : y;
                    const bool inside = std::abs(xs) <= image->GetLastX() + 1e-9 &&
                                        std::abs(ys) <= image->GetLastY() + 1e-9;
                    const double expected = inside ? (rampOfX ? xs : ys) : 0.0;
                    ASSERT_NEAR(image->GetPixel(c, r), expected, 1e-5)
                        << "amount " << cs.amount << " X " << cs.alongX << " Y " << cs.alongY << " at " << r << ", "
                        << c;
                }
        }
    }
}

TEST(Spherize, MovesASpotToTheRadiusTheFormulaGives) {
    // A spot at x0 on the X axis appears where x (1 + k x^2 / R^2) = x0.
    const double x0 = 8.0, dim = 24.5;  // 49 pixels of 0.5: row 24 is the X axis
    const std::int32_t amount = 100;
    auto image = Image(49, 49, dim, dim, [x0](double x, double y) { return Blob(x, y, x0, 0.0, 1.0); });
    Spherize(*image, amount, true, true);
    const double k = SpherizeCoefficient(amount), r2Max = 2 * (dim / 2) * (dim / 2);
    double x = x0;
    for (int i = 0; i < 50; ++i) x -= (x * (1 + k * x * x / r2Max) - x0) / (1 + 3 * k * x * x / r2Max);
    EXPECT_GT(x, x0 + image->GetPitchX());  // the bulge pushed it out by more than a pixel

    // The peak of the axis row, to a fraction of a pixel by a parabola
    // through the largest sample and its neighbours.
    const std::uint32_t row = 24;
    std::uint32_t best = 1;
    for (std::uint32_t c = 1; c + 1 < 49; ++c)
        if (image->GetPixel(c, row) > image->GetPixel(best, row)) best = c;
    const double l = image->GetPixel(best - 1, row), m = image->GetPixel(best, row), r = image->GetPixel(best + 1, row);
    const double peak = image->GetFirstX() + (best + 0.5 * (l - r) / (l - 2 * m + r)) * image->GetPitchX();
    EXPECT_NEAR(peak, x, 0.1 * image->GetPitchX());
    // Off the axis nothing moved up or down: the column through the peak
    // is symmetric about the axis row.
    EXPECT_NEAR(image->GetPixel(best, row - 3), image->GetPixel(best, row + 3), 1e-6);
}

TEST(Spherize, KeepsTheCentrePixelAndTheBorderOfAConstant) {
    auto image = Numbered(9, 7, 9.0);
    const float centre = image->GetPixel(4, 3);
    Spherize(*image, 70, true, true);
    EXPECT_EQ(image->GetPixel(4, 3), centre);

    // A bulge samples inside the image everywhere, so a constant stays
    // constant to its last row and column.
    for (auto [x, y] : {std::pair{true, true}, {true, false}, {false, true}}) {
        auto flat = Image(10, 6, 5.0, 3.0, [](double, double) { return 2.5; });
        Spherize(*flat, 100, x, y);
        for (float v : Pixels(*flat)) ASSERT_NEAR(v, 2.5f, 1e-6);
    }
    // A pinch samples beyond the corners, which read 0.
    auto pinched = Image(10, 10, 5.0, 5.0, [](double, double) { return 1.0; });
    Spherize(*pinched, -100, true, true);
    EXPECT_EQ(pinched->GetPixel(0, 0), 0.0f);
    EXPECT_NEAR(pinched->GetPixel(5, 5), 1.0f, 1e-6);
}

// --- What no warp changes -----------------------------------------------------

TEST(Warps, LeaveTheRangeAndImagelessDocumentsAlone) {
    auto image = Numbered(6, 6, 3.0);
    image->SetValueRange(-7.0f, 9.0f);
    Shift(*image, 2, -1);
    Rotate(*image, 45.0);
    Spherize(*image, 50, true, true);
    EXPECT_EQ(image->GetMinValue(), -7.0f);
    EXPECT_EQ(image->GetMaxValue(), 9.0f);

    CSurface empty;
    Shift(empty, 1, 1);
    Rotate(empty, 10.0);
    Spherize(empty, 10, true, true);
    EXPECT_FALSE(empty.HasPixels());
}

TEST(Warps, WithoutScratchMemoryTheImageStaysAsItWas) {
    auto image = Numbered(64, 64, 4.0);
    const std::vector<float> before = Pixels(*image);
    {
        test::AllocationLimit limit(1024);
        Shift(*image, 3, 3);
        Rotate(*image, 10.0);
        Spherize(*image, 40, true, true);
        EXPECT_EQ(limit.Refused(), 3u);
    }
    EXPECT_TRUE(SameBits(Pixels(*image), before));
}

TEST(WarpValues, ChecksEveryFieldAndAppliesInOrder) {
    WarpValues values;
    EXPECT_EQ(values.Problem(), "");
    EXPECT_FALSE(values.AnyEnabled());
    auto bad = [](auto change) {
        WarpValues v;
        change(v);
        return !v.Problem().empty();
    };
    EXPECT_TRUE(bad([](WarpValues& v) { v.angle = 400.0f; }));
    EXPECT_TRUE(bad([](WarpValues& v) { v.angle = -0.5f; }));
    EXPECT_TRUE(bad([](WarpValues& v) { v.angle = std::numeric_limits<float>::quiet_NaN(); }));
    EXPECT_TRUE(bad([](WarpValues& v) { v.shiftX = 301; }));
    EXPECT_TRUE(bad([](WarpValues& v) { v.shiftY = -301; }));
    EXPECT_TRUE(bad([](WarpValues& v) { v.amount = 101; }));
    EXPECT_TRUE(bad([](WarpValues& v) { v.direction = 2; }));
    EXPECT_FALSE(bad([](WarpValues& v) { v.angle = 360.0f, v.shiftX = -300, v.amount = -100; }));

    // Shift, then rotate, then spherize: the same bits as by hand.
    WarpValues all;
    all.shiftEnabled = all.rotateEnabled = all.spherizeEnabled = true;
    all.shiftX = 2;
    all.shiftY = -1;
    all.angle = 20.0f;
    all.amount = 35;
    all.spherizeY = false;
    auto byValues = Image(12, 12, 6.0, 6.0, [](double x, double y) { return Blob(x, y, 1.0, 0.5); });
    auto byHand = Image(12, 12, 6.0, 6.0, [](double x, double y) { return Blob(x, y, 1.0, 0.5); });
    all.Apply(*byValues);
    Shift(*byHand, 2, -1);
    Rotate(*byHand, 20.0);
    Spherize(*byHand, 35, true, false);
    EXPECT_TRUE(SameBits(Pixels(*byValues), Pixels(*byHand)));
}

}  // namespace
}  // namespace voxmill
