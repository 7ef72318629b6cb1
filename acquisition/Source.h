// The X-ray source: one focal-spot point in world coordinates (w = 1).
// Every projection and slide holds one by value and writes it inline as
// its source record: x, y, z, w as four doubles, 32 bytes.
#pragma once

#include <string>

#include "app/DocumentEx.h"
#include "geometry/Vector.h"

namespace voxmill {

class CSource : public CDocumentEx {
    VOXMILL_DECLARE_SERIAL(CSource)

public:
    static constexpr std::uint64_t kRecordBytes = 32;

    CSource() = default;
    CSource(const CSource& other) : CDocumentEx() { m_position = other.m_position; }
    CSource& operator=(const CSource& other) {
        m_position = other.m_position;
        return *this;
    }

    void Serialize(CArchive& ar) override;

    const CPoint4& GetPosition() const { return m_position; }
    void SetPosition(const CPoint4& position) { m_position = position; }

private:
    CPoint4 m_position;
};

// The position as "%+.2f,%+.2f,%+.2f": the list text of every member that
// carries a source (projections, slides).
std::string SourceDescription(const CSource& source);

}  // namespace voxmill
