#include "cli/ReconstructionCommands.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>

#include "acquisition/ProjectionCollection.h"
#include "app/FrameWnd.h"
#include "app/View.h"
#include "app/archive/ArchiveException.h"
#include "app/archive/ErrorSink.h"
#include "cli/Command.h"
#include "cli/ProgressFrame.h"
#include "cli/DocumentCommands.h"
#include "contract/Registry.h"
#include "formats/DocumentExports.h"
#include "phantom/Phantom.h"
#include "reconstruction/BackProjector.h"
#include "reconstruction/HResultText.h"
#include "reconstruction/PluginRegistry.h"
#include "reconstruction/Volume.h"

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

// The input document by its extension, read in full.
std::unique_ptr<CTarget> OpenTarget(const std::string& path) {
    const std::string ext = LowerExtension(path);
    std::unique_ptr<CTarget> target;
    if (ext == ".pha") target = std::make_unique<CPhantom>();
    else if (ext == ".prs") target = std::make_unique<CProjectionCollection>();
    else throw CliError(path + ": the input must be a projection collection (.prs) or a phantom (.pha)");
    target->m_bAutoDelete = false;
    try {
        target->Open(path);
    } catch (const std::exception& e) {
        throw CliError(path + ": " + e.what());
    }
    return target;
}

CBackProjector::VolumeSize ReadVolumeSize(Args& args) {
    CBackProjector::VolumeSize size;
    double dims[3];
    if (args.Option("--volume-size", dims, 3)) {
        for (double d : dims)
            if (!(d > 0)) throw CliError("--volume-size: every extent must be greater than 0");
        size.dimX = dims[0];
        size.dimY = dims[1];
        size.dimZ = dims[2];
    }
    int counts[3];
    if (args.Option("--voxels", counts, 3)) {
        for (int n : counts)
            if (n < 1) throw CliError("--voxels: every count must be a positive integer");
        size.nX = static_cast<std::uint32_t>(counts[0]);
        size.nY = static_cast<std::uint32_t>(counts[1]);
        size.nZ = static_cast<std::uint32_t>(counts[2]);
    }
    return size;
}

void SetOptions(CBackProjector& backprojector, const std::vector<std::string>& options) {
    for (const std::string& option : options) {
        const std::size_t eq = option.find('=');
        if (eq == std::string::npos || eq == 0)
            throw CliError("--option '" + option + "': expected PROPERTY=VALUE");
        std::string error;
        if (FAILED(backprojector.SetRendererOption(option.substr(0, eq), option.substr(eq + 1), &error)))
            throw CliError("--option " + option + ": " + error);
    }
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

    CPluginRegistry registry;
    registry.RegisterCategory();
    std::string error;
    const auto clsid = registry.FindPlugin(rendererName, &error);
    if (!clsid) throw CliError(error);
    std::unique_ptr<CTarget> target = OpenTarget(inPath);

    StderrProgressFrame frame;
    CBackProjector backprojector;
    backprojector.m_bAutoDelete = false;
    backprojector.OnNewDocument();
    ProgressView view(frame);
    backprojector.AddView(&view);

    if (backprojector.ChooseRenderer(*clsid, registry) != CBackProjector::RendererChoice::replaced)
        throw CliError("renderer '" + rendererName + "' could not be loaded");
    SetOptions(backprojector, options);

    HRESULT hr = S_OK;
    std::unique_ptr<CVolume> volume = backprojector.Render(target.get(), size, nullptr, &hr);
    if (!volume || !volume->IsAllocated())
        throw CliError("cannot allocate a volume of " + std::to_string(size.nX) + " x " + std::to_string(size.nY) +
                       " x " + std::to_string(size.nZ) + " voxels");
    const std::string missing = backprojector.MissingMembersText();
    if (!missing.empty()) std::cerr << "voxmill-cli: " << missing << '\n';
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
