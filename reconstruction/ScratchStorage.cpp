#include "reconstruction/ScratchStorage.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

namespace voxmill {

CScratchStorage* CScratchStorage::Create(std::string* error) {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/voxmill-scratch-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (!::mkdtemp(name.data())) {
        if (error) *error = pattern + ": cannot create scratch storage (" + std::strerror(errno) + ")";
        return nullptr;
    }
    return new CScratchStorage(name.data(), nullptr);
}

CScratchStorage::CScratchStorage(std::string directory, CScratchStorage* parent)
    : m_directory(std::move(directory)), m_pParent(parent) {
    if (m_pParent) m_pParent->AddRef();
}

CScratchStorage::~CScratchStorage() {
    std::error_code ec;
    std::filesystem::remove_all(m_directory, ec);
    if (m_pParent) m_pParent->Release();
}

HRESULT CScratchStorage::QueryInterface(REFIID riid, void** ppvObject) {
    if (!ppvObject) return E_POINTER;
    *ppvObject = nullptr;
    if (riid != IID_IUnknown && riid != IID_IStorage) return E_NOINTERFACE;
    *ppvObject = static_cast<IStorage*>(this);
    AddRef();
    return S_OK;
}

ULONG CScratchStorage::AddRef() { return ++m_refs; }

ULONG CScratchStorage::Release() {
    const ULONG refs = --m_refs;
    if (refs == 0) delete this;
    return refs;
}

HRESULT CScratchStorage::CreateStorage(const char* name, IStorage** storage) {
    if (!storage) return E_POINTER;
    *storage = nullptr;
    if (!name || !*name || std::strchr(name, '/') || std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
        return E_INVALIDARG;
    const std::string dir = m_directory + "/" + name;
    if (::mkdir(dir.c_str(), 0700) != 0) return E_FAIL;
    *storage = new CScratchStorage(dir, this);
    return S_OK;
}

}  // namespace voxmill
