// The advise sinks a control's host connected through IOleObject::Advise,
// with their connection numbers. Each sink holds one reference while it is
// connected.
//
// Close notifies from a snapshot taken after the list was emptied: a sink
// may call Unadvise (or Advise) from inside OnClose, which must neither
// invalidate the notification loop nor notify a sink twice.
#pragma once

#include <utility>
#include <vector>

#include "contract/Ole.h"

namespace voxmill {

class CAdviseSinks {
public:
    CAdviseSinks() = default;
    CAdviseSinks(const CAdviseSinks&) = delete;
    CAdviseSinks& operator=(const CAdviseSinks&) = delete;
    ~CAdviseSinks() { ReleaseAll(); }

    // Connects a sink (one reference taken); E_OUTOFMEMORY leaves it out.
    HRESULT Advise(IAdviseSink* sink, DWORD* connection);
    // Disconnects one sink; E_INVALIDARG for an unknown connection.
    HRESULT Unadvise(DWORD connection);
    // Disconnects every sink, telling each one OnClose first.
    void CloseAll();
    // Disconnects every sink without telling it.
    void ReleaseAll();

    std::size_t Count() const { return m_sinks.size(); }

private:
    std::vector<std::pair<DWORD, IAdviseSink*>> m_sinks;
    DWORD m_nextConnection = 1;
};

}  // namespace voxmill
