// The plumbing the projection and cine commands share: the output file and
// its inputs as the import lines give them, the raw-files import into a
// collection of linked members, the export of one opened document, and the
// printing of a point.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "cli/Command.h"

namespace voxmill {
class CVector4;
}

namespace voxmill::cli {

// "(+0.0000, +4.0000, -1.0000)".
std::string Point(const CVector4& p);

// CliError with the problem unless it is empty.
void CheckUsable(const std::string& problem);

// [--force] IN OUT, nothing after them, and OUT free to be made.
struct InOutFiles {
    std::string in;
    std::string out;
};
InOutFiles TakeInOutFiles(Args& args, const char* inWhat, const char* outWhat);

// [--force] OUT IN..., the output free to be made; an option among the
// inputs is a mistake, not a file name.
struct RawFilesLine {
    std::string out;
    std::vector<std::string> inputs;
};
RawFilesLine TakeRawFilesLine(Args& args, const char* outWhat);

// A new collection saved as the line's output with one linked member per
// raw file (memberSuffix: ".PRJ", ".SLD"); the files it dropped or kept in
// place said on stderr. 1 when a file was dropped.
template <class Collection, class Values>
int ImportRawFilesInto(const RawFilesLine& line, const Values& values, const char* memberSuffix) {
    Collection collection;
    collection.OnNewDocument();
    // With its path set first the members are staged, so a collection
    // replaced with --force keeps its members until the new one is saved.
    collection.SetPathName(std::filesystem::absolute(line.out).lexically_normal().string());
    const auto report = collection.ImportRawFiles(line.inputs, values);
    for (const std::string& why : report.dropped) std::cerr << "voxmill-cli: dropped " << why << '\n';
    for (const std::string& path : report.inPlace)
        std::cerr << "voxmill-cli: " << path << ": its " << memberSuffix
                  << " file could not be written; kept in place\n";
    collection.Save(line.out);
    std::cout << line.out << ": " << report.importedCount << " of " << line.inputs.size() << " files imported\n";
    return report.dropped.empty() ? 0 : 1;
}

// Opens IN as a Document and has `write` write it to OUT.
template <class Document, class Write>
void ExportOpened(const std::string& in, const std::string& out, Write write) {
    Document document;
    document.Open(in);
    std::invoke(write, document, out);
}

}  // namespace voxmill::cli
