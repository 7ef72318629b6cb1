// A projection collection over projections owned by the test. Each entry
// loads its projection when asked for an interface and unloads it on
// Unload; an entry may hold nothing (GetItem then fails). Calls are logged
// as "item n", "load n" and "unload n".
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "contract/ListElement.h"
#include "contract/ProjectionCollection.h"
#include "tests/renderers/common/FakeProjection.h"
#include "tests/renderers/common/FakeUnknown.h"

namespace voxmill::test {

class FakeCollection : public FakeUnknown<IProjectionCollection, &IID_IProjectionCollection> {
public:
    class Entry : public IListElement {
    public:
        Entry(FakeCollection* owner, int index, FakeProjection* projection)
            : m_owner(owner), m_index(index), m_projection(projection) {
            if (m_projection) m_projection->SetLoaded(false);
        }
        HRESULT QueryInterface(REFIID riid, void** object) override {
            if (!object) return E_POINTER;
            *object = nullptr;
            Load();
            if (riid == IID_IProjection && m_projection) *object = static_cast<IProjection*>(m_projection);
            else if (riid == IID_IUnknown || riid == IID_IListElement) *object = static_cast<IListElement*>(this);
            else return E_NOINTERFACE;
            return S_OK;
        }
        ULONG AddRef() override { return 1; }
        ULONG Release() override { return 1; }
        HRESULT Load() override {
            m_owner->log.push_back("load " + std::to_string(m_index));
            if (m_projection) m_projection->SetLoaded(true);
            return S_OK;
        }
        HRESULT Unload() override {
            m_owner->log.push_back("unload " + std::to_string(m_index));
            if (m_projection) m_projection->SetLoaded(false);
            return S_OK;
        }

    private:
        FakeCollection* m_owner;
        int m_index;
        FakeProjection* m_projection;
    };

    // `count` projections of the phantom evenly spread over an arc of
    // `arc` radians (a full turn unless said), from angle 0.
    FakeCollection(const Acquisition& a, int count, const AnalyticPhantom* phantom,
                   double arc = 2.0 * 3.141592653589793) {
        for (int n = 0; n < count; ++n) {
            auto p = std::make_unique<FakeProjection>(a, arc * n / count);
            if (phantom) p->Project(*phantom);
            Add(std::move(p));
        }
    }

    void Add(std::unique_ptr<FakeProjection> projection) {
        const int index = static_cast<int>(m_entries.size());
        m_projections.push_back(std::move(projection));
        m_entries.push_back(std::make_unique<Entry>(this, index, m_projections.back().get()));
    }
    // Entry n then holds nothing.
    void Empty(int n) { m_empty.push_back(n); }

    HRESULT IsValid(LONG* valid) override {
        *valid = m_valid;
        return S_OK;
    }
    HRESULT GetCount(LONG* count) override {
        *count = static_cast<LONG>(m_entries.size());
        return S_OK;
    }
    HRESULT GetItem(LONG index, IListElement** item) override {
        *item = nullptr;
        log.push_back("item " + std::to_string(index));
        if (index < 0 || index >= static_cast<LONG>(m_entries.size())) return E_INVALIDARG;
        for (int n : m_empty)
            if (n == index) return E_NOINTERFACE;
        *item = m_entries[static_cast<std::size_t>(index)].get();
        return S_OK;
    }

    FakeProjection& Projection(int n) { return *m_projections[static_cast<std::size_t>(n)]; }
    int Count() const { return static_cast<int>(m_entries.size()); }
    void SetValid(LONG valid) { m_valid = valid; }

    std::vector<std::string> log;

private:
    std::vector<std::unique_ptr<FakeProjection>> m_projections;
    std::vector<std::unique_ptr<Entry>> m_entries;
    std::vector<int> m_empty;
    LONG m_valid = 1;
};

}  // namespace voxmill::test
