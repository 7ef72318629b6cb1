// voxmill-cli slide ... and cine ...: 8-bit frames and cines imported from
// raw files, turned into projections against reference frames, edited;
// also the slide and cine lines of the export and info tables.
#pragma once

#include <iosfwd>
#include <string>

namespace voxmill::cli {

class Args;

extern const char* const kSlideUsage;
extern const char* const kCineUsage;
int RunSlideCommand(Args& args);
int RunCineCommand(Args& args);

void ExportSlideRaw(const std::string& in, const std::string& out);
void ExportSlideBitmap(const std::string& in, const std::string& out);
void ExportCineRaw(const std::string& in, const std::string& out);
void ExportCineAvi(const std::string& in, const std::string& out);

void PrintSlideInfo(const std::string& path, std::ostream& out);
void PrintCineInfo(const std::string& path, std::ostream& out);

}  // namespace voxmill::cli
