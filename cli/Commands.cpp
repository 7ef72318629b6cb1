#include "cli/Command.h"
#include "cli/DocumentCommands.h"
#include "cli/PhantomCommands.h"

namespace voxmill::cli {

// One line per command group, in the order --help lists them.
const std::vector<Command>& Commands() {
    static const std::vector<Command> table = {
        {"phantom", kPhantomUsage, &RunPhantomCommand},
        {"import", ImportUsage(), &RunImportCommand},
        {"export", ExportUsage(), &RunExportCommand},
        {"info", InfoUsage(), &RunInfoCommand},
    };
    return table;
}

}  // namespace voxmill::cli
