// Peak memory of opening hostile files: within 1100 x the file's size plus
// a constant (deflate alone expands about 1032 times), checked on the
// program itself under an address-space limit, so that a reader that
// trusts a size fails cleanly (or is caught) instead of taking the machine.
// The files are the crafted ones the fuzz regressions keep.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/common/TempDir.h"

namespace voxmill::test {
namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t kRatio = 1100;
constexpr std::uint64_t kConstantBytes = std::uint64_t{96} << 20;
// The program's own address space before it reads anything (libraries,
// thread stacks) counts against the limit, not against the bound.
constexpr std::uint64_t kAddressSpaceSlack = std::uint64_t{512} << 20;

// A regression input, unpacked when it is gzip-compressed.
std::vector<std::uint8_t> ReadRegression(const std::string& name) {
    const std::string path = std::string(VOXMILL_FUZZ_REGRESSIONS) + "/" + name;
    gzFile in = gzopen(path.c_str(), "rb");
    if (!in) return {};
    std::vector<std::uint8_t> bytes;
    std::uint8_t buf[65536];
    for (int n; (n = gzread(in, buf, sizeof buf)) > 0;) bytes.insert(bytes.end(), buf, buf + n);
    gzclose(in);
    return bytes;
}

struct Outcome {
    int exitCode = -1;        // -1: killed by a signal
    std::uint64_t peakBytes;  // resident set at its largest
    std::string output;
};

// Runs voxmill-cli in `folder` under an address-space limit.
Outcome RunLimited(const std::string& folder, const std::vector<std::string>& args, std::uint64_t limitBytes,
                   const std::string& registry = {}) {
    const std::string log = folder + "/output.txt";
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(folder.c_str()) != 0) ::_exit(126);
        const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(out, 1);
        ::dup2(out, 2);
        if (!registry.empty()) ::setenv("VOXMILL_REGISTRY", registry.c_str(), 1);
        const rlimit limit{limitBytes, limitBytes};
        ::setrlimit(RLIMIT_AS, &limit);
        std::vector<char*> argv{const_cast<char*>(VOXMILL_CLI)};
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(VOXMILL_CLI, argv.data());
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    Outcome o;
    o.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    o.peakBytes = static_cast<std::uint64_t>(usage.ru_maxrss) * 1024;
    o.output = ReadBytes(log).empty() ? std::string() : [&] {
        const auto b = ReadBytes(log);
        return std::string(b.begin(), b.end());
    }();
    return o;
}

struct HostileFile {
    const char* name;
    std::string file;               // written into the folder under this name
    std::vector<std::uint8_t> bytes;
    std::vector<std::string> args;  // how the program opens it
    bool asRegistry;
    const char* message;            // the refusal it must give
};

// A registry whose one section name has `components` path components.
std::vector<std::uint8_t> DeepRegistry(std::size_t components) {
    std::string text = "[K";
    for (std::size_t i = 1; i < components; ++i) text += "\\k";
    text += "]\n";
    return {text.begin(), text.end()};
}

// The matrix regressions start with the import dialog's values (see
// tests/fuzz/FuzzOpen.cpp): type, width, height, offset, count.
std::vector<std::string> ImportArgs(const char* kind, const std::string& out, const std::vector<std::uint8_t>& b) {
    std::uint32_t fields[4];
    std::memcpy(fields, b.data() + 1, sizeof fields);
    static const char* kTypes[] = {"float", "double", "int8", "int16", "int32", "int64"};
    return {"import", kind, "data.raw", out, "--type", kTypes[b[0] % 6], "--pixels", std::to_string(fields[0]),
            std::to_string(fields[1])};
}

TEST(PeakMemory, OpeningHostileFilesStaysWithinElevenHundredTimesTheirSize) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer reserves terabytes of address space";
#endif
    const auto matrix = ReadRegression("matrix-wrapping-size.bin");
    const auto sinogram = ReadRegression("sinogram-wrapping-size.bin");
    ASSERT_GE(matrix.size(), 17u);
    ASSERT_GE(sinogram.size(), 17u);
    const std::vector<HostileFile> files{
        {"registry of 2000 components", "registry.ini", DeepRegistry(2000), {"plugins", "list"}, true,
         "line 1: key path of"},
        {"registry of 32000 components", "registry.ini", DeepRegistry(32000), {"plugins", "list"}, true,
         "line 1: key path of"},
        {"registry with a 4200-component key", "registry.ini", ReadRegression("registry-4200-component-key.ini"),
         {"plugins", "list"}, true, "line 4: key path of"},
        {"collection of a million empty linked members", "m.prs",
         ReadRegression("prs-million-empty-linked-members.prs.gz"), {"info", "m.prs"}, false,
         "more than the 65536 allowed"},
        {"cine of a million empty linked slides", "m.sds", ReadRegression("sds-million-empty-linked-members.sds.gz"),
         {"info", "m.sds"}, false, "more than the 65536 allowed"},
        {"binary matrix of a wrapping size", "data.raw", {matrix.begin() + 17, matrix.end()},
         ImportArgs("raw", "out.prj", matrix), false, "too large"},
        {"sinogram of a wrapping size", "data.raw", {sinogram.begin() + 17, sinogram.end()},
         ImportArgs("sinogram", "out.prs", sinogram), false, "too large"},
    };
    for (const HostileFile& f : files) {
        SCOPED_TRACE(f.name);
        ASSERT_FALSE(f.bytes.empty());
        TempDir dir;
        WriteBytes(dir.File(f.file), f.bytes);
        const std::uint64_t bound = kRatio * f.bytes.size() + kConstantBytes;
        const Outcome o = RunLimited(dir.path().string(), f.args, bound + kAddressSpaceSlack,
                                     f.asRegistry ? dir.File(f.file) : std::string());
        EXPECT_EQ(o.exitCode, 1) << o.output;  // refused with a message, not killed
        EXPECT_NE(o.output.find(f.message), std::string::npos) << o.output;
        EXPECT_LE(o.peakBytes, bound) << o.peakBytes << " bytes at the peak for " << f.bytes.size();
        std::cout << f.name << ": " << f.bytes.size() << " bytes, peak " << (o.peakBytes >> 10) << " KiB (bound "
                  << (bound >> 10) << " KiB)\n";
        if (f.asRegistry) {
            EXPECT_EQ(ReadBytes(dir.File(f.file)), f.bytes);  // never rewritten
        }
    }
}

}  // namespace
}  // namespace voxmill::test
