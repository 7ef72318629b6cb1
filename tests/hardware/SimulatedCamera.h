// The simulated camera for a test: the grabber's libraries loaded with a
// call log in the test's own folder, failures injected through the
// environment, and the log read back line by line. Digitizers made while
// it lives take their modules from it.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "hardware/Digitizer.h"
#include "hardware/GrabberLibraries.h"
#include "tests/common/TempDir.h"

namespace voxmill::test {

class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : m_name(name) {
        if (const char* old = std::getenv(name)) m_old = old, m_had = true;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (m_had)
            ::setenv(m_name, m_old.c_str(), 1);
        else
            ::unsetenv(m_name);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* m_name;
    std::string m_old;
    bool m_had = false;
};

class SimulatedCamera {
public:
    // `fail`: rules for VOXMILL_SIMCAM_FAIL ("MdigGrab:2", ...); `camera`:
    // the camera file handed to the digitizers (Voxmill.dcf by default).
    explicit SimulatedCamera(const std::string& fail = {}, const std::string& camera = {})
        : m_log("VOXMILL_SIMCAM_LOG", m_dir.File("calls.log")), m_fail("VOXMILL_SIMCAM_FAIL", fail) {
        if (!camera.empty()) m_libraries.SetCameraFile(camera);
        m_libraries.Load();
        CDigitizer::SetLibraries(&m_libraries);
    }
    ~SimulatedCamera() { Free(); }

    void Free() {
        CDigitizer::SetLibraries(nullptr);
        m_libraries.Free();
    }
    CGrabberLibraries& Libraries() { return m_libraries; }
    const TempDir& Dir() const { return m_dir; }

    // The log so far; Mark() makes the next Calls() start after what is there now.
    std::vector<std::string> Calls() const {
        std::vector<std::string> lines;
        std::ifstream in(m_dir.File("calls.log"));
        std::string line;
        while (std::getline(in, line)) lines.push_back(line);
        return std::vector<std::string>(lines.begin() + static_cast<long>(std::min(m_mark, lines.size())),
                                        lines.end());
    }
    void Mark() { m_mark += Calls().size(); }

private:
    TempDir m_dir;
    ScopedEnv m_log;
    ScopedEnv m_fail;
    CGrabberLibraries m_libraries;
    std::size_t m_mark = 0;
};

}  // namespace voxmill::test
