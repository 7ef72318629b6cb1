// The frame grabber's vendor libraries, loaded by name at start-up and
// freed at exit: the Genesis native library (device and thread) and the
// imaging library (application, system, and the digitizer allocator the
// digitizer documents use). A missing library, entry point or allocation
// only leaves the matching ready flag clear; nothing is reported.
//
// Libraries are searched on the library search path first, then in the
// program's own library folder (lib/ beside bin/, and bin/ itself).
// Allocated objects are freed and the libraries unloaded in the reverse
// order of loading. Qt-free.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace voxmill {

class CGrabberLibraries {
public:
    // The entry points as this program calls them. Identifiers are 32-bit;
    // 0 means "none" (an allocation failed).
    using ImDevAllocFn = std::uint32_t (*)(std::int32_t deviceNumber, std::int32_t initFlag);
    using ImThrAllocFn = std::uint32_t (*)(std::uint32_t device, std::int32_t initFlag);
    using ImFreeFn = void (*)(std::uint32_t id);
    using MappAllocFn = std::uint32_t (*)(std::int32_t initFlag, std::uint32_t* appId);
    using MappControlFn = void (*)(std::int32_t controlType, std::int32_t controlValue);
    using MsysAllocFn = std::uint32_t (*)(const char* descriptor, std::int32_t systemNumber, std::int32_t initFlag,
                                          std::uint32_t* systemId);
    using MsysInquireFn = std::int32_t (*)(std::uint32_t systemId, std::int32_t inquireType, void* result);
    using MFreeFn = void (*)(std::uint32_t id);

    static constexpr std::int32_t kDefault = 0x10000000;
    static constexpr std::int32_t kError = 0x40000000;
    static constexpr std::int32_t kPrintDisable = 0;
    static constexpr std::int32_t kSystemType = 1008;

    static constexpr const char* kGenesisLibrary = "libgenlib.so";
    static constexpr const char* kMilGenesisLibrary = "libmilgen.so";
    static constexpr const char* kMilLibrary = "libmil.so";
    static constexpr const char* kMilImageLibrary = "libmilim.so";

    CGrabberLibraries() = default;
    ~CGrabberLibraries();
    CGrabberLibraries(const CGrabberLibraries&) = delete;
    CGrabberLibraries& operator=(const CGrabberLibraries&) = delete;

    // Start-up step: the native library first, then the imaging library.
    void Load();
    // Exit: frees what Load allocated in reverse order, unloads the libraries.
    void Free();

    bool IsGenesisReady() const { return m_bGenesisReady; }
    bool IsMilReady() const { return m_bMilReady; }
    void* GetMilModule() const { return m_hMil; }
    void* GetMilImModule() const { return m_hMilIm; }
    std::uint32_t GetSystemId() const { return m_systemId; }
    std::int32_t GetSystemType() const { return m_systemType; }

    // The program's own library folders, searched after the search path.
    static std::vector<std::string> ProgramLibraryFolders();

private:
    void LoadGenesis();
    void LoadMil();
    static void* Open(const char* name);
    static void* Symbol(void* module, const char* name);

    bool m_bGenesisReady = false;
    bool m_bMilReady = false;

    void* m_hGenesis = nullptr;
    void* m_hMilGenesis = nullptr;
    void* m_hMil = nullptr;
    void* m_hMilIm = nullptr;

    std::uint32_t m_deviceId = 0;
    std::uint32_t m_threadId = 0;
    std::uint32_t m_appId = 0;
    std::uint32_t m_systemId = 0;
    std::int32_t m_systemType = 0;
};

}  // namespace voxmill
