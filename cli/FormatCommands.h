// Exports to HDF5, TIFF, MetaImage and NRRD, and the detector stack import.
#pragma once

#include <string>

namespace voxmill::cli {

class Args;

extern const char* const kImportStackUsage;
int RunImportStack(Args& args);

void ExportVolumeHdf5(const std::string& in, const std::string& out, Args& options);
void ExportVolumeTiff(const std::string& in, const std::string& out, Args& options);
void ExportVolumeMetaImage(const std::string& in, const std::string& out, Args& options);
void ExportVolumeNrrd(const std::string& in, const std::string& out, Args& options);
void ExportSlicesHdf5(const std::string& in, const std::string& out, Args& options);
void ExportSlicesTiff(const std::string& in, const std::string& out, Args& options);
void ExportProjectionsHdf5(const std::string& in, const std::string& out, Args& options);
void ExportProjectionsTiff(const std::string& in, const std::string& out, Args& options);

}  // namespace voxmill::cli
