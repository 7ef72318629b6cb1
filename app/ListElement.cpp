#include "app/ListElement.h"

namespace voxmill {

VOXMILL_IMPLEMENT_DYNAMIC(CListElement, CDocument)

}  // namespace voxmill
