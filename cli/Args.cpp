#include "cli/Command.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <limits>

#include "cli/DocumentCommands.h"

namespace voxmill::cli {

std::string Args::Next(const char* what) {
    if (Empty()) throw CliError(std::string("missing ") + what);
    return m_words[m_pos++];
}

bool Args::Flag(const char* flag) {
    for (std::size_t i = m_pos; i < m_words.size(); ++i)
        if (m_words[i] == flag) {
            m_words.erase(m_words.begin() + static_cast<std::ptrdiff_t>(i));
            return true;
        }
    return false;
}

bool Args::OptionString(const char* option, std::string& value) {
    bool found = false;
    for (std::size_t i = m_pos; i < m_words.size();) {
        if (m_words[i] != option) {
            ++i;
            continue;
        }
        if (i + 1 >= m_words.size()) throw CliError(std::string(option) + " needs a value");
        value = m_words[i + 1];
        m_words.erase(m_words.begin() + static_cast<std::ptrdiff_t>(i),
                      m_words.begin() + static_cast<std::ptrdiff_t>(i + 2));
        found = true;
    }
    return found;
}

std::vector<std::string> Args::OptionStrings(const char* option) {
    std::vector<std::string> values;
    for (std::size_t i = m_pos; i < m_words.size();) {
        if (m_words[i] != option) {
            ++i;
            continue;
        }
        if (i + 1 >= m_words.size()) throw CliError(std::string(option) + " needs a value");
        values.push_back(m_words[i + 1]);
        m_words.erase(m_words.begin() + static_cast<std::ptrdiff_t>(i),
                      m_words.begin() + static_cast<std::ptrdiff_t>(i + 2));
    }
    return values;
}

template <class T, class Convert>
static bool TakeOption(std::vector<std::string>& words, std::size_t pos, const char* option, T* values, int count,
                       Convert convert) {
    bool found = false;
    for (std::size_t i = pos; i < words.size();) {
        if (words[i] != option) {
            ++i;
            continue;
        }
        if (i + static_cast<std::size_t>(count) >= words.size())
            throw CliError(std::string(option) + " needs " + std::to_string(count) + " value(s)");
        for (int k = 0; k < count; ++k) values[k] = convert(words[i + 1 + k], option);
        words.erase(words.begin() + static_cast<std::ptrdiff_t>(i),
                    words.begin() + static_cast<std::ptrdiff_t>(i + 1 + count));
        found = true;
    }
    return found;
}

bool Args::Option(const char* option, double* values, int count) {
    return TakeOption(m_words, m_pos, option, values, count, &Args::ToDouble);
}

bool Args::Option(const char* option, int* values, int count) {
    return TakeOption(m_words, m_pos, option, values, count, &Args::ToInt);
}

void Args::Finish() const {
    if (!Empty()) throw CliError("unexpected argument '" + m_words[m_pos] + "'");
}

double Args::ToDouble(const std::string& word, const char* what) {
    errno = 0;
    char* end = nullptr;
    const double v = std::strtod(word.c_str(), &end);
    if (word.empty() || *end != '\0' || errno == ERANGE || !std::isfinite(v))
        throw CliError(std::string(what) + ": '" + word + "' is not a number");
    return v;
}

int Args::ToInt(const std::string& word, const char* what) {
    errno = 0;
    char* end = nullptr;
    const long v = std::strtol(word.c_str(), &end, 10);
    if (word.empty() || *end != '\0' || errno == ERANGE || v < std::numeric_limits<int>::min() ||
        v > std::numeric_limits<int>::max())
        throw CliError(std::string(what) + ": '" + word + "' is not an integer");
    return static_cast<int>(v);
}

// Beside the argument helpers because every program that parses paths
// (voxmill-cli, voxmill-mpi) needs it.
std::string LowerExtension(const std::string& path) {
    std::string ext = std::filesystem::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext;
}

}  // namespace voxmill::cli
