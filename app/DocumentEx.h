// The document kind whose one operation closes every window of a document.
// The operation applies to documents of any kind.
#pragma once

#include "app/Document.h"

namespace voxmill {

class CDocumentEx : public CDocument {
    VOXMILL_DECLARE_SERIAL(CDocumentEx)

public:
    void CloseAllViews() { CloseAllViews(*this); }
    // Destroys each frame in turn. When the last view goes and the document
    // has auto-delete set, the document is deleted: callers that keep it
    // clear the flag first.
    static void CloseAllViews(CDocument& doc);
};

}  // namespace voxmill
