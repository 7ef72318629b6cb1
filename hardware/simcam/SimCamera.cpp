#include "hardware/simcam/SimCamera.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "acquisition/CircularOrbit.h"
#include "acquisition/Projection.h"
#include "acquisition/ProjectionTracer.h"
#include "acquisition/ProjectorOptions.h"
#include "phantom/Phantom.h"

namespace voxmill::simcam {

void LogCall(const std::string& line) {
    const char* path = std::getenv("VOXMILL_SIMCAM_LOG");
    if (!path || !*path) return;
    const int fd = ::open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return;
    const std::string text = line + "\n";
    // One write per line keeps lines whole when several libraries append.
    [[maybe_unused]] const ssize_t written = ::write(fd, text.data(), text.size());
    ::close(fd);
}

std::string Arg(double value) {
    char text[40];
    if (value == std::floor(value) && std::fabs(value) < 1e15) {
        std::snprintf(text, sizeof text, "%.0f", value);
        return text;
    }
    std::snprintf(text, sizeof text, "%.17g", value);
    // Short forms where they are exact: 0.5 rather than 0.50000000000000000.
    for (int digits = 1; digits < 17; ++digits) {
        char shorter[40];
        std::snprintf(shorter, sizeof shorter, "%.*g", digits, value);
        if (std::strtod(shorter, nullptr) == value) return shorter;
    }
    return text;
}

std::string Arg(std::int64_t value) { return std::to_string(value); }

std::string Arg(const char* text) { return text ? "\"" + std::string(text) + "\"" : std::string("null"); }

void FailurePlan::Add(const std::string& rules) {
    std::stringstream in(rules);
    std::string rule;
    while (std::getline(in, rule, ',')) {
        rule.erase(std::remove_if(rule.begin(), rule.end(), [](unsigned char c) { return std::isspace(c); }),
                   rule.end());
        const std::size_t colon = rule.find(':');
        if (colon == std::string::npos || colon == 0) continue;
        const std::string name = rule.substr(0, colon);
        const std::string which = rule.substr(colon + 1);
        if (which == "*") {
            m_rules[name].push_back(-1);
        } else {
            char* end = nullptr;
            const long n = std::strtol(which.c_str(), &end, 10);
            if (end && *end == '\0' && n > 0) m_rules[name].push_back(n);
        }
    }
}

bool FailurePlan::Fails(const std::string& name) {
    const long call = ++m_calls[name];
    const auto found = m_rules.find(name);
    if (found == m_rules.end()) return false;
    return std::any_of(found->second.begin(), found->second.end(), [call](long n) { return n < 0 || n == call; });
}

void FailurePlan::Reset() {
    m_rules.clear();
    m_calls.clear();
    if (const char* rules = std::getenv("VOXMILL_SIMCAM_FAIL")) Add(rules);
}

FailurePlan& Failures() {
    static FailurePlan plan = [] {
        FailurePlan p;
        p.Reset();
        return p;
    }();
    return plan;
}

namespace {

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

bool ToNumber(const std::string& text, double& value) {
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || *end != '\0' || !std::isfinite(v)) return false;
    value = v;
    return true;
}

// Applies one "key = value" line; false when the key or value is unusable.
bool Apply(CameraConfig& config, const std::string& key, const std::string& value, const std::string& folder) {
    double number = 0;
    if (key == "scene") {
        if (value == "pattern") config.scene = Scene::pattern;
        else if (value == "phantom") config.scene = Scene::phantom;
        else if (value == "empty") config.scene = Scene::empty;
        else return false;
        return true;
    }
    if (key == "phantom") {
        const std::filesystem::path path(value);
        config.phantomPath = path.is_absolute() || folder.empty() ? value : (folder + "/" + value);
        return true;
    }
    if (key == "fail") {
        config.failRules += (config.failRules.empty() ? "" : ",") + value;
        return true;
    }
    if (!ToNumber(value, number)) return false;
    if (key == "width" || key == "height") {
        if (number < 16 || number > 8192 || number != std::floor(number)) return false;
        (key == "width" ? config.width : config.height) = static_cast<std::uint32_t>(number);
    } else if (key == "start") {
        config.startAngle = number;
    } else if (key == "step") {
        config.stepAngle = number;
    } else if (key == "source-distance") {
        config.sourceDistance = number;
    } else if (key == "detector-distance") {
        config.detectorDistance = number;
    } else if (key == "detector-width" || key == "detector-height") {
        if (number <= 0) return false;
        (key == "detector-width" ? config.detectorWidth : config.detectorHeight) = number;
    } else if (key == "white") {
        if (number < 0 || number > 255) return false;
        config.white = static_cast<int>(number);
    } else {
        return false;
    }
    return true;
}

}  // namespace

CameraConfig CameraConfig::Read(const std::string& path) {
    CameraConfig config;
    // A camera file is a few lines; anything else (a folder, a pipe, a
    // huge file) is not read at all.
    constexpr std::uintmax_t kLargestFile = 64 * 1024;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return config;
    if (std::filesystem::file_size(path, ec) > kLargestFile || ec) {
        config.problem = path + ": not a camera file (larger than 64 KiB)";
        return config;
    }
    std::ifstream in(path);
    if (!in) return config;
    const std::string folder = std::filesystem::path(path).parent_path().string();
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        line = Trim(line.substr(0, line.find('#')));
        if (line.empty()) continue;
        const std::size_t equals = line.find('=');
        const std::string key = equals == std::string::npos ? line : Trim(line.substr(0, equals));
        const std::string value = equals == std::string::npos ? std::string() : Trim(line.substr(equals + 1));
        if (equals == std::string::npos || !Apply(config, key, value, folder)) {
            // A camera file with a fault gives the default camera, and says why.
            CameraConfig fallback;
            fallback.problem = path + ":" + std::to_string(number) + ": cannot use \"" + line + "\"";
            return fallback;
        }
    }
    if (config.scene == Scene::phantom && config.phantomPath.empty()) {
        CameraConfig fallback;
        fallback.problem = path + ": scene phantom needs a phantom file";
        return fallback;
    }
    return config;
}

Camera::Camera(CameraConfig config) : m_config(std::move(config)) {
    if (m_config.scene != Scene::phantom) return;
    auto phantom = std::make_unique<CPhantom>();
    try {
        phantom->Open(m_config.phantomPath);
        m_phantom = std::move(phantom);
    } catch (const std::exception& e) {
        // The camera still records: an empty turntable.
        m_config.problem = m_config.phantomPath + ": " + e.what();
    }
}

Camera::~Camera() = default;

void Camera::Render(const GrabWindow& window, std::uint32_t width, std::uint32_t height, double phase, double angle,
                    std::uint8_t* frame) const {
    if (width == 0 || height == 0) return;
    switch (m_config.scene) {
        case Scene::pattern:
            RenderPattern(window, width, height, phase, frame);
            return;
        case Scene::phantom:
            if (m_phantom) {
                RenderPhantom(window, width, height, angle, frame);
                return;
            }
            [[fallthrough]];
        case Scene::empty:
            std::fill(frame, frame + std::size_t{width} * height, static_cast<std::uint8_t>(m_config.white));
            return;
    }
}

// Grey bars on top, diagonal stripes that move with the phase in the
// middle, a bright square crossing a ramp at the bottom. Positions are in
// full-frame pixels, so the region and the scale cut and shrink the same
// picture.
void Camera::RenderPattern(const GrabWindow& window, std::uint32_t width, std::uint32_t height, double phase,
                           std::uint8_t* frame) const {
    const double fullW = m_config.width, fullH = m_config.height;
    const double pitchX = window.regionWidth / width, pitchY = window.regionHeight / height;
    const double squareX = std::fmod(phase * 6.0, fullW);
    for (std::uint32_t j = 0; j < height; ++j) {
        const double y = window.offsetY + (j + 0.5) * pitchY;
        for (std::uint32_t i = 0; i < width; ++i) {
            const double x = window.offsetX + (i + 0.5) * pitchX;
            int level = 0;
            if (x >= fullW || y >= fullH) {
                level = 0;
            } else if (y < fullH / 3) {
                level = 36 * static_cast<int>(x * 8 / fullW);
            } else if (y < 2 * fullH / 3) {
                level = (static_cast<long>(std::floor((x + y + 4.0 * phase) / 24.0)) % 2) ? 220 : 40;
            } else {
                const bool inSquare = x >= squareX && x < squareX + fullH / 6 && y >= 0.75 * fullH &&
                                      y < 0.75 * fullH + fullH / 6;
                level = inSquare ? 255 : static_cast<int>(200 * x / fullW);
            }
            frame[std::size_t{j} * width + i] = static_cast<std::uint8_t>(level);
        }
    }
}

// The projector's own tracer on a detector that covers the grabbed
// region: white x exp(-p) rounded, p the line integral through the phantom
// turned to `angle`.
void Camera::RenderPhantom(const GrabWindow& window, std::uint32_t width, std::uint32_t height, double angle,
                           std::uint8_t* frame) const {
    const double theta = DegreesToRadians(angle);
    const double fullW = m_config.width, fullH = m_config.height;
    const double regionW = window.regionWidth / fullW * m_config.detectorWidth;
    const double regionH = window.regionHeight / fullH * m_config.detectorHeight;
    const double u = ((window.offsetX + window.regionWidth / 2) / fullW - 0.5) * m_config.detectorWidth;
    const double v = (0.5 - (window.offsetY + window.regionHeight / 2) / fullH) * m_config.detectorHeight;
    const CPoint4 centre = DetectorCenterOnCircle(m_config.detectorDistance, theta);
    const CDirection4 h = DetectorHorizontalOnCircle(theta);
    const CDirection4 vertical(0, 1, 0);
    const CPoint4 regionCentre(centre.x + u * h.x, centre.y + v, centre.z + u * h.z);

    CProjection projection;
    if (!projection.SetGeometry(regionCentre, h, vertical, regionW, regionH, width, height)) return;
    std::fill(projection.GetPixels(), projection.GetPixels() + projection.GetPixelCount(), 0.0f);
    projection.SetSourcePosition(SourceOnCircle(m_config.sourceDistance, theta));
    TraceProjection(*m_phantom, projection, 0, ProjectorThreadCount());
    const float* p = projection.GetPixels();
    for (std::size_t k = 0; k < projection.GetPixelCount(); ++k) {
        const double line = p[k] >= 0.0f ? p[k] : 0.0;
        frame[k] = static_cast<std::uint8_t>(std::lround(m_config.white * std::exp(-line)));
    }
}

}  // namespace voxmill::simcam
