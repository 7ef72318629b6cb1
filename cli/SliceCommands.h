// voxmill-cli slice ...: a volume cut into X, Y or Z slices, and two slices
// compared pixel by pixel. Also the slice and slice collection lines of
// the export and info tables.
#pragma once

#include <iosfwd>
#include <string>

namespace voxmill::cli {

class Args;

extern const char* const kSliceUsage;
int RunSliceCommand(Args& args);

extern const char* const kExportSliceBitmapUsage;
extern const char* const kExportSliceCollectionBitmapUsage;
// export bmp IN.slc OUT.bmp [--window WIDTH POSITION]
void ExportSliceBitmap(const std::string& in, const std::string& out, Args& options);
// export bmp IN.sls OUT.bmp --index N [--window ...] | export bmp IN.sls FOLDER --all [--window ...]
void ExportSliceCollectionBitmap(const std::string& in, const std::string& out, Args& options);
void PrintSliceInfo(const std::string& path, std::ostream& out);
void PrintSliceCollectionInfo(const std::string& path, std::ostream& out);

}  // namespace voxmill::cli
