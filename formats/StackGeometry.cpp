#include "formats/StackGeometry.h"

#include "app/archive/CheckedSize.h"

namespace voxmill {

std::uint64_t StackGeometry::SampleCount() const { return CheckedProduct({columns, rows, count}).value_or(0); }

}  // namespace voxmill
