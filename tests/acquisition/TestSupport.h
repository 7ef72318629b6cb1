// Little-endian builders for the imaging and acquisition tests, over the
// shared helpers: temporary folders, whole-file bytes and the damage driver
// (every truncation, then byte changes from a fixed seed).
#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

#include "tests/common/Corruption.h"
#include "tests/common/TempDir.h"

namespace voxmill::testing {

using Bytes = std::vector<std::uint8_t>;
using TempFolder = test::TempDir;
using ScopedCwd = test::ScopedCurrentDir;
using test::ReadBytes;
using test::WriteBytes;

template <class T>
void Append(Bytes& bytes, T value) {
    std::uint8_t raw[sizeof(T)];
    std::memcpy(raw, &value, sizeof(T));
    bytes.insert(bytes.end(), raw, raw + sizeof(T));
}

template <class T>
T ReadAt(const Bytes& bytes, std::size_t offset) {
    T value;
    std::memcpy(&value, bytes.data() + offset, sizeof(T));
    return value;
}

// Every truncation of `bytes`, then `changes` copies with a few bytes changed.
inline void ForEachDamage(const Bytes& bytes, const std::function<void(const Bytes&)>& fn, std::size_t changes = 3000) {
    test::CorruptionOptions options;
    options.changeCases = changes;
    test::ForEachCorruption(bytes, [&](const Bytes& damaged, const test::Corruption&) { fn(damaged); }, options);
}

}  // namespace voxmill::testing
