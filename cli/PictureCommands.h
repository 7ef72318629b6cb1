// PNG pictures: `export png` of a slice, a projection, a slide or a slice
// collection's montage, and `png-panel`, which sets PNG pictures side by
// side.
#pragma once

#include <string>

namespace voxmill::cli {

class Args;

extern const char* const kExportPngUsage;
extern const char* const kPngPanelUsage;

void ExportSlicePng(const std::string& in, const std::string& out, Args& options);
void ExportProjectionPng(const std::string& in, const std::string& out, Args& options);
void ExportSlidePng(const std::string& in, const std::string& out, Args& options);
void ExportMontagePng(const std::string& in, const std::string& out, Args& options);
int RunPngPanelCommand(Args& args);

}  // namespace voxmill::cli
