// Times each warp on a 1024 x 1024 projection (the shift, a 30 degree
// rotation, a spherize along both axes) and prints millions of output
// pixels per second, best of several passes. Each pass warps a fresh copy,
// so every pass does the same work.
//
// Usage: bench_warp [passes]   (default 10)
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "imaging/Surface.h"
#include "imaging/Warp.h"

namespace {

constexpr std::uint32_t kSide = 1024;

void FillSmooth(voxmill::CSurface& image) {
    for (std::uint32_t r = 0; r < kSide; ++r)
        for (std::uint32_t c = 0; c < kSide; ++c)
            image.GetPixels()[std::size_t(r) * kSide + c] = static_cast<float>(std::sin(0.01 * c) * std::cos(0.013 * r));
}

double BestSeconds(int passes, const std::vector<float>& source, const std::function<void(voxmill::CSurface&)>& warp) {
    voxmill::CSurface image;
    image.Create(4.0, 4.0, kSide, kSide);
    double best = 1e30;
    for (int p = 0; p < passes; ++p) {
        std::copy(source.begin(), source.end(), image.GetPixels());
        const auto t0 = std::chrono::steady_clock::now();
        warp(image);
        const std::chrono::duration<double> dt = std::chrono::steady_clock::now() - t0;
        best = std::min(best, dt.count());
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    const int passes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    voxmill::CSurface image;
    if (!image.Create(4.0, 4.0, kSide, kSide)) return 1;
    FillSmooth(image);
    const std::vector<float> source(image.GetPixels(), image.GetPixels() + image.GetPixelCount());
    const struct {
        const char* name;
        std::function<void(voxmill::CSurface&)> warp;
    } cases[] = {
        {"shift (12, -7)", [](voxmill::CSurface& s) { voxmill::Shift(s, 12, -7); }},
        {"rotate 30 degrees", [](voxmill::CSurface& s) { voxmill::Rotate(s, 30.0); }},
        {"spherize 60, both axes", [](voxmill::CSurface& s) { voxmill::Spherize(s, 60, true, true); }},
    };
    std::printf("%u x %u pixels, best of %d passes\n", kSide, kSide, passes);
    for (const auto& c : cases) {
        const double seconds = BestSeconds(passes, source, c.warp);
        std::printf("  %-24s %8.2f ms  %8.1f Mpixel/s\n", c.name, seconds * 1e3, kSide * double(kSide) / seconds / 1e6);
    }
    return 0;
}
