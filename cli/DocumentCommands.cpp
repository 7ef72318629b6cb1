#include "cli/DocumentCommands.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <iostream>

#include "cli/AcquisitionCommands.h"
#include "cli/CineCommands.h"
#include "cli/Command.h"
#include "cli/FormatCommands.h"
#include "cli/PictureCommands.h"
#include "cli/ReconstructionCommands.h"
#include "cli/SliceCommands.h"
#include "phantom/Phantom.h"
#include "phantom/PhantomElement.h"

namespace voxmill::cli {
namespace {

void PrintPhantomInfo(const std::string& path, std::ostream& out) {
    CPhantom phantom;
    phantom.Open(path);
    out << "kind: phantom\n";
    out << "elements: " << phantom.GetCount() << '\n';
    for (std::size_t i = 0; i < phantom.GetCount(); ++i) {
        const CPhantomElement& e = *phantom.GetElement(i);
        const CPhantom::ElementKind* kind = CPhantom::KindOf(e);
        char line[200];
        std::snprintf(line, sizeof line, "element %zu: %s, centre (%+.3f, %+.3f, %+.3f), MU %+.3f", i,
                      kind ? kind->label : "?", e.m_translation.p[0], e.m_translation.p[1], e.m_translation.p[2],
                      static_cast<double>(e.m_mu));
        out << line << '\n';
    }
}

}  // namespace

// --- the tables: one line per kind ---------------------------------------------

const std::vector<ImportKind>& ImportKinds() {
    static const std::vector<ImportKind> table = {
        {"raw", kImportRawUsage, &RunImportRaw},
        {"sinogram", kImportSinogramUsage, &RunImportSinogram},
        {"raws", kImportRawsUsage, &RunImportRaws},
        {"stack", kImportStackUsage, &RunImportStack},
    };
    return table;
}

const std::vector<ExportKind>& ExportKinds() {
    static const std::vector<ExportKind> table = {
        {"raw", ".prj", "  export raw IN.prj OUT.raw    the pixels as IEEE floats, row 0 first", &ExportProjectionRaw},
        {"bmp", ".prj", "  export bmp IN.prj OUT.bmp    8-bit grey bitmap of the full value range",
         &ExportProjectionBitmap},
        {"dicom", ".prj", "  export dicom IN.prj OUT.pap  DICOM 3, 16-bit unsigned pixels", &ExportProjectionDicom},
        {"sinogram", ".prs", "  export sinogram IN.prs OUT.raw\n"
                             "                               every member's pixels as floats, back to back",
         &ExportCollectionSinogram},
        {"hdf", ".vol", kExportVolumeHdfUsage, &ExportVolumeHdf},
        {"raw", ".vol", kExportVolumeRawUsage, &ExportVolumeRaw},
        {"hdf5", ".vol", "  export hdf5 IN.vol OUT.h5 [--deflate 1-9]\n"
                         "                               HDF5 /volume (nZ, nY, nX) float32 with voxel_size, origin,\n"
                         "                               direction, extent and units attributes",
         nullptr, &ExportVolumeHdf5},
        {"tiff", ".vol", "  export tiff IN.vol OUT.tif   one float32 page per z layer, ImageJ scale", nullptr,
         &ExportVolumeTiff},
        {"mha", ".vol", "  export mha IN.vol OUT.mha    MetaImage, header and float32 voxels in one file", nullptr,
         &ExportVolumeMetaImage},
        {"nrrd", ".vol", "  export nrrd IN.vol OUT.nrrd  NRRD, float32 voxels with space directions and origin",
         nullptr, &ExportVolumeNrrd},
        {"hdf5", ".sls", "  export hdf5 IN.sls OUT.h5 [--deflate 1-9]\n"
                         "                               HDF5 /slices (N, rows, columns) float32 with pixel_size,\n"
                         "                               axis and positions",
         nullptr, &ExportSlicesHdf5},
        {"tiff", ".sls", "  export tiff IN.sls OUT.tif   one float32 page per slice, ImageJ scale", nullptr,
         &ExportSlicesTiff},
        {"hdf5", ".prs", "  export hdf5 IN.prs OUT.h5 [--deflate 1-9]\n"
                         "                               HDF5 /projections (N, rows, columns) float32 with source,\n"
                         "                               detector_centre, detector_h, detector_v, detector_size",
         nullptr, &ExportProjectionsHdf5},
        {"tiff", ".prs", "  export tiff IN.prs OUT.tif   one float32 page per projection", nullptr,
         &ExportProjectionsTiff},
        {"bmp", ".slc", kExportSliceBitmapUsage, nullptr, &ExportSliceBitmap},
        {"bmp", ".sls", kExportSliceCollectionBitmapUsage, nullptr, &ExportSliceCollectionBitmap},
        {"raw", ".sld", "  export raw IN.sld OUT.raw    the slide's bytes, row 0 first", &ExportSlideRaw},
        {"bmp", ".sld", "  export bmp IN.sld OUT.bmp    8-bit grey bitmap, whole-number stretch of the range",
         &ExportSlideBitmap},
        {"cine", ".sds", "  export cine IN.sds OUT.raw   every slide's bytes, back to back", &ExportCineRaw},
        {"png", ".slc", kExportPngUsage, nullptr, &ExportSlicePng},
        {"png", ".prj", "", nullptr, &ExportProjectionPng},
        {"png", ".sld", "", nullptr, &ExportSlidePng},
        {"png", ".sls", "", nullptr, &ExportMontagePng},
        {"avi", ".sds", "  export avi IN.sds OUT.avi    8-bit video \"Cine by Voxmill\", 10 s long", &ExportCineAvi},
    };
    return table;
}

const std::vector<InfoKind>& InfoKinds() {
    static const std::vector<InfoKind> table = {
        {".prj", &PrintProjectionInfo},
        {".prs", &PrintCollectionInfo},
        {".pha", &PrintPhantomInfo},
        {".vol", &PrintVolumeInfo},
        {".slc", &PrintSliceInfo},
        {".sls", &PrintSliceCollectionInfo},
        {".sld", &PrintSlideInfo},
        {".sds", &PrintCineInfo},
    };
    return table;
}

// --- the commands ------------------------------------------------------------------

const char* ImportUsage() {
    static const std::string usage = [] {
        std::string text;
        for (const ImportKind& k : ImportKinds()) text += std::string(text.empty() ? "" : "\n") + k.usage;
        return text;
    }();
    return usage.c_str();
}

const char* ExportUsage() {
    static const std::string usage = [] {
        std::string text;
        for (const ExportKind& k : ExportKinds())
            if (*k.usage) text += std::string(text.empty() ? "" : "\n") + k.usage;  // one usage for several inputs
        return text;
    }();
    return usage.c_str();
}

const char* InfoUsage() {
    static const std::string usage = [] {
        std::string text = "  info FILE                    kind, sizes, geometry, value range and members (";
        for (const InfoKind& k : InfoKinds()) text += std::string(k.extension) + (&k == &InfoKinds().back() ? ")" : ", ");
        return text;
    }();
    return usage.c_str();
}

int RunImportCommand(Args& args) {
    const std::string kind = args.Next("import kind (raw, sinogram, raws or stack)");
    for (const ImportKind& k : ImportKinds())
        if (kind == k.kind) return k.run(args);
    std::string kinds;
    for (const ImportKind& k : ImportKinds()) kinds += std::string(kinds.empty() ? "" : ", ") + k.kind;
    throw CliError("unknown import kind '" + kind + "' (" + kinds + ")");
}

int RunExportCommand(Args& args) {
    const std::string kind = args.Next("export kind");
    const std::string in = args.Next("input file");
    const std::string out = args.Next("output file");
    const std::string ext = LowerExtension(in);
    std::string known;
    for (const ExportKind& k : ExportKinds()) {
        if (ext != k.extension) continue;
        if (kind == k.kind) {
            if (k.runWithOptions) {
                k.runWithOptions(in, out, args);
                return 0;
            }
            args.Finish();
            k.run(in, out);
            return 0;
        }
        known += std::string(known.empty() ? "" : ", ") + k.kind;
    }
    args.Finish();
    if (known.empty()) throw CliError("no export is known for " + in + " (files ending " + ext + ")");
    throw CliError("cannot export " + in + " as '" + kind + "' (" + ext + " files export as " + known + ")");
}

int RunInfoCommand(Args& args) {
    const std::string path = args.Next("file");
    args.Finish();
    const std::string ext = LowerExtension(path);
    for (const InfoKind& k : InfoKinds())
        if (ext == k.extension) {
            k.print(path, std::cout);
            return 0;
        }
    throw CliError("info does not know files ending '" + ext + "'");
}

}  // namespace voxmill::cli
