#include "app/MemoryBudget.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace voxmill {

std::optional<std::uint64_t> ParseMemoryAmount(const std::string& text) {
    std::size_t used = 0;
    double value = 0;
    try {
        value = std::stod(text, &used);
    } catch (const std::exception&) {
        return std::nullopt;
    }
    double scale = 1;
    const std::string rest = text.substr(used);
    if (rest == "K" || rest == "k") scale = 1024.0;
    else if (rest == "M" || rest == "m") scale = 1024.0 * 1024;
    else if (rest == "G" || rest == "g") scale = 1024.0 * 1024 * 1024;
    else if (rest == "T" || rest == "t") scale = 1024.0 * 1024 * 1024 * 1024;
    else if (!rest.empty()) return std::nullopt;
    const double bytes = value * scale;
    if (!std::isfinite(bytes) || bytes < 0 || bytes >= 1.8e19) return std::nullopt;
    return static_cast<std::uint64_t>(bytes);
}

std::optional<std::uint64_t> ParseMemAvailable(const std::string& meminfo) {
    std::istringstream lines(meminfo);
    std::string line;
    while (std::getline(lines, line)) {
        unsigned long long kib = 0;
        char unit[8] = {};
        if (std::sscanf(line.c_str(), "MemAvailable: %llu %7s", &kib, unit) == 2 && std::string(unit) == "kB")
            return static_cast<std::uint64_t>(kib) * 1024;
    }
    return std::nullopt;
}

std::optional<std::uint64_t> AvailableMemory() {
    if (const char* limit = std::getenv("VOXMILL_MEMORY_LIMIT"); limit && *limit)
        if (auto bytes = ParseMemoryAmount(limit)) return bytes;
    std::ifstream file("/proc/meminfo");
    if (!file) return std::nullopt;
    std::ostringstream text;
    text << file.rdbuf();
    return ParseMemAvailable(text.str());
}

std::string FormatBytes(std::uint64_t bytes) {
    static const char* const kUnits[] = {"KiB", "MiB", "GiB", "TiB", "PiB", "EiB"};
    if (bytes < 1024) return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
    double value = static_cast<double>(bytes) / 1024;
    int unit = 0;
    // Round first, so that 1023.96 KiB reads "1.0 MiB", not "1024.0 KiB".
    while (std::round(value * 10) / 10 >= 1024 && unit < 5) {
        value /= 1024;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %s", value, kUnits[unit]);
    return text;
}

std::string MemoryShortfall(std::uint64_t needed) {
    const std::optional<std::uint64_t> available = AvailableMemory();
    if (!available || needed <= *available) return {};
    return "needs " + FormatBytes(needed) + ", " + FormatBytes(*available) + " available";
}

}  // namespace voxmill
