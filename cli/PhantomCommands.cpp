#include "cli/PhantomCommands.h"

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>

#include "app/archive/ArchiveException.h"
#include "cli/Command.h"
#include "phantom/Phantom.h"
#include "phantom/PhantomElement.h"
#include "phantom/PhantomElementForm.h"
#include "phantom/SheppLogan.h"

namespace voxmill::cli {

const char* const kPhantomUsage =
    "  phantom new FILE.pha [--force]\n"
    "                               create an empty phantom (--force replaces an existing file)\n"
    "  phantom add FILE.pha ellipsoid|cylinder [--scale SX SY SZ] [--angles PHI THETA PSI]\n"
    "              [--translate TX TY TZ] [--mu MU]\n"
    "                               append an element; angles in degrees; defaults are those of a\n"
    "                               new element; ranges: scale 0..1, angles 0..360, translation\n"
    "                               -1..1, MU -2..2; prints the new element's index\n"
    "  phantom list FILE.pha        one line per element: index, kind, centre, MU\n"
    "  phantom remove FILE.pha INDEX\n"
    "                               remove the element at INDEX (from 0)\n"
    "  phantom shepp-logan FILE.pha [--force]\n"
    "                               write the 3-D Shepp-Logan head phantom (head axis y)";

namespace {

void OpenPhantom(CPhantom& phantom, const std::string& path) {
    try {
        phantom.Open(path);
    } catch (const CArchiveException& e) {
        throw OpenFailure(path, e);
    }
}

void SavePhantom(CPhantom& phantom, const std::string& path) {
    try {
        phantom.Save(path);
    } catch (const CArchiveException& e) {
        throw CliError(path + ": " + e.what());
    }
}

// Creating never silently replaces a file the user may still need.
void CheckCanCreate(const std::string& path, bool force) {
    std::error_code ec;
    if (!force && std::filesystem::exists(path, ec))
        throw CliError(path + " already exists (use --force to replace it)");
}

int RunNew(Args& args) {
    const bool force = args.Flag("--force");
    const std::string path = args.Next("phantom file");
    args.Finish();
    CheckCanCreate(path, force);
    CPhantom phantom;
    phantom.OnNewDocument();
    SavePhantom(phantom, path);
    return 0;
}

int RunAdd(Args& args) {
    double scale[3], angles[3], translation[3], mu = 0;
    const bool hasScale = args.Option("--scale", scale, 3);
    const bool hasAngles = args.Option("--angles", angles, 3);
    const bool hasTranslation = args.Option("--translate", translation, 3);
    const bool hasMu = args.Option("--mu", &mu, 1);
    const std::string path = args.Next("phantom file");
    const std::string kindName = args.Next("element kind (ellipsoid or cylinder)");
    args.Finish();
    const CPhantom::ElementKind* kind = CPhantom::FindKind(kindName);
    if (!kind) throw CliError("unknown element kind '" + kindName + "' (ellipsoid or cylinder)");

    CPhantom phantom;
    OpenPhantom(phantom, path);
    CPhantomElement* element = phantom.AddElement(kind->cls);
    if (!element) throw CliError(std::string("cannot create a ") + kind->name);

    CPhantomElementForm form = CPhantomElementForm::FromElement(*element);
    for (int i = 0; i < 3; ++i) {
        if (hasScale) form.scale[i] = scale[i];
        if (hasAngles) form.angles[i] = angles[i];
        if (hasTranslation) form.translation[i] = translation[i];
    }
    if (hasMu) form.mu = mu;
    std::string error;
    if (!form.ApplyTo(*element, error)) throw CliError(error + "; " + path + " is unchanged");
    phantom.SetModifiedFlag();
    SavePhantom(phantom, path);
    std::cout << phantom.GetCount() - 1 << '\n';
    return 0;
}

int RunList(Args& args) {
    const std::string path = args.Next("phantom file");
    args.Finish();
    CPhantom phantom;
    OpenPhantom(phantom, path);
    for (std::size_t i = 0; i < phantom.GetCount(); ++i) {
        const CPhantomElement& e = *phantom.GetElement(i);
        const CPhantom::ElementKind* kind = CPhantom::KindOf(e);
        char line[160];
        std::snprintf(line, sizeof line, "%zu\t%s\t(%+.3f,%+.3f,%+.3f)\t%+.2f", i, kind ? kind->label : "?",
                      e.m_translation.p[0], e.m_translation.p[1], e.m_translation.p[2],
                      static_cast<double>(e.m_mu));
        std::cout << line << '\n';
    }
    return 0;
}

int RunRemove(Args& args) {
    const std::string path = args.Next("phantom file");
    const int index = Args::ToInt(args.Next("element index"), "element index");
    args.Finish();
    CPhantom phantom;
    OpenPhantom(phantom, path);
    if (index < 0 || static_cast<std::size_t>(index) >= phantom.GetCount())
        throw CliError("element index " + std::to_string(index) + " is out of range (" + path + " has " +
                       std::to_string(phantom.GetCount()) + " elements)");
    phantom.RemoveElement(phantom.GetElement(static_cast<std::size_t>(index)));
    SavePhantom(phantom, path);
    return 0;
}

int RunSheppLogan(Args& args) {
    const bool force = args.Flag("--force");
    const std::string path = args.Next("phantom file");
    args.Finish();
    CheckCanCreate(path, force);
    CPhantom phantom;
    phantom.OnNewDocument();
    AddSheppLogan(phantom);
    SavePhantom(phantom, path);
    return 0;
}

}  // namespace

int RunPhantomCommand(Args& args) {
    const std::string sub = args.Next("phantom subcommand (new, add, list, remove, shepp-logan)");
    if (sub == "new") return RunNew(args);
    if (sub == "add") return RunAdd(args);
    if (sub == "list") return RunList(args);
    if (sub == "remove") return RunRemove(args);
    if (sub == "shepp-logan") return RunSheppLogan(args);
    throw CliError("unknown phantom subcommand '" + sub + "' (new, add, list, remove, shepp-logan)");
}

}  // namespace voxmill::cli
