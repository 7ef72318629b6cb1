// Stand-ins for the program's phantom and projection collection documents
// as a renderer sees them, recording what the host asks of them.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/Target.h"
#include "contract/Phantom.h"
#include "contract/ProjectionCollection.h"
#include "contract/Projection.h"

namespace voxmill::test {

// A 4 x 2 projection whose first pixel holds its index in the collection,
// with a bright third column; source (0, 0, 10), detector (0, 0, -5), the
// identity as detector matrix.
class CFakeProjection final : public IProjection {
public:
    explicit CFakeProjection(int index);
    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override { return --m_refs; }
    HRESULT GetGeometry(float* width, float* height, float* uMin, float* vMin, float* uMax, float* vMax, float* du,
                        float* dv, LONG* columns, LONG* rows) override;
    HRESULT GetSourcePosition(float* x, float* y, float* z) override;
    HRESULT GetDetectorPosition(float* x, float* y, float* z) override;
    HRESULT GetMatrix(double* m) override;
    HRESULT GetData(float** pixels) override;

    ULONG m_refs = 1;

private:
    std::vector<float> m_pixels;
};

class CFakeCollection : public CTarget {
public:
    enum EntryKind {
        loadable,    // yields its projection
        missing,     // GetItem answers E_NOINTERFACE
        unloadable,  // the entry exists but has no projection
    };

    explicit CFakeCollection(std::vector<EntryKind> kinds);
    std::uint16_t GetTargetType() const override { return kTargetProjectionCollection; }
    void* GetInterface(REFIID iid) override;

    // "GetItem 2", "load 2", "unload 2", in call order.
    std::vector<std::string> m_events;

private:
    class XEntry final : public IListElement {
    public:
        XEntry(CFakeCollection* owner, int index, EntryKind kind);
        HRESULT QueryInterface(REFIID riid, void** ppv) override;
        ULONG AddRef() override { return 2; }
        ULONG Release() override { return 1; }
        HRESULT Load() override;
        HRESULT Unload() override;

    private:
        CFakeCollection* m_pOwner;
        int m_index;
        EntryKind m_kind;
        CFakeProjection m_projection;
    };

    class XCollection final : public IProjectionCollection {
    public:
        explicit XCollection(CFakeCollection* owner) : m_pOwner(owner) {}
        HRESULT QueryInterface(REFIID riid, void** ppv) override;
        ULONG AddRef() override { return 2; }
        ULONG Release() override { return 1; }
        HRESULT IsValid(LONG* valid) override;
        HRESULT GetCount(LONG* count) override;
        HRESULT GetItem(LONG index, IListElement** item) override;

    private:
        CFakeCollection* m_pOwner;
    };

    std::vector<std::unique_ptr<XEntry>> m_entries;
    std::vector<EntryKind> m_kinds;
    XCollection m_xCollection{this};
};

// A phantom of `count` elements, each answering MU = 0.5 everywhere.
class CFakePhantom : public CTarget {
public:
    explicit CFakePhantom(int count) : m_count(count) {}
    std::uint16_t GetTargetType() const override { return kTargetPhantom; }
    void* GetInterface(REFIID iid) override;

private:
    class XElement final : public IPhantomElement {
    public:
        HRESULT QueryInterface(REFIID riid, void** ppv) override;
        ULONG AddRef() override { return 2; }
        ULONG Release() override { return 1; }
        HRESULT Sample(float, float, float, float* mu) override;
    };

    class XPhantom final : public IPhantom {
    public:
        explicit XPhantom(CFakePhantom* owner) : m_pOwner(owner) {}
        HRESULT QueryInterface(REFIID riid, void** ppv) override;
        ULONG AddRef() override { return 2; }
        ULONG Release() override { return 1; }
        HRESULT GetCount(LONG* count) override;
        HRESULT GetElement(LONG index, IPhantomElement** element) override;

    private:
        CFakePhantom* m_pOwner;
    };

    int m_count;
    XElement m_element;
    XPhantom m_xPhantom{this};
};

// A document of another kind: a target the backprojector does not take.
class CFakeOtherTarget : public CTarget {
public:
    std::uint16_t GetTargetType() const override { return kTargetSliceCollection; }
};

}  // namespace voxmill::test
