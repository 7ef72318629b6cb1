#include "cli/ReconstructionCommands.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>

#include "acquisition/Projection.h"
#include "acquisition/ProjectionCollection.h"
#include "app/FrameWnd.h"
#include "app/View.h"
#include "app/archive/ArchiveException.h"
#include "app/archive/ErrorSink.h"
#include "cli/Command.h"
#include "cli/ProgressFrame.h"
#include "cli/DocumentCommands.h"
#include "cli/ReconstructionSetup.h"
#include "contract/Registry.h"
#include "contract/Renderer.h"
#include "formats/DocumentExports.h"
#include "phantom/Phantom.h"
#include "reconstruction/BackProjector.h"
#include "reconstruction/HResultText.h"
#include "reconstruction/PluginRegistry.h"
#include "reconstruction/Slice.h"
#include "reconstruction/Volume.h"
#include "reconstruction/VolumeComparison.h"
#include "reconstruction/VolumeDifference.h"

namespace voxmill::cli {

const char* const kPluginsUsage =
    "  plugins list                 the renderer plug-ins in the registry ($VOXMILL_REGISTRY, else\n"
    "                               $XDG_CONFIG_HOME/voxmill/registry.ini): class id, name, module\n"
    "  plugins register MODULE      run the module's self-registration (DllRegisterServer)\n"
    "  plugins unregister MODULE    run the module's DllUnregisterServer";

const char* const kReconstructUsage =
    "  reconstruct INPUT.prs|INPUT.pha OUT.vol --renderer NAME|CLSID [--option PROPERTY=VALUE]...\n"
    "              [--volume-size DX DY DZ] [--voxels NX NY NZ] [--force]\n"
    "                               render a volume from a projection collection (or voxelize a\n"
    "                               phantom) with a renderer plug-in, named \"Tessor\", \"Karvex\",\n"
    "                               by display name or by class id; each --option sets a property\n"
    "                               of the renderer (e.g. IsProcessCollection=1); defaults: a box of\n"
    "                               2 x 2 x 2 units in 64 x 64 x 64 voxels; --force replaces OUT.vol;\n"
    "                               OUT.h5 writes the HDF5 export instead, with the renderer and its\n"
    "                               options as attributes";

const char* const kCompareUsage =
    "  compare A.vol|A.pha B.vol [--fov] [--diff OUT.vol] [--renderer NAME] [--force]\n"
    "  compare A.slc B.slc | A.prj B.prj [--fov]\n"
    "                               how far B is from the reference A on B's grid: RMSE, MAE,\n"
    "                               maximum absolute error, mean bias (B - A), PSNR and a 3-D SSIM;\n"
    "                               a phantom A is voxelized on B's grid by the renderer (default\n"
    "                               Tessor); --fov measures only B's field of view (the voxels the\n"
    "                               renderer reached: every other voxel is exactly 0); --diff writes\n"
    "                               B - A as a volume (--force replaces it); two slices or two\n"
    "                               projections are compared over their pixels (7 x 7 SSIM boxes)";

const char* const kExportVolumeHdfUsage =
    "  export hdf IN.vol OUT.hdf     NCSA HDF: one float32 data set of sizes (nZ, nY, nX)";
const char* const kExportVolumeRawUsage =
    "  export raw IN.vol OUT.raw     the voxels as IEEE floats, i fastest, then j, then k";

namespace {

std::string AbsoluteModulePath(const std::string& path) {
    std::error_code ec;
    const auto canonical = std::filesystem::canonical(path, ec);
    return ec ? path : canonical.string();
}

void PrintPlugins(const CPluginRegistry& registry, const std::string& onlyModule, std::ostream& out) {
    for (const CPluginRegistry::Plugin& p : registry.EnumeratePlugins()) {
        const std::string module = registry.GetModulePath(p.clsid);
        if (!onlyModule.empty() && module != onlyModule) continue;
        out << StringFromGUID(p.clsid) << "  " << p.name << "\n    module: "
            << (module.empty() ? "(none registered)" : module) << '\n';
    }
}

int RunPluginsList(Args& args) {
    args.Finish();
    CPluginRegistry registry;
    registry.RegisterCategory();
    ClearLastReportedError();
    const auto plugins = registry.EnumeratePlugins();
    if (!LastReportedError().empty()) throw CliError(LastReportedError());
    std::cout << "registry: " << registry.GetPath() << '\n';
    if (plugins.empty()) std::cout << "no renderer plug-ins are registered\n";
    PrintPlugins(registry, "", std::cout);
    return 0;
}

int RunPluginsRegister(Args& args, bool registering) {
    const std::string module = args.Next("module file");
    args.Finish();
    CPluginRegistry registry;
    registry.RegisterCategory();
    std::string error;
    const HRESULT hr = registering ? CPluginRegistry::RegisterModule(module, &error)
                                   : CPluginRegistry::UnregisterModule(module, &error);
    if (FAILED(hr)) throw CliError(error.empty() ? "the module failed (" + HResultText(hr) + ")" : error);
    std::cout << (registering ? "registered " : "unregistered ") << AbsoluteModulePath(module) << " in "
              << registry.GetPath() << '\n';
    if (registering) PrintPlugins(registry, AbsoluteModulePath(module), std::cout);
    return 0;
}

}  // namespace

int RunPluginsCommand(Args& args) {
    const std::string action = args.Next("plugins action (list, register or unregister)");
    if (action == "list") return RunPluginsList(args);
    if (action == "register") return RunPluginsRegister(args, true);
    if (action == "unregister") return RunPluginsRegister(args, false);
    throw CliError("unknown plugins action '" + action + "' (list, register, unregister)");
}

int RunReconstructCommand(Args& args) {
    const bool force = args.Flag("--force");
    std::string rendererName;
    const bool hasRenderer = args.OptionString("--renderer", rendererName);
    const std::vector<std::string> options = args.OptionStrings("--option");
    const CBackProjector::VolumeSize size = ReadVolumeSize(args);
    const std::string inPath = args.Next("input file (.prs or .pha)");
    const std::string outPath = args.Next("output volume file (.vol)");
    args.Finish();
    if (!hasRenderer) throw CliError("--renderer NAME is required (see voxmill-cli plugins list)");
    std::error_code ec;
    if (!force && std::filesystem::exists(outPath, ec))
        throw CliError(outPath + " already exists (use --force to replace it)");
    // Refused before anything is read or allocated.
    if (const std::string refusal = CBackProjector::CheckVolumeSize(size); !refusal.empty()) throw CliError(refusal);

    CPluginRegistry registry;
    registry.RegisterCategory();
    std::string error;
    if (!registry.FindPlugin(rendererName, &error)) throw CliError(error);
    std::unique_ptr<CTarget> target = OpenTarget(inPath);

    InterruptCancels interrupt;
    StderrProgressFrame frame;
    CBackProjector backprojector;
    backprojector.m_bAutoDelete = false;
    backprojector.OnNewDocument();
    ProgressView view(frame);
    backprojector.AddView(&view);
    LoadRenderer(backprojector, registry, rendererName, options);

    HRESULT hr = S_OK;
    std::unique_ptr<CVolume> volume = backprojector.Render(target.get(), size, nullptr, &hr);
    if (!volume && hr == E_ABORT) throw CliError("interrupted: nothing was written");
    if (!volume || !volume->IsAllocated())
        throw CliError("cannot allocate a volume of " + std::to_string(size.nX) + " x " + std::to_string(size.nY) +
                       " x " + std::to_string(size.nZ) + " voxels");
    const std::string missing = backprojector.MissingMembersText();
    if (!missing.empty()) std::cerr << "voxmill-cli: " << missing << '\n';
    if (hr == VOXMILL_S_UNEVENCOVERAGE)
        std::cerr << "voxmill-cli: the projections cover neither a full circle nor a short scan (180 degrees plus the "
                     "fan angle, in even steps): reconstructed without short-scan weights\n";
    if (FAILED(hr)) throw CliError("the renderer failed (" + HResultText(hr) + "); nothing was written");
    try {
        const std::string ext = LowerExtension(outPath);
        if (ext == ".h5" || ext == ".hdf5") voxmill::ExportVolumeHdf5(*volume, outPath);
        else volume->Save(outPath);
    } catch (const std::exception& e) {
        throw CliError(outPath + ": " + e.what());
    }
    std::cout << "wrote " << outPath << ": " << size.nX << " x " << size.nY << " x " << size.nZ << " voxels, "
              << backprojector.GetRendererUserType() << '\n';
    return 0;
}

namespace {

std::unique_ptr<CVolume> OpenVolume(const std::string& path) {
    auto volume = std::make_unique<CVolume>();
    volume->m_bAutoDelete = false;
    try {
        volume->Open(path);
    } catch (const std::exception& e) {
        throw OpenFailure(path, e);
    }
    if (!volume->IsAllocated()) throw CliError(path + ": the volume holds no voxels");
    return volume;
}

// The phantom at `path` voxelized on `grid`'s box by the renderer named.
std::unique_ptr<CVolume> VoxelizeOn(const std::string& path, const CVolume& grid, const std::string& rendererName) {
    std::unique_ptr<CTarget> phantom = OpenTarget(path);
    try {
        return VoxelizeOnGrid(*phantom, grid, rendererName);
    } catch (const std::runtime_error& e) {
        throw CliError(std::string(e.what()) + " (" + path + ")");
    }
}

bool IsImage(const std::string& path) {
    const std::string ext = LowerExtension(path);
    return ext == ".slc" || ext == ".prj";
}

// Two slices or two projections: the same figures over one layer of pixels.
int CompareImages(const std::string& aPath, const std::string& bPath, bool fov, bool diff) {
    const std::string ext = LowerExtension(aPath);
    if (ext != LowerExtension(bPath))
        throw CliError("compare takes two volumes, two slices (.slc) or two projections (.prj)");
    if (diff) throw CliError("--diff writes volumes only");
    auto open = [&](const std::string& path) -> std::unique_ptr<CSurface> {
        std::unique_ptr<CDocument> document;
        if (ext == ".slc") document = std::make_unique<CSlice>();
        else document = std::make_unique<CProjection>();
        document->m_bAutoDelete = false;
        try {
            document->Open(path);
        } catch (const std::exception& e) {
            throw OpenFailure(path, e);
        }
        std::unique_ptr<CSurface> surface(dynamic_cast<CSurface*>(document.release()));
        if (!surface || !surface->GetPixels()) throw CliError(path + ": the image holds no pixels");
        return surface;
    };
    const auto a = open(aPath), b = open(bPath);
    if (a->GetWidth() != b->GetWidth() || a->GetHeight() != b->GetHeight())
        throw CliError(aPath + " and " + bPath + " do not have the same pixel counts; nothing was compared");
    const std::size_t count = std::size_t{b->GetWidth()} * b->GetHeight();
    std::vector<char> mask;
    if (fov) {
        mask.resize(count);
        for (std::size_t v = 0; v < count; ++v) mask[v] = b->GetPixels()[v] != 0.0f;
    }
    const VolumeComparison figures =
        VolumeComparison::Measure(a->GetPixels(), b->GetPixels(), b->GetWidth(), b->GetHeight(), 1, mask);
    std::cout << "measured: " << (fov ? "field of view" : "whole image") << '\n' << figures.Describe();
    return 0;
}

}  // namespace

int RunCompareCommand(Args& args) {
    const bool fov = args.Flag("--fov");
    const bool force = args.Flag("--force");
    std::string diffPath, rendererName = "Tessor";
    const bool diff = args.OptionString("--diff", diffPath);
    args.OptionString("--renderer", rendererName);
    const std::string aPath = args.Next("reference (.vol or .pha)");
    const std::string bPath = args.Next("volume to measure (.vol)");
    args.Finish();
    std::error_code ec;
    if (diff && !force && std::filesystem::exists(diffPath, ec))
        throw CliError(diffPath + " already exists (use --force to replace it)");

    if (IsImage(aPath) || IsImage(bPath)) return CompareImages(aPath, bPath, fov, diff);
    const std::unique_ptr<CVolume> b = OpenVolume(bPath);
    const std::unique_ptr<CVolume> a =
        LowerExtension(aPath) == ".pha" ? VoxelizeOn(aPath, *b, rendererName) : OpenVolume(aPath);
    if (!ShareGrid(*a, *b))
        throw CliError(aPath + " and " + bPath + " do not share one grid (voxel counts and box); nothing was compared");

    const VolumeComparison figures = CompareVolumes(*a, *b, fov);
    if (diff) {
        CVolume difference;
        difference.m_bAutoDelete = false;
        try {
            MakeDifferenceVolume(*a, *b, difference);
        } catch (const std::exception& e) {
            throw CliError(std::string(e.what()) + " (" + bPath + ")");
        }
        try {
            difference.Save(diffPath);
        } catch (const std::exception& e) {
            throw CliError(diffPath + ": " + e.what());
        }
    }
    std::cout << DescribeComparison(figures, fov);
    if (diff) std::cout << "wrote " << diffPath << " (B - A)\n";
    return 0;
}

void ExportVolumeHdf(const std::string& in, const std::string& out) {
    CVolume volume;
    volume.m_bAutoDelete = false;
    volume.Open(in);
    volume.ExportHdf(out);
}

void ExportVolumeRaw(const std::string& in, const std::string& out) {
    CVolume volume;
    volume.m_bAutoDelete = false;
    volume.Open(in);
    volume.ExportRaw(out);
}

void PrintVolumeInfo(const std::string& path, std::ostream& out) {
    CVolume v;
    v.m_bAutoDelete = false;
    v.Open(path);
    out << "kind: volume\n";
    if (!v.IsAllocated()) {
        out << "voxels: none (empty volume)\n";
        return;
    }
    char line[256];
    std::snprintf(line, sizeof line, "voxels: %u x %u x %u\n", v.GetCountX(), v.GetCountY(), v.GetCountZ());
    out << line;
    std::snprintf(line, sizeof line, "extents: %g x %g x %g\n", v.GetDimX(), v.GetDimY(), v.GetDimZ());
    out << line;
    std::snprintf(line, sizeof line, "pitches: %g %g %g\n", v.GetPitchX(), v.GetPitchY(), v.GetPitchZ());
    out << line;
    std::snprintf(line, sizeof line, "centres: x %g .. %g, y %g .. %g, z %g .. %g\n", v.GetMinX(), v.GetMaxX(),
                  v.GetMinY(), v.GetMaxY(), v.GetMinZ(), v.GetMaxZ());
    out << line;
    float lo = 0, hi = 0;
    if (v.GetValueRange(lo, hi)) {
        std::snprintf(line, sizeof line, "values: %.9g .. %.9g\n", static_cast<double>(lo), static_cast<double>(hi));
        out << line;
    } else {
        out << "values: none (every voxel is NaN)\n";
    }
}

}  // namespace voxmill::cli
