// Scratch storage for hosted controls: a temporary directory standing in
// for a compound file created with delete-on-release. Sub-storages are
// subdirectories; each keeps its parent alive, and the directory tree goes
// when the last reference to the root goes.
#pragma once

#include <string>

#include "contract/Ole.h"

namespace voxmill {

class CScratchStorage final : public IStorage {
public:
    // A new root under $TMPDIR (or /tmp) with one reference, or null.
    static CScratchStorage* Create(std::string* error = nullptr);

    HRESULT QueryInterface(REFIID riid, void** ppvObject) override;
    ULONG AddRef() override;
    ULONG Release() override;

    // Creates the sub-storage `name` (exclusive: it must not exist yet).
    // E_INVALIDARG for a name that is not one plain path component.
    HRESULT CreateStorage(const char* name, IStorage** storage) override;
    const char* GetDirectory() override { return m_directory.c_str(); }

private:
    CScratchStorage(std::string directory, CScratchStorage* parent);
    ~CScratchStorage();

    std::string m_directory;
    CScratchStorage* m_pParent;  // one reference held, null for the root
    ULONG m_refs = 1;
};

}  // namespace voxmill
