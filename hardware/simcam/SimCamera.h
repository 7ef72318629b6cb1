// The simulated camera behind the stand-in frame-grabber libraries
// (libgenlib, libmilgen, libmil, libmilim built from this folder): what
// they share. The call log, the camera configuration file and the error
// injection, and the frames a simulated camera records.
//
// Nothing here is the vendor's: the libraries only keep the entry points,
// argument lists and results the workbench relies on, and hold real state
// (identifiers, buffers, digitizer controls) so that a whole grabbing run
// can be followed in the log.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace voxmill {
class CPhantom;
}

namespace voxmill::simcam {

// Appends one line "Name(arg, arg, ...) = result" to the file named by
// VOXMILL_SIMCAM_LOG when it is set (opened and closed per line, so the
// four libraries write one ordered log).
void LogCall(const std::string& line);

// Formatting helpers for the log: doubles with up to 17 digits and no
// trailing zeros, strings quoted, a null pointer as "null".
std::string Arg(double value);
std::string Arg(std::int64_t value);
std::string Arg(const char* text);
template <class... T>
std::string Call(const char* name, const T&... args) {
    std::string line = name;
    line += '(';
    bool first = true;
    ((line += (first ? "" : ", ") + args, first = false), ...);
    line += ')';
    return line;
}

// Error injection: "Name:N" fails the N-th call of that entry point (counted
// from 1 per library load), "Name:*" every call. Rules come from the
// VOXMILL_SIMCAM_FAIL variable (comma-separated) and from the "fail" lines
// of the camera files read so far.
class FailurePlan {
public:
    void Add(const std::string& rules);
    // Forgets rules and counts and reads VOXMILL_SIMCAM_FAIL again: a new
    // session of the library (it may stay loaded between sessions).
    void Reset();
    // Counts this call of `name` and says whether it is to fail.
    bool Fails(const std::string& name);

private:
    std::map<std::string, std::vector<long>> m_rules;  // -1: every call
    std::map<std::string, long> m_calls;
};
FailurePlan& Failures();

enum class Scene { pattern, phantom, empty };

// The camera configuration file ("Voxmill.dcf", or the name the digitizer
// hands over). Lines "key = value"; '#' starts a comment. An unreadable or
// missing file gives the default camera: 768 x 576, moving test pattern.
struct CameraConfig {
    std::uint32_t width = 768;
    std::uint32_t height = 576;
    Scene scene = Scene::pattern;
    std::string phantomPath;      // relative paths are taken from the file's folder
    double startAngle = 0.0;      // degrees, the turntable at the first grab
    double stepAngle = 0.0;       // degrees it turns after every grab
    double sourceDistance = 4.0;  // source to rotation axis
    double detectorDistance = 4.0;
    double detectorWidth = 4.0;   // physical size of the full frame on the detector
    double detectorHeight = 4.0;
    int white = 255;              // level of the open beam
    std::string failRules;
    std::string problem;          // why the file was refused (then defaults)

    static CameraConfig Read(const std::string& path);
};

// The part of the full frame one grab records: region (in full-frame
// pixels) and the scale applied to it.
struct GrabWindow {
    double scale = 1.0;
    double regionWidth = 0, regionHeight = 0, offsetX = 0, offsetY = 0;
};

// Renders one frame of `width` x `height` bytes. `phase` moves the test
// pattern; `angle` (degrees) turns the phantom.
class Camera {
public:
    explicit Camera(CameraConfig config);
    ~Camera();
    const CameraConfig& Config() const { return m_config; }
    void Render(const GrabWindow& window, std::uint32_t width, std::uint32_t height, double phase, double angle,
                std::uint8_t* frame) const;

private:
    void RenderPattern(const GrabWindow& window, std::uint32_t width, std::uint32_t height, double phase,
                       std::uint8_t* frame) const;
    void RenderPhantom(const GrabWindow& window, std::uint32_t width, std::uint32_t height, double angle,
                       std::uint8_t* frame) const;

    CameraConfig m_config;
    std::unique_ptr<CPhantom> m_phantom;
};

}  // namespace voxmill::simcam
