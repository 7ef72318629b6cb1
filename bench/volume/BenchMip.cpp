// Frames per second of the maximum-intensity projection: a volume of N^3
// voxels (default 256) holding nested balls, drawn in a W x W pane
// (default 512) at full sampling and at the reduced sampling used while
// the view turns, each frame at a new angle and waited for.
//   xvfb-run -a -s "-screen 0 1280x1024x24" bench_mip [N] [W] [frames]
#include <QApplication>
#include <QOpenGLContext>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "reconstruction/Volume.h"
#include "reconstruction/ui/VolumeMipView.h"

using namespace voxmill;

namespace {

void FillBalls(CVolume& volume) {
    const std::uint32_t n = volume.GetCountX();
    for (std::uint32_t k = 0; k < n; ++k)
        for (std::uint32_t j = 0; j < n; ++j)
            for (std::uint32_t i = 0; i < n; ++i) {
                const double x = (i + 0.5) / n - 0.5, y = (j + 0.5) / n - 0.5, z = (k + 0.5) / n - 0.5;
                const double r = std::sqrt(x * x + y * y + z * z);
                volume.Voxel(i, j, k) = r < 0.45 ? static_cast<float>(1.0 + (r < 0.2) + 0.1 * std::sin(40 * x)) : 0.0f;
            }
}

double FramesPerSecond(CVolumeMipView& view, bool coarse, int frames) {
    MipCamera camera;
    view.RenderNow(coarse);  // texture upload and shader warm-up
    const auto start = std::chrono::steady_clock::now();
    for (int f = 0; f < frames; ++f) {
        camera.yaw = 7.0 * (f + 1);
        camera.pitch = 3.0 * (f + 1);
        view.SetCamera(camera);
        view.RenderNow(coarse);
    }
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    return frames / seconds.count();
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const std::uint32_t n = argc > 1 ? static_cast<std::uint32_t>(std::atoi(argv[1])) : 256;
    const int w = argc > 2 ? std::atoi(argv[2]) : 512;
    const int frames = argc > 3 ? std::atoi(argv[3]) : 10;
    CVolume volume;
    if (n == 0 || w <= 0 || frames <= 0 || !volume.Allocate(2, 2, 2, n, n, n)) {
        std::fprintf(stderr, "bench_mip: cannot make a %u^3 volume\n", n);
        return 1;
    }
    FillBalls(volume);
    CVolumeMipView view;
    view.resize(w, w);
    view.show();
    view.SetVolume(&volume);
    view.SetGreyWindow(0.0f, 2.1f);
    QApplication::processEvents();
    if (!view.context() || !view.context()->isValid()) {
        std::fprintf(stderr, "bench_mip: no OpenGL context\n");
        return 1;
    }
    view.RenderNow(false);
    if (!view.IsReady()) {
        std::fprintf(stderr, "bench_mip: the projection could not be drawn\n");
        return 1;
    }
    view.makeCurrent();
    const char* renderer = reinterpret_cast<const char*>(view.context()->functions()->glGetString(GL_RENDERER));
    std::printf("renderer: %s\n", renderer ? renderer : "?");
    view.doneCurrent();
    std::printf("volume %u^3, pane %d x %d, texture factor %u\n", n, w, w, view.TextureFactor());
    const double fine = FramesPerSecond(view, false, frames);
    const double coarse = FramesPerSecond(view, true, frames);
    std::printf("full sampling:    %.2f frames/s\n", fine);
    std::printf("while turning:    %.2f frames/s\n", coarse);
    return 0;
}
