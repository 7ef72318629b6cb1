#include "renderers/common/AdviseSinks.h"

#include <algorithm>
#include <new>

namespace voxmill {

HRESULT CAdviseSinks::Advise(IAdviseSink* sink, DWORD* connection) {
    if (!sink || !connection) return E_POINTER;
    try {
        m_sinks.emplace_back(m_nextConnection, sink);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    sink->AddRef();
    *connection = m_nextConnection++;
    return S_OK;
}

HRESULT CAdviseSinks::Unadvise(DWORD connection) {
    const auto it = std::find_if(m_sinks.begin(), m_sinks.end(), [&](const auto& s) { return s.first == connection; });
    if (it == m_sinks.end()) return E_INVALIDARG;
    IAdviseSink* sink = it->second;
    m_sinks.erase(it);
    sink->Release();
    return S_OK;
}

void CAdviseSinks::CloseAll() {
    // The snapshot keeps the references; the live list is empty while the
    // sinks run, so their Unadvise calls find nothing to remove.
    auto closing = std::move(m_sinks);
    m_sinks.clear();
    for (auto& [connection, sink] : closing) sink->OnClose();
    for (auto& [connection, sink] : closing) sink->Release();
}

void CAdviseSinks::ReleaseAll() {
    auto sinks = std::move(m_sinks);
    m_sinks.clear();
    for (auto& [connection, sink] : sinks) sink->Release();
}

}  // namespace voxmill
