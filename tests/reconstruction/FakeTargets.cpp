#include "tests/reconstruction/FakeTargets.h"

namespace voxmill::test {

CFakeProjection::CFakeProjection(int index) : m_pixels(8, 0.0f) {
    m_pixels[0] = static_cast<float>(index);
    // A bright column, so that a real renderer's filtered rows are not all clamped away.
    m_pixels[2] = m_pixels[6] = 3.0f;
}

HRESULT CFakeProjection::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (riid != IID_IUnknown && riid != IID_IProjection) return E_NOINTERFACE;
    *ppv = static_cast<IProjection*>(this);
    AddRef();
    return S_OK;
}

HRESULT CFakeProjection::GetGeometry(float* width, float* height, float* uMin, float* vMin, float* uMax,
                                     float* vMax, float* du, float* dv, LONG* columns, LONG* rows) {
    *width = 4;
    *height = 2;
    *du = *dv = 1;
    *uMin = -1.5f;
    *uMax = 1.5f;
    *vMin = -0.5f;
    *vMax = 0.5f;
    *columns = 4;
    *rows = 2;
    return S_OK;
}

HRESULT CFakeProjection::GetSourcePosition(float* x, float* y, float* z) {
    *x = 0;
    *y = 0;
    *z = 10;
    return S_OK;
}

HRESULT CFakeProjection::GetDetectorPosition(float* x, float* y, float* z) {
    *x = 0;
    *y = 0;
    *z = -5;
    return S_OK;
}

HRESULT CFakeProjection::GetMatrix(double* m) {
    for (int i = 0; i < 16; ++i) m[i] = (i % 5 == 0) ? 1.0 : 0.0;
    return S_OK;
}

HRESULT CFakeProjection::GetData(float** pixels) {
    *pixels = m_pixels.data();
    return S_OK;
}

CFakeCollection::CFakeCollection(std::vector<EntryKind> kinds) : m_kinds(std::move(kinds)) {
    for (std::size_t i = 0; i < m_kinds.size(); ++i)
        m_entries.push_back(std::make_unique<XEntry>(this, static_cast<int>(i), m_kinds[i]));
}

void* CFakeCollection::GetInterface(REFIID iid) {
    if (iid == IID_IProjectionCollection || iid == IID_IUnknown)
        return static_cast<IProjectionCollection*>(&m_xCollection);
    return CTarget::GetInterface(iid);
}

CFakeCollection::XEntry::XEntry(CFakeCollection* owner, int index, EntryKind kind)
    : m_pOwner(owner), m_index(index), m_kind(kind), m_projection(index) {}

HRESULT CFakeCollection::XEntry::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    Load();
    if (riid == IID_IProjection && m_kind == loadable) {
        *ppv = static_cast<IProjection*>(&m_projection);
        m_projection.AddRef();
        return S_OK;
    }
    if (riid == IID_IUnknown || riid == IID_IListElement) {
        *ppv = static_cast<IListElement*>(this);
        return S_OK;
    }
    return E_NOINTERFACE;
}

HRESULT CFakeCollection::XEntry::Load() {
    m_pOwner->m_events.push_back("load " + std::to_string(m_index));
    return S_OK;
}

HRESULT CFakeCollection::XEntry::Unload() {
    m_pOwner->m_events.push_back("unload " + std::to_string(m_index));
    return S_OK;
}

HRESULT CFakeCollection::XCollection::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = m_pOwner->GetInterface(riid);
    return *ppv ? S_OK : E_NOINTERFACE;
}

HRESULT CFakeCollection::XCollection::IsValid(LONG* valid) {
    *valid = 1;
    return S_OK;
}

HRESULT CFakeCollection::XCollection::GetCount(LONG* count) {
    *count = static_cast<LONG>(m_pOwner->m_entries.size());
    return S_OK;
}

HRESULT CFakeCollection::XCollection::GetItem(LONG index, IListElement** item) {
    if (!item) return E_POINTER;
    *item = nullptr;
    m_pOwner->m_events.push_back("GetItem " + std::to_string(index));
    if (index < 0 || static_cast<std::size_t>(index) >= m_pOwner->m_entries.size()) return E_INVALIDARG;
    if (m_pOwner->m_kinds[static_cast<std::size_t>(index)] == missing) return E_NOINTERFACE;
    *item = m_pOwner->m_entries[static_cast<std::size_t>(index)].get();
    return S_OK;
}

void* CFakePhantom::GetInterface(REFIID iid) {
    if (iid == IID_IPhantom || iid == IID_IUnknown) return static_cast<IPhantom*>(&m_xPhantom);
    return CTarget::GetInterface(iid);
}

HRESULT CFakePhantom::XElement::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (riid != IID_IUnknown && riid != IID_IPhantomElement) return E_NOINTERFACE;
    *ppv = static_cast<IPhantomElement*>(this);
    return S_OK;
}

HRESULT CFakePhantom::XElement::Sample(float, float, float, float* mu) {
    *mu = 0.5f;
    return S_OK;
}

HRESULT CFakePhantom::XPhantom::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = m_pOwner->GetInterface(riid);
    return *ppv ? S_OK : E_NOINTERFACE;
}

HRESULT CFakePhantom::XPhantom::GetCount(LONG* count) {
    *count = m_pOwner->m_count;
    return S_OK;
}

HRESULT CFakePhantom::XPhantom::GetElement(LONG index, IPhantomElement** element) {
    if (!element) return E_POINTER;
    *element = nullptr;
    if (index < 0 || index >= m_pOwner->m_count) return E_INVALIDARG;
    *element = &m_pOwner->m_element;
    return S_OK;
}

}  // namespace voxmill::test
