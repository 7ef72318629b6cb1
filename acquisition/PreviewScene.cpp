#include "acquisition/PreviewScene.h"

#include "acquisition/GeometryValues.h"

namespace voxmill {

PreviewScene PreviewScene::Make(const DetectorPageValues& detectorValues, const SourcePathValues& path) {
    const double ds = path.sourceAxisDistance, dd = path.axisDetectorDistance;
    const float x = static_cast<float>(detectorValues.dimX / 2), y = static_cast<float>(detectorValues.dimY / 2);
    const float zSource = static_cast<float>(ds), zDetector = static_cast<float>(-dd), fds = static_cast<float>(ds);

    PreviewScene scene;
    scene.center = {0, 0, 0};
    scene.eye = {static_cast<float>(dd + ds), static_cast<float>(ds / 2), static_cast<float>(ds / 2)};
    scene.axes = {{{{0, 0, zDetector}, {0, 0, zSource}}, {{0, 0, 0}, {0, fds, 0}}, {{0, 0, 0}, {fds, 0, 0}}}};
    scene.detector = {{{-x, -y, zDetector}, {-x, y, zDetector}, {x, y, zDetector}, {x, -y, zDetector}}};
    scene.source = {0, 0, zSource};
    scene.sourceRadius = static_cast<float>(0.05 * ds);
    for (std::size_t k = 0; k < scene.rays.size(); ++k) scene.rays[k] = {scene.source, scene.detector[k]};
    return scene;
}

}  // namespace voxmill
