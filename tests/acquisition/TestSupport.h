// Small helpers for the imaging and acquisition tests: a temporary folder
// removed with its contents, a scoped change of the current directory,
// whole-file byte I/O, little-endian builders and a damage driver that
// truncates a file at every length and changes bytes from a fixed seed.
#pragma once

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <system_error>
#include <vector>

#include <unistd.h>

namespace voxmill::testing {

using Bytes = std::vector<std::uint8_t>;

class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "voxmill-acq-XXXXXX").string();
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        if (!mkdtemp(name.data())) throw std::runtime_error("mkdtemp failed");
        m_path = name.data();
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::string File(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

class ScopedCwd {
public:
    explicit ScopedCwd(const std::filesystem::path& dir) : m_previous(std::filesystem::current_path()) {
        std::filesystem::current_path(dir);
    }
    ~ScopedCwd() {
        std::error_code ec;
        std::filesystem::current_path(m_previous, ec);
    }
    ScopedCwd(const ScopedCwd&) = delete;
    ScopedCwd& operator=(const ScopedCwd&) = delete;

private:
    std::filesystem::path m_previous;
};

inline Bytes ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

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

// Calls fn with every truncation of `bytes` (lengths 0 .. n - 1), then with
// `changes` copies in which one to three bytes take a random value or a
// value that tends to hit length and tag fields.
inline void ForEachDamage(const Bytes& bytes, const std::function<void(const Bytes&)>& fn, std::size_t changes = 3000,
                          std::uint32_t seed = 0x5EED) {
    for (std::size_t n = 0; n < bytes.size(); ++n) fn(Bytes(bytes.begin(), bytes.begin() + static_cast<long>(n)));
    if (bytes.empty()) return;
    std::mt19937 rng(seed);
    const std::uint8_t special[] = {0x00, 0x01, 0x7F, 0x80, 0xFE, 0xFF};
    for (std::size_t c = 0; c < changes; ++c) {
        Bytes damaged = bytes;
        const int count = 1 + static_cast<int>(rng() % 3);
        for (int k = 0; k < count; ++k) {
            const std::size_t at = rng() % damaged.size();
            damaged[at] = (rng() & 1) ? special[rng() % 6] : static_cast<std::uint8_t>(damaged[at] ^ (1 + rng() % 255));
        }
        fn(damaged);
    }
}

}  // namespace voxmill::testing
