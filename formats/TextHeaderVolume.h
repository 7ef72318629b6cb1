// MetaImage (.mha, header and data in one file) and NRRD (.nrrd): short
// text headers followed by the raw little-endian float32 samples, with
// spacing, origin (the first sample's centre) and direction matrix as
// 3D Slicer, ParaView and ITK read them.
#pragma once

#include <string>

#include "formats/StackGeometry.h"

namespace voxmill {

std::string MetaImageHeader(const StackGeometry& g);
std::string NrrdHeader(const StackGeometry& g);

// Header then samples, replacing `path` atomically; CFileException on failure.
void WriteMetaImage(const std::string& path, const StackGeometry& g, const float* samples);
void WriteNrrd(const std::string& path, const StackGeometry& g, const float* samples);

}  // namespace voxmill
