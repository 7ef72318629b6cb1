// Runs the reader scripts in readers/ with Debian's own python (where
// h5py, tifffile and VTK come from the distribution), so exported files
// are checked by code that shares nothing with the writers.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace voxmill::test {

inline std::string ShellQuote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// The script's output lines; a failed run fails the test.
inline std::vector<std::string> RunReader(const std::string& script, const std::vector<std::string>& args) {
    std::string command = "/usr/bin/python3 " + ShellQuote(std::string(VOXMILL_READERS_DIR) + "/" + script);
    for (const std::string& a : args) command += " " + ShellQuote(a);
    command += " 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    std::vector<std::string> lines;
    if (!pipe) {
        ADD_FAILURE() << "cannot run " << command;
        return lines;
    }
    std::string all;
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, pipe)) all += buffer;
    const int status = ::pclose(pipe);
    EXPECT_EQ(status, 0) << command << "\n" << all;
    std::istringstream in(all);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The rest of the first line starting with `key` and a space.
inline std::string Field(const std::vector<std::string>& lines, const std::string& key) {
    for (const std::string& line : lines)
        if (line.rfind(key + " ", 0) == 0) return line.substr(key.size() + 1);
    ADD_FAILURE() << "no line '" << key << "'";
    return {};
}

inline std::vector<double> Numbers(const std::string& text) {
    std::istringstream in(text);
    std::vector<double> v;
    for (std::string word; in >> word;) v.push_back(std::strtod(word.c_str(), nullptr));
    return v;
}

template <class T>
std::vector<T> ReadSamples(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<T> v(bytes.size() / sizeof(T));
    std::memcpy(v.data(), bytes.data(), v.size() * sizeof(T));
    return v;
}

template <class T>
void WriteSamples(const std::string& path, const std::vector<T>& v) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(v.data()), static_cast<std::streamsize>(v.size() * sizeof(T)));
}

}  // namespace voxmill::test
