#include "cli/CineCommands.h"
#include "cli/Command.h"
#include "cli/DigitizerCommands.h"
#include "cli/DocumentCommands.h"
#include "cli/PhantomCommands.h"
#include "cli/PictureCommands.h"
#include "cli/ProcessorCommands.h"
#include "cli/ProjectorCommands.h"
#include "cli/ReconstructionCommands.h"
#include "cli/SliceCommands.h"

namespace voxmill::cli {

// One line per command group, in the order --help lists them.
const std::vector<Command>& Commands() {
    static const std::vector<Command> table = {
        {"phantom", kPhantomUsage, &RunPhantomCommand},
        {"project", kProjectUsage, &RunProjectCommand},
        {"plugins", kPluginsUsage, &RunPluginsCommand},
        {"reconstruct", kReconstructUsage, &RunReconstructCommand},
        {"compare", kCompareUsage, &RunCompareCommand},
        {"slice", kSliceUsage, &RunSliceCommand},
        {"warp", kWarpUsage, &RunWarpCommand},
        {"slide", kSlideUsage, &RunSlideCommand},
        {"cine", kCineUsage, &RunCineCommand},
        {"digitizer", kDigitizerUsage, &RunDigitizerCommand},
        {"grab", kGrabUsage, &RunGrabCommand},
        {"import", ImportUsage(), &RunImportCommand},
        {"export", ExportUsage(), &RunExportCommand},
        {"png-panel", kPngPanelUsage, &RunPngPanelCommand},
        {"info", InfoUsage(), &RunInfoCommand},
    };
    return table;
}

}  // namespace voxmill::cli
