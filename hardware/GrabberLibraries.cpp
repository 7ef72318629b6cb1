#include "hardware/GrabberLibraries.h"

#include <dlfcn.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "hardware/MilEntryPoints.h"

namespace voxmill {

CGrabberLibraries::~CGrabberLibraries() { Free(); }

std::vector<std::string> CGrabberLibraries::ProgramLibraryFolders() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return {};
    const std::filesystem::path bin = exe.parent_path();
    return {(bin.parent_path() / "lib").string(), bin.string()};
}

void* CGrabberLibraries::Open(const char* name) {
    if (const char* use = std::getenv("VOXMILL_GRABBER"); use && std::strcmp(use, "off") == 0) return nullptr;
    if (void* module = dlopen(name, RTLD_NOW | RTLD_LOCAL)) return module;
    for (const std::string& folder : ProgramLibraryFolders()) {
        const std::string path = folder + "/" + name;
        if (void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) return module;
    }
    return nullptr;
}

void* CGrabberLibraries::Symbol(void* module, const char* name) { return module ? dlsym(module, name) : nullptr; }

void CGrabberLibraries::Load() {
    Free();
    LoadGenesis();
    LoadMil();
}

void CGrabberLibraries::LoadGenesis() {
    m_hGenesis = Open(kGenesisLibrary);
    auto devAlloc = reinterpret_cast<mil::ImDevAllocFn>(Symbol(m_hGenesis, "imDevAlloc"));
    auto thrAlloc = reinterpret_cast<mil::ImThrAllocFn>(Symbol(m_hGenesis, "imThrAlloc"));
    if (!devAlloc || !thrAlloc) return;
    m_deviceId = devAlloc(0, mil::kDefault);
    if (m_deviceId == 0) return;
    m_threadId = thrAlloc(m_deviceId, mil::kDefault);
    m_bGenesisReady = m_threadId != 0;
}

void CGrabberLibraries::LoadMil() {
    m_hMilGenesis = Open(kMilGenesisLibrary);
    if (!Symbol(m_hMilGenesis, "MDGenesisCommandDecoder")) return;
    m_hMil = Open(kMilLibrary);
    m_hMilIm = Open(kMilImageLibrary);
    if (!m_hMilIm) return;
    auto appAlloc = reinterpret_cast<mil::MappAllocFn>(Symbol(m_hMil, "MappAlloc"));
    auto appControl = reinterpret_cast<mil::MappControlFn>(Symbol(m_hMil, "MappControl"));
    auto sysAlloc = reinterpret_cast<mil::MsysAllocFn>(Symbol(m_hMil, "MsysAlloc"));
    // Digitizers are allocated by the digitizer documents; here the entry
    // point only has to exist.
    const bool hasDigAlloc = Symbol(m_hMil, "MdigAlloc") != nullptr;
    if (!appAlloc || !appControl || !sysAlloc || !hasDigAlloc) return;

    if (appAlloc(mil::kDefault, &m_appId) == 0 || m_appId == 0) {
        m_appId = 0;
        return;
    }
    appControl(mil::kError, mil::kPrintDisable);
    if (sysAlloc("M_DEFAULT", mil::kDefault, mil::kDefault, &m_systemId) == 0 || m_systemId == 0) {
        m_systemId = 0;
        return;
    }
    if (auto sysInquire = reinterpret_cast<mil::MsysInquireFn>(Symbol(m_hMil, "MsysInquire")))
        sysInquire(m_systemId, mil::kSystemType, &m_systemType);
    m_bMilReady = true;
}

void CGrabberLibraries::Free() {
    auto free = [](void* module, const char* name, std::uint32_t& id) {
        if (id != 0)
            if (auto fn = reinterpret_cast<mil::MFreeFn>(Symbol(module, name))) fn(id);
        id = 0;
    };
    free(m_hMil, "MsysFree", m_systemId);
    free(m_hMil, "MappFree", m_appId);
    free(m_hGenesis, "imThrFree", m_threadId);
    free(m_hGenesis, "imDevFree", m_deviceId);
    for (void** module : {&m_hMilIm, &m_hMil, &m_hMilGenesis, &m_hGenesis}) {
        if (*module) dlclose(*module);
        *module = nullptr;
    }
    m_systemType = 0;
    m_bGenesisReady = false;
    m_bMilReady = false;
}

}  // namespace voxmill
