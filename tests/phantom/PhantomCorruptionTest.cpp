// Malformed .pha files: every truncation and thousands of random byte flips
// of a valid file either open or fail with an archive error, and no single
// allocation made while reading is much larger than the file.
//
// This executable replaces the global operator new to watch allocation
// sizes, so it runs on its own.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <random>
#include <vector>

#include "app/archive/Archive.h"
#include "app/archive/File.h"
#include "phantom/Phantom.h"
#include "phantom/PhantomElement.h"
#include "phantom/PhantomElementCylinder.h"
#include "phantom/PhantomElementEllipsoid.h"

namespace {

std::atomic<bool> g_watching{false};
std::atomic<std::size_t> g_largest{0};

void* Allocate(std::size_t size) {
    if (g_watching.load(std::memory_order_relaxed)) {
        std::size_t seen = g_largest.load(std::memory_order_relaxed);
        while (size > seen && !g_largest.compare_exchange_weak(seen, size)) {
        }
    }
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace voxmill {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The archive's read buffer and a class name (at most 64 KiB, the width of
// its length word) are the only allocations not bounded by the file.
constexpr std::size_t kFixedOverhead = 70 * 1024;

Bytes ValidFile() {
    CPhantom phantom;
    phantom.AddElement(RUNTIME_CLASS(CPhantomElementEllipsoid))->m_mu = 0.5f;
    CPhantomElement* c = phantom.AddElement(RUNTIME_CLASS(CPhantomElementCylinder));
    c->m_rotation.SetAngles(0.3, 0.2, 0.1);
    c->UpdateMatrices();
    phantom.AddElement(RUNTIME_CLASS(CPhantomElementEllipsoid))->m_translation.p[0] = 0.5;
    phantom.AddElement(RUNTIME_CLASS(CPhantomElementCylinder));
    CMemFile file;
    CArchive ar(file, CArchive::store);
    phantom.Serialize(ar);
    ar.Close();
    return file.bytes();
}

enum class Outcome { opened, archiveError };

// Reads the bytes as a phantom document, watching the allocations.
Outcome Open(const Bytes& bytes, std::size_t& largest) {
    CMemFile file(bytes);
    CPhantom phantom;
    g_largest = 0;
    g_watching = true;
    Outcome outcome = Outcome::opened;
    try {
        CArchive ar(file, CArchive::load);
        phantom.Serialize(ar);
    } catch (const CArchiveException&) {
        outcome = Outcome::archiveError;
    }
    g_watching = false;
    largest = g_largest;
    if (outcome == Outcome::opened) {
        // What opened is usable: every element answers a chord.
        for (const auto& e : phantom.m_elements) {
            EXPECT_FALSE(e->m_bAutoDelete);
            (void)e->ChordLength(CPoint4(-2, 0.1, 0.2), CDirection4(1, 0, 0));
        }
    }
    return outcome;
}

TEST(PhantomCorruption, EveryTruncationIsAnArchiveError) {
    const Bytes valid = ValidFile();
    ASSERT_EQ(valid.size(), 6u + (6 + 24 + 204) + (6 + 23 + 204) + 2 * (2 + 204));
    std::size_t largest = 0;
    ASSERT_EQ(Open(valid, largest), Outcome::opened);
    for (std::size_t length = 0; length < valid.size(); ++length) {
        const Bytes cut(valid.begin(), valid.begin() + static_cast<std::ptrdiff_t>(length));
        EXPECT_EQ(Open(cut, largest), Outcome::archiveError) << "length " << length;
        EXPECT_LE(largest, length + kFixedOverhead) << "length " << length;
    }
}

TEST(PhantomCorruption, RandomByteFlipsOpenOrFailCleanly) {
    const Bytes valid = ValidFile();
    std::mt19937 rng(20240611);
    std::uniform_int_distribution<std::size_t> where(0, valid.size() - 1);
    std::uniform_int_distribution<int> flips(1, 4), value(0, 255);
    int opened = 0, failed = 0;
    for (int n = 0; n < 4000; ++n) {
        Bytes bytes = valid;
        for (int k = flips(rng); k > 0; --k) bytes[where(rng)] = static_cast<std::uint8_t>(value(rng));
        std::size_t largest = 0;
        (Open(bytes, largest) == Outcome::opened ? opened : failed)++;
        EXPECT_LE(largest, bytes.size() + kFixedOverhead) << "case " << n;
    }
    // Both outcomes occur: flips inside the doubles open, flips in tags fail.
    EXPECT_GT(opened, 100);
    EXPECT_GT(failed, 100);
}

TEST(PhantomCorruption, HeaderFlipsThatClaimHugeSizesAllocateNothingLarge) {
    const Bytes valid = ValidFile();
    struct Case {
        std::size_t offset;
        Bytes patch;
    };
    const Case cases[] = {
        {0, {1, 0, 0, 0}},                    // claims an icon: a bitmap read from element bytes
        {4, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}},  // count 0x7FFFFFFF in the long form
        {4, {0xFE, 0xFF}},                    // 65534 elements
        {10, {0xFF, 0xFF}},                   // 64 KiB class name
        {6, {0xFF, 0x7F, 0xFF, 0xFF, 0xFF, 0xFF}},  // big-index tag
    };
    for (const Case& c : cases) {
        Bytes bytes = valid;
        std::copy(c.patch.begin(), c.patch.end(), bytes.begin() + static_cast<std::ptrdiff_t>(c.offset));
        std::size_t largest = 0;
        EXPECT_EQ(Open(bytes, largest), Outcome::archiveError) << "offset " << c.offset;
        EXPECT_LE(largest, bytes.size() + kFixedOverhead) << "offset " << c.offset;
    }
}

}  // namespace
}  // namespace voxmill
