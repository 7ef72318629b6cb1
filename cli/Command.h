// The command table of voxmill-cli. Each subsystem adds its commands in a
// file of its own and one line in the table (Commands.cpp).
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "app/archive/ArchiveException.h"

namespace voxmill::cli {

// A usage or input error: main prints it as one line and exits non-zero.
class CliError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The line for a document that did not open: a read error already names
// its file ("phantom.pha is cut short: ..."); other errors get the path.
inline CliError OpenFailure(const std::string& path, const std::exception& e) {
    if (dynamic_cast<const CArchiveException*>(&e)) return CliError(e.what());
    return CliError(path + ": " + e.what());
}

// The words after the command name, with small parsing helpers.
class Args {
public:
    explicit Args(std::vector<std::string> words) : m_words(std::move(words)) {}

    bool Empty() const { return m_pos >= m_words.size(); }
    std::size_t Left() const { return m_words.size() - m_pos; }
    // Next positional word; CliError naming `what` when missing.
    std::string Next(const char* what);
    // True (and consumed) when the next word is `flag`.
    bool Flag(const char* flag);
    // Takes every occurrence of `option` followed by `count` numbers, in any
    // position; false when absent. Throws on missing or bad numbers.
    bool Option(const char* option, double* values, int count);
    bool Option(const char* option, int* values, int count);
    bool OptionString(const char* option, std::string& value);
    // All repeated values of an option with one string argument.
    std::vector<std::string> OptionStrings(const char* option);
    // CliError when words are left over.
    void Finish() const;

    static double ToDouble(const std::string& word, const char* what);
    static int ToInt(const std::string& word, const char* what);

private:
    std::vector<std::string> m_words;
    std::size_t m_pos = 0;
};

struct Command {
    const char* name;     // first word, e.g. "phantom"
    const char* usage;    // one or more lines for --help
    int (*run)(Args& args);
};

const std::vector<Command>& Commands();

}  // namespace voxmill::cli
