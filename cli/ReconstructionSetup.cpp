#include "cli/ReconstructionSetup.h"

#include "acquisition/ProjectionCollection.h"
#include "cli/Command.h"
#include "cli/DocumentCommands.h"
#include "phantom/Phantom.h"
#include "reconstruction/PluginRegistry.h"

namespace voxmill::cli {

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
        throw OpenFailure(path, e);
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

void LoadRenderer(CBackProjector& backprojector, const CPluginRegistry& registry, const std::string& name,
                  const std::vector<std::string>& options) {
    std::string error;
    const auto clsid = registry.FindPlugin(name, &error);
    if (!clsid) throw CliError(error);
    if (backprojector.ChooseRenderer(*clsid, registry) != CBackProjector::RendererChoice::replaced)
        throw CliError("renderer '" + name + "' could not be loaded");
    for (const std::string& option : options) {
        const std::size_t eq = option.find('=');
        if (eq == std::string::npos || eq == 0)
            throw CliError("--option '" + option + "': expected PROPERTY=VALUE");
        if (FAILED(backprojector.SetRendererOption(option.substr(0, eq), option.substr(eq + 1), &error)))
            throw CliError("--option " + option + ": " + error);
    }
}

}  // namespace voxmill::cli
