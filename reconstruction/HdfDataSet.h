// The one place that talks to the HDF4 library, so that its macros stay
// out of every other file.
#pragma once

#include <cstdint>
#include <string>

namespace voxmill {

// Writes one float32 scientific data set (DFSD interface, DFSDadddata) of
// the given rank and dimension sizes, slowest first, into a new file that
// then replaces `path`. Throws CFileException with the HDF library's
// message; on failure `path` is left as it was.
void WriteHdfDataSet(const std::string& path, int rank, const std::int32_t* dims, const float* data);

}  // namespace voxmill
