// voxmill-cli: every capability of the workbench, headless and scriptable.
// Errors print one line on stderr and exit non-zero.
#include <cstdio>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "app/archive/ErrorSink.h"
#include "cli/Command.h"

namespace {

void PrintHelp() {
    std::cout << "usage: voxmill-cli COMMAND [ARGS...]\n\ncommands:\n";
    for (const auto& cmd : voxmill::cli::Commands()) std::cout << cmd.usage << '\n';
    std::cout << "  --help                       this list\n";
}

}  // namespace

int main(int argc, char** argv) {
    using namespace voxmill::cli;
    std::vector<std::string> words(argv + 1, argv + argc);
    if (words.empty() || words[0] == "--help" || words[0] == "-h" || words[0] == "help") {
        PrintHelp();
        return words.empty() ? 2 : 0;
    }
    // The core's own messages ("write error", ...) go to stderr as they come.
    voxmill::SetErrorSink([](const std::string& message) { std::cerr << "voxmill-cli: " << message << '\n'; });
    const std::string name = words[0];
    for (const auto& cmd : Commands()) {
        if (name != cmd.name) continue;
        Args args(std::vector<std::string>(words.begin() + 1, words.end()));
        try {
            return cmd.run(args);
        } catch (const std::exception& e) {
            std::cerr << "voxmill-cli: " << e.what() << '\n';
            return 1;
        }
    }
    std::cerr << "voxmill-cli: unknown command '" << name << "' (see voxmill-cli --help)\n";
    return 2;
}
