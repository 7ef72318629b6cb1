// The frame grabber's vendor libraries, loaded by name at start-up and
// freed at exit: the Genesis native library (device and thread) and the
// imaging library (application, system, and the digitizer allocator the
// digitizer documents use). A missing library, entry point or allocation
// only leaves the matching ready flag clear; nothing is reported.
//
// Libraries are searched on the library search path first, then in the
// program's own library folder (lib/ beside bin/, and bin/ itself).
// VOXMILL_GRABBER=off loads none, as on a machine without them.
// Allocated objects are freed and the libraries unloaded in the reverse
// order of loading.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace voxmill {

class CGrabberLibraries {
public:
    static constexpr const char* kGenesisLibrary = "libgenlib.so";
    static constexpr const char* kMilGenesisLibrary = "libmilgen.so";
    static constexpr const char* kMilLibrary = "libmil.so";
    static constexpr const char* kMilImageLibrary = "libmilim.so";
    // The camera configuration file handed to every digitizer allocation.
    static constexpr const char* kCameraFile = "Voxmill.dcf";

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
    const std::string& GetCameraFile() const { return m_strCameraFile; }
    void SetCameraFile(std::string path) { m_strCameraFile = std::move(path); }

    // The program's own library folders, searched after the search path.
    static std::vector<std::string> ProgramLibraryFolders();
    // An entry point of a loaded library, or null.
    static void* Symbol(void* module, const char* name);

private:
    void LoadGenesis();
    void LoadMil();
    static void* Open(const char* name);

    bool m_bGenesisReady = false;
    bool m_bMilReady = false;
    std::string m_strCameraFile = kCameraFile;

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
