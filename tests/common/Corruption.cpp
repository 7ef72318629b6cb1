#include "tests/common/Corruption.h"

#include <random>
#include <sstream>

namespace voxmill::test {
namespace {

// Values that turn a length into "huge", a tag into "new class" or a
// flag into "set": the bytes that matter most to a reader.
constexpr std::uint8_t kTellingValues[] = {0x00, 0x01, 0x7F, 0x80, 0xFE, 0xFF};

// mt19937 output is fixed by the standard; distributions are not, so the
// cases are drawn from the raw output to stay the same on every library.
std::size_t Draw(std::mt19937& rng, std::size_t bound) { return static_cast<std::size_t>(rng() % bound); }

}  // namespace

std::string Corruption::Describe() const {
    std::ostringstream out;
    if (kind == truncation) {
        out << "truncated to " << keptBytes << " bytes";
    } else {
        out << "bytes changed:";
        for (const auto& [offset, value] : changes) out << " [" << offset << "]=0x" << std::hex << int(value) << std::dec;
    }
    return out.str();
}

std::size_t ForEachCorruption(const std::vector<std::uint8_t>& bytes, const CorruptionFn& fn,
                              const CorruptionOptions& options) {
    std::size_t cases = 0;
    const std::size_t stride = options.truncationStride ? options.truncationStride : 1;
    for (std::size_t kept = 0; kept < bytes.size(); kept += stride) {
        Corruption how;
        how.kind = Corruption::truncation;
        how.keptBytes = kept;
        fn(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(kept)), how);
        ++cases;
    }
    if (bytes.empty()) return cases;

    std::mt19937 rng(options.seed);
    const std::size_t maxChanges = options.maxChangesPerCase ? options.maxChangesPerCase : 1;
    for (std::size_t c = 0; c < options.changeCases; ++c) {
        Corruption how;
        how.kind = Corruption::byteChanges;
        std::vector<std::uint8_t> damaged = bytes;
        const std::size_t n = 1 + Draw(rng, maxChanges);
        for (std::size_t i = 0; i < n; ++i) {
            const std::size_t offset = Draw(rng, damaged.size());
            std::uint8_t value;
            if (rng() & 1u) {
                value = static_cast<std::uint8_t>(damaged[offset] ^ static_cast<std::uint8_t>(1 + Draw(rng, 255)));
            } else {
                value = kTellingValues[Draw(rng, std::size(kTellingValues))];
            }
            damaged[offset] = value;
            how.changes.emplace_back(offset, value);
        }
        fn(damaged, how);
        ++cases;
    }
    return cases;
}

}  // namespace voxmill::test
