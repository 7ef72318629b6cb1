// What the machine can give a new bulk buffer, asked before the buffer is
// made so that a request too large is refused with its figures instead of
// pushing the system into swap. Qt-free: the workbench, the CLI and the
// Python module ask the same question.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace voxmill {

// Bytes available for new allocations: the environment variable
// VOXMILL_MEMORY_LIMIT when set (a byte count, or a number with the suffix
// K, M, G or T in binary units: "512M", "1.5G"), else MemAvailable from
// /proc/meminfo; nullopt when neither can be read.
std::optional<std::uint64_t> AvailableMemory();

// Parses a VOXMILL_MEMORY_LIMIT value; nullopt when it is not one.
std::optional<std::uint64_t> ParseMemoryAmount(const std::string& text);
// MemAvailable (in bytes) out of the text of /proc/meminfo.
std::optional<std::uint64_t> ParseMemAvailable(const std::string& meminfo);

// "3.5 GiB", "640 KiB", "12 bytes": one decimal from KiB up.
std::string FormatBytes(std::uint64_t bytes);

// Empty when `needed` bytes fit in what is available (or nothing is known
// about it), else "needs 3.5 GiB, 2.1 GiB available".
std::string MemoryShortfall(std::uint64_t needed);

}  // namespace voxmill
