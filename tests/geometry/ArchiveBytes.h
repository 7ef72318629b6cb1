// Test helpers: what an object's Serialize writes, and reading it back.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "app/archive/Archive.h"
#include "app/archive/File.h"

namespace voxmill::test {

template <class T>
std::vector<std::uint8_t> StoreBytes(T& object) {
    CMemFile file;
    {
        CArchive ar(file, CArchive::store);
        object.Serialize(ar);
        ar.Close();
    }
    return file.bytes();
}

template <class T>
void LoadBytes(T& object, const std::vector<std::uint8_t>& bytes) {
    CMemFile file(bytes);
    CArchive ar(file, CArchive::load);
    object.Serialize(ar);
}

inline double DoubleAt(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
    double v;
    std::memcpy(&v, bytes.data() + offset, sizeof v);
    return v;
}

}  // namespace voxmill::test
