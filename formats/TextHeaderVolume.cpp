#include "formats/TextHeaderVolume.h"

#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "app/archive/ArchiveException.h"
#include "formats/TempTarget.h"

namespace voxmill {
namespace {

static_assert(std::endian::native == std::endian::little, "the headers below declare little-endian samples");

std::string Number(double v) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", v);
    return text;
}

std::string Triple(const double* v, const char* separator) {
    return Number(v[0]) + separator + Number(v[1]) + separator + Number(v[2]);
}

void WriteHeaderAndSamples(const std::string& path, const std::string& header, const StackGeometry& g,
                           const float* samples) {
    const std::uint64_t n = g.SampleCount();
    if (n == 0) throw CFileException(path, "nothing to export: the volume is empty");
    CTempTarget temp(path);
    {
        std::ofstream out(temp.TempPath(), std::ios::binary | std::ios::trunc);
        out.write(header.data(), static_cast<std::streamsize>(header.size()));
        out.write(reinterpret_cast<const char*>(samples), static_cast<std::streamsize>(n * sizeof(float)));
        out.flush();
        if (!out) throw CFileException(path, std::string("cannot write file (") + std::strerror(errno) + ")");
    }
    temp.Commit();
}

}  // namespace

std::string MetaImageHeader(const StackGeometry& g) {
    std::string matrix;
    for (int i = 0; i < 3; ++i) matrix += (i ? " " : "") + Triple(g.axis[i], " ");
    return "ObjectType = Image\nNDims = 3\nBinaryData = True\nBinaryDataByteOrderMSB = False\n"
           "CompressedData = False\nTransformMatrix = " + matrix + "\nOffset = " + Triple(g.origin, " ") +
           "\nCenterOfRotation = 0 0 0\nElementSpacing = " + Triple(g.spacing, " ") + "\nDimSize = " +
           std::to_string(g.columns) + " " + std::to_string(g.rows) + " " + std::to_string(g.count) +
           "\nElementType = MET_FLOAT\nElementDataFile = LOCAL\n";
}

std::string NrrdHeader(const StackGeometry& g) {
    std::string directions;
    for (int i = 0; i < 3; ++i) {
        const double d[3] = {g.axis[i][0] * g.spacing[i], g.axis[i][1] * g.spacing[i], g.axis[i][2] * g.spacing[i]};
        directions += std::string(i ? " " : "") + "(" + Triple(d, ",") + ")";
    }
    return "NRRD0004\n# voxmill volume\ntype: float\ndimension: 3\nspace dimension: 3\nsizes: " +
           std::to_string(g.columns) + " " + std::to_string(g.rows) + " " + std::to_string(g.count) +
           "\nspace directions: " + directions + "\nspace origin: (" + Triple(g.origin, ",") +
           ")\nspace units: \"" + g.unit + "\" \"" + g.unit + "\" \"" + g.unit +
           "\"\nkinds: domain domain domain\nendian: little\nencoding: raw\n\n";
}

void WriteMetaImage(const std::string& path, const StackGeometry& g, const float* samples) {
    WriteHeaderAndSamples(path, MetaImageHeader(g), g, samples);
}

void WriteNrrd(const std::string& path, const StackGeometry& g, const float* samples) {
    WriteHeaderAndSamples(path, NrrdHeader(g), g, samples);
}

}  // namespace voxmill
