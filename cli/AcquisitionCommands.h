// The projection and projection collection lines of voxmill-cli's import,
// export and info tables.
#pragma once

#include <iosfwd>
#include <string>

namespace voxmill::cli {

class Args;

extern const char* const kImportRawUsage;
extern const char* const kImportSinogramUsage;
extern const char* const kImportRawsUsage;
int RunImportRaw(Args& args);
int RunImportSinogram(Args& args);
int RunImportRaws(Args& args);

void ExportProjectionRaw(const std::string& in, const std::string& out);
void ExportProjectionBitmap(const std::string& in, const std::string& out);
void ExportProjectionDicom(const std::string& in, const std::string& out);
void ExportCollectionSinogram(const std::string& in, const std::string& out);

void PrintProjectionInfo(const std::string& path, std::ostream& out);
void PrintCollectionInfo(const std::string& path, std::ostream& out);

}  // namespace voxmill::cli
