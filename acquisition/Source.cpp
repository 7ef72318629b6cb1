#include "acquisition/Source.h"

#include "app/archive/Archive.h"

namespace voxmill {

VOXMILL_IMPLEMENT_SERIAL(CSource, CDocumentEx, 1)

void CSource::Serialize(CArchive& ar) {
    if (ar.IsLoading()) ar.Require(kRecordBytes, "source record");
    m_position.Serialize(ar);
}

}  // namespace voxmill
