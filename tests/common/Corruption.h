// Drives a reader over damaged copies of a valid file: every truncation,
// then random byte changes from a fixed seed, so a failure is reproducible
// from the case's description alone. What "survives" means is the caller's
// business (it reads the copy and checks the outcome).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace voxmill::test {

struct Corruption {
    enum Kind { truncation, byteChanges };
    Kind kind = truncation;
    std::size_t keptBytes = 0;                                 // truncation
    std::vector<std::pair<std::size_t, std::uint8_t>> changes; // byteChanges: offset, new value

    std::string Describe() const;
};

struct CorruptionOptions {
    std::size_t changeCases = 1000;  // random cases after the truncations
    std::uint32_t seed = 0x5EEDu;
    std::size_t maxChangesPerCase = 3;
    // Truncate to 0, stride, 2 stride, ... (1: every length).
    std::size_t truncationStride = 1;
};

using CorruptionFn = std::function<void(const std::vector<std::uint8_t>& damaged, const Corruption& how)>;

// Calls fn on bytes truncated to every length 0 .. n-1, then on
// options.changeCases copies with 1 to maxChangesPerCase bytes replaced:
// either flipped by a random mask or set to a value that tends to hit
// length and tag fields (00, 01, 7F, 80, FE, FF). Returns the number of cases.
std::size_t ForEachCorruption(const std::vector<std::uint8_t>& bytes, const CorruptionFn& fn,
                              const CorruptionOptions& options = {});

}  // namespace voxmill::test
