// A phantom of analytic ellipsoids, one element each; an element may be
// missing (GetElement then answers E_NOINTERFACE).
#pragma once

#include <memory>
#include <vector>

#include "contract/Phantom.h"
#include "tests/renderers/common/AnalyticPhantom.h"
#include "tests/renderers/common/FakeUnknown.h"

namespace voxmill::test {

class FakeElement : public FakeUnknown<IPhantomElement, &IID_IPhantomElement> {
public:
    explicit FakeElement(const Ellipsoid& shape) : m_shape(shape) {}
    HRESULT Sample(float x, float y, float z, float* mu) override {
        ++samples;
        if (!m_shape.Contains(x, y, z)) return E_FAIL;
        *mu = static_cast<float>(m_shape.mu);
        return S_OK;
    }
    long samples = 0;

private:
    Ellipsoid m_shape;
};

class FakePhantom : public FakeUnknown<IPhantom, &IID_IPhantom> {
public:
    void Add(const Ellipsoid& shape) { m_elements.push_back(std::make_unique<FakeElement>(shape)); }
    void AddMissing() { m_elements.push_back(nullptr); }

    HRESULT GetCount(LONG* count) override {
        *count = static_cast<LONG>(m_elements.size());
        return S_OK;
    }
    HRESULT GetElement(LONG index, IPhantomElement** element) override {
        *element = nullptr;
        if (index < 0 || index >= static_cast<LONG>(m_elements.size())) return E_INVALIDARG;
        if (!m_elements[static_cast<std::size_t>(index)]) return E_NOINTERFACE;
        *element = m_elements[static_cast<std::size_t>(index)].get();
        return S_OK;
    }
    FakeElement* Element(int n) { return m_elements[static_cast<std::size_t>(n)].get(); }

private:
    std::vector<std::unique_ptr<FakeElement>> m_elements;
};

}  // namespace voxmill::test
