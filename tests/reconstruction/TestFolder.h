// Each test works in its own temporary folder with its own registry file:
// VOXMILL_REGISTRY points into the folder for the test's lifetime, so no
// test ever reads or writes the user's registry.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace voxmill::test {

// What a command printed and its exit status (-1 when it did not exit).
struct CliResult {
    int rc = -1;
    std::string out, err;
};

class CTestFolder {
public:
    CTestFolder() {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/voxmill-test-XXXXXX";
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        if (!::mkdtemp(name.data())) std::abort();
        m_path = name.data();
        if (const char* old = std::getenv("VOXMILL_REGISTRY")) m_oldRegistry = old;
        ::setenv("VOXMILL_REGISTRY", Registry().c_str(), 1);
    }
    ~CTestFolder() {
        if (m_oldRegistry) ::setenv("VOXMILL_REGISTRY", m_oldRegistry->c_str(), 1);
        else ::unsetenv("VOXMILL_REGISTRY");
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    CTestFolder(const CTestFolder&) = delete;
    CTestFolder& operator=(const CTestFolder&) = delete;

    const std::string& Path() const { return m_path; }
    std::string File(const std::string& name) const { return m_path + "/" + name; }
    std::string Registry() const { return File("registry.ini"); }

    // Runs `cli ARGUMENTS` in the folder through the shell, as a user types it.
    CliResult RunCli(const std::string& cli, const std::string& arguments) const {
        const std::string out = File("stdout.txt"), err = File("stderr.txt");
        const std::string command = "cd '" + m_path + "' && '" + cli + "' " + arguments + " >'" + out + "' 2>'" + err + "'";
        const int status = std::system(command.c_str());
        CliResult r;
        r.rc = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.out = ReadText(out);
        r.err = ReadText(err);
        return r;
    }

    static std::string ReadText(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    static void WriteText(const std::string& path, const std::string& text) {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << text;
    }

private:
    std::string m_path;
    std::optional<std::string> m_oldRegistry;
};

}  // namespace voxmill::test
