// voxmill-cli plugins ... and reconstruct ...: the renderer plug-ins in
// the registry, and a backprojector run from the command line. Also the
// volume's lines of the export and info tables.
#pragma once

#include <iosfwd>
#include <string>

namespace voxmill::cli {

class Args;

extern const char* const kPluginsUsage;
int RunPluginsCommand(Args& args);

extern const char* const kReconstructUsage;
int RunReconstructCommand(Args& args);

extern const char* const kCompareUsage;
int RunCompareCommand(Args& args);

extern const char* const kExportVolumeHdfUsage;
extern const char* const kExportVolumeRawUsage;
void ExportVolumeHdf(const std::string& in, const std::string& out);
void ExportVolumeRaw(const std::string& in, const std::string& out);
void PrintVolumeInfo(const std::string& path, std::ostream& out);

}  // namespace voxmill::cli
