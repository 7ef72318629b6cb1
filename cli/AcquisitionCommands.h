// The projection and projection collection lines of voxmill-cli's import,
// export and info tables.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>

#include "imaging/BinaryMatrixImport.h"

namespace voxmill::cli {

class Args;

// The matrix values the import commands share, as given on the line
// (--type, --pixels, --size, --offset); unset ones keep the preset.
struct MatrixOptions {
    std::optional<std::int32_t> type;
    std::optional<std::uint32_t> width, height;
    std::optional<double> dimX, dimY;
    std::optional<std::uint32_t> offset;

    void ApplyTo(BinaryMatrixImport& values) const;
};
MatrixOptions TakeMatrixOptions(Args& args);
// CliError unless v > 0.
std::uint32_t Positive(int v, const char* what);
// Making a document never silently replaces a file the user may still need.
void CheckCanCreate(const std::string& path, bool force);

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
