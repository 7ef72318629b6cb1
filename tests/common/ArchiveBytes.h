// Building and checking archive bytes in tests: store into memory, load
// from memory, spell expected bytes as a list, and print them on failure.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "app/archive/Archive.h"
#include "app/archive/File.h"

namespace voxmill::test {

using Bytes = std::vector<std::uint8_t>;

inline Bytes Store(const std::function<void(CArchive&)>& write,
                   std::size_t bufferSize = CArchive::kDefaultBufferSize) {
    CMemFile file;
    CArchive ar(file, CArchive::store, bufferSize);
    write(ar);
    ar.Close();
    return file.bytes();
}

inline void Load(const Bytes& bytes, const std::function<void(CArchive&)>& read,
                 std::size_t bufferSize = CArchive::kDefaultBufferSize) {
    CMemFile file(bytes);
    CArchive ar(file, CArchive::load, bufferSize);
    read(ar);
}

inline Bytes B(std::initializer_list<int> values) {
    Bytes out;
    for (int v : values) out.push_back(static_cast<std::uint8_t>(v));
    return out;
}

inline Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

inline Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

inline Bytes Le16(std::uint32_t v) { return B({int(v & 0xFF), int((v >> 8) & 0xFF)}); }
inline Bytes Le32(std::uint32_t v) {
    return B({int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF), int((v >> 24) & 0xFF)});
}

// A class description as a writer emits it: FFFF, schema, name length, name.
inline Bytes ClassDescription(const std::string& name, std::uint16_t schema) {
    return Cat({B({0xFF, 0xFF}), Le16(schema), Le16(static_cast<std::uint32_t>(name.size())), Text(name)});
}

inline Bytes Slice(const Bytes& bytes, std::size_t offset, std::size_t length) {
    if (offset > bytes.size()) return {};
    const std::size_t end = std::min(bytes.size(), offset + length);
    return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(offset), bytes.begin() + static_cast<std::ptrdiff_t>(end));
}

inline std::string Hex(const Bytes& bytes) {
    std::string out;
    char buf[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(buf, sizeof buf, i ? " %02X" : "%02X", bytes[i]);
        out += buf;
    }
    return out;
}

}  // namespace voxmill::test
