#include "acquisition/Source.h"

#include <cstdio>

#include "app/archive/Archive.h"

namespace voxmill {

VOXMILL_IMPLEMENT_SERIAL(CSource, CDocumentEx, 1)

void CSource::Serialize(CArchive& ar) {
    if (ar.IsLoading()) ar.Require(kRecordBytes, "source record");
    m_position.Serialize(ar);
}

std::string SourceDescription(const CSource& source) {
    const CPoint4& p = source.GetPosition();
    char text[128];
    std::snprintf(text, sizeof text, "%+.2f,%+.2f,%+.2f", p.x, p.y, p.z);
    return text;
}

}  // namespace voxmill
