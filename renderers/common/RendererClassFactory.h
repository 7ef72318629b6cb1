// The class factory the module hands out for each of its classes: it
// creates a fresh object through the class's creator and asks it for the
// requested interface. Aggregation is not supported.
#pragma once

#include <atomic>

#include "contract/Ole.h"

namespace voxmill {

class CRendererClassFactory final : public IClassFactory {
public:
    // Creates an object and returns the interface riid on it (one reference).
    using Creator = HRESULT (*)(REFIID riid, void** object);

    // A new factory with one reference.
    static CRendererClassFactory* Create(Creator creator);

    HRESULT QueryInterface(REFIID riid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object) override;
    HRESULT LockServer(BOOL lock) override;

private:
    explicit CRendererClassFactory(Creator creator);
    ~CRendererClassFactory();

    Creator m_creator;
    std::atomic<ULONG> m_refs{1};
};

}  // namespace voxmill
