// voxmill-cli import / export / info: one command each, driven by tables
// so that every document kind adds its lines (an export of a volume, the
// info of a slice file) without touching the commands themselves.
#pragma once

#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "cli/Command.h"

namespace voxmill::cli {

class Args;

// `import KIND ...`: the rest of the words are the kind's own.
struct ImportKind {
    const char* kind;   // "raw", "sinogram", "raws"
    const char* usage;  // lines for --help
    int (*run)(Args& args);
};

// `export KIND IN OUT`, chosen by the kind and the input's extension.
struct ExportKind {
    const char* kind;       // "raw", "bmp", "dicom", "sinogram"
    const char* extension;  // of IN, lower case: ".prj", ".prs"
    const char* usage;
    void (*run)(const std::string& in, const std::string& out);
    // A kind with options of its own (`export bmp IN.sls OUT --index N`)
    // sets this instead of run; it takes and finishes the words after OUT.
    void (*runWithOptions)(const std::string& in, const std::string& out, Args& options) = nullptr;
};

// `info FILE`, chosen by the file's extension.
struct InfoKind {
    const char* extension;  // lower case
    void (*print)(const std::string& path, std::ostream& out);
};

const std::vector<ImportKind>& ImportKinds();
const std::vector<ExportKind>& ExportKinds();
const std::vector<InfoKind>& InfoKinds();

// The extension of a path, lower case, with its dot ("" without one).
std::string LowerExtension(const std::string& path);

// The --help lines, gathered from the tables.
const char* ImportUsage();
const char* ExportUsage();
const char* InfoUsage();
int RunImportCommand(Args& args);
int RunExportCommand(Args& args);
int RunInfoCommand(Args& args);

// Reads a whole document of type Doc; CliError naming the file on failure.
template <class Doc>
std::unique_ptr<Doc> OpenDocument(const std::string& path) {
    auto doc = std::make_unique<Doc>();
    doc->m_bAutoDelete = false;
    try {
        doc->Open(path);
    } catch (const std::exception& e) {
        throw CliError(path + ": " + e.what());
    }
    return doc;
}

}  // namespace voxmill::cli
