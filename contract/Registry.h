// The component registry shared by the program and its plug-ins: a text
// file holding the keys a Windows registry would hold for in-process
// controls (class id -> display name, module, program id, implemented
// categories; category id -> description; type libraries).
//
// File: $VOXMILL_REGISTRY, else $XDG_CONFIG_HOME/voxmill/registry.ini, else
// ~/.config/voxmill/registry.ini. Layout, in the spirit of a .reg export:
//
//   ; comment
//   [CLSID\{67D20F26-7B01-11D3-BDB9-00902724DB28}]
//   @="Tessor Control"
//   [Component Categories\{D97195A0-8A2C-11D3-B424-B3F24566ED29}]
//   "409"="Voxmill Plugins"
//
// A section names a key by its full path (components separated by '\',
// compared without regard to ASCII case); "@" is the default value; values
// are quoted strings with the escapes \\ \" \n \r \t. A key read from a
// section implies its parents without giving them sections of their own,
// so loading and saving stay linear in the file's size. Key paths are limited in depth and
// length (kMaxKeyDepth, kMaxKeyPathBytes), both when read and when set, and
// a registry whose text would exceed kMaxFileBytes is never written: what
// is saved can always be read back. Reading never trusts the file: a
// malformed line is an error naming the line, never a crash. Writing goes
// to a temporary file beside the target that is renamed over it, and
// read-modify-write cycles hold an advisory lock, so parallel registrations
// (a build registering two plug-ins) lose nothing.
#pragma once

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "contract/Com.h"
#include "contract/FileReplace.h"

namespace voxmill {

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper-case hex.
inline std::string StringFromGUID(const GUID& g) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.Data1, g.Data2,
                  g.Data3, g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6],
                  g.Data4[7]);
    return buf;
}

// Parses the form above (any hex case, braces required); nullopt otherwise.
inline std::optional<GUID> GUIDFromString(std::string_view s) {
    static constexpr int kDigits[] = {8, 4, 4, 4, 12};
    if (s.size() != 38 || s.front() != '{' || s.back() != '}') return std::nullopt;
    std::uint8_t bytes[16] = {};
    std::size_t pos = 1;
    int nibble = 0;
    for (int group = 0; group < 5; ++group) {
        if (group > 0 && s[pos++] != '-') return std::nullopt;
        for (int d = 0; d < kDigits[group]; ++d) {
            const char c = s[pos++];
            int v;
            if (c >= '0' && c <= '9') v = c - '0';
            else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
            else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
            else return std::nullopt;
            bytes[nibble / 2] = static_cast<std::uint8_t>(bytes[nibble / 2] | (nibble % 2 ? v : v << 4));
            ++nibble;
        }
    }
    GUID g;
    g.Data1 = (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) | (std::uint32_t{bytes[2]} << 8) |
              bytes[3];
    g.Data2 = static_cast<std::uint16_t>((bytes[4] << 8) | bytes[5]);
    g.Data3 = static_cast<std::uint16_t>((bytes[6] << 8) | bytes[7]);
    std::memcpy(g.Data4, bytes + 8, 8);
    return g;
}

class CRegistry {
public:
    // Files larger than this are refused as not a registry.
    static constexpr std::size_t kMaxFileBytes = 16u << 20;
    // Real keys are a handful of components deep ("TypeLib\{...}\1.0\0\linux");
    // anything far beyond is damage or an attack.
    static constexpr std::size_t kMaxKeyDepth = 32;
    static constexpr std::size_t kMaxKeyPathBytes = 1024;

    // The registry the program and the plug-ins use (see the header comment).
    static std::string DefaultPath() {
        if (const char* p = std::getenv("VOXMILL_REGISTRY"); p && *p) return p;
        std::string base;
        if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x) base = x;
        else if (const char* h = std::getenv("HOME"); h && *h) base = std::string(h) + "/.config";
        else base = ".";
        return base + "/voxmill/registry.ini";
    }

    // --- keys and values (paths like "CLSID\\{...}\\InprocServer32") ---

    // A key exists when it was created or when a key below it exists.
    bool HasKey(std::string_view path) const {
        const std::string key = Normalize(path);
        if (key.empty()) return false;
        if (m_keys.count(key)) return true;
        const auto below = m_keys.lower_bound(key + '\\');
        return below != m_keys.end() && IsSameOrBelow(below->first, key);
    }

    // Creates the key and every missing parent, as sections of their own
    // (bounded by the depth limit); false on an invalid path.
    bool CreateKey(std::string_view path) {
        const std::string key = Normalize(path);
        if (key.empty() || !KeyProblem(key).empty()) return false;
        for (std::size_t pos = key.find('\\'); pos != std::string::npos; pos = key.find('\\', pos + 1))
            m_keys.try_emplace(key.substr(0, pos));
        m_keys.try_emplace(key);
        return true;
    }

    // Removes the key with all its subkeys and values; false when absent.
    bool DeleteKey(std::string_view path) {
        const std::string key = Normalize(path);
        if (!HasKey(key)) return false;
        m_keys.erase(key);
        // Keys below `key` share the prefix "key\\", which keeps them together in the order.
        auto it = m_keys.lower_bound(key + '\\');
        while (it != m_keys.end() && IsSameOrBelow(it->first, key)) it = m_keys.erase(it);
        return true;
    }

    // The value `name` ("" for the default value) of the key, if both exist.
    std::optional<std::string> GetValue(std::string_view path, std::string_view name = {}) const {
        const auto key = m_keys.find(Normalize(path));
        if (key == m_keys.end()) return std::nullopt;
        const auto value = key->second.find(std::string(name));
        if (value == key->second.end()) return std::nullopt;
        return value->second;
    }

    // Creates the key as needed; false on an invalid path.
    bool SetValue(std::string_view path, std::string_view name, std::string_view value) {
        if (!CreateKey(path)) return false;
        m_keys[Normalize(path)][std::string(name)] = std::string(value);
        return true;
    }

    bool DeleteValue(std::string_view path, std::string_view name = {}) {
        const auto key = m_keys.find(Normalize(path));
        return key != m_keys.end() && key->second.erase(std::string(name)) != 0;
    }

    // Names of the direct subkeys, in the registry's (case-blind sorted) order.
    std::vector<std::string> SubKeys(std::string_view path) const {
        const std::string key = Normalize(path);
        std::set<std::string, CaseBlindLess> names;
        auto it = key.empty() ? m_keys.begin() : m_keys.lower_bound(key + '\\');
        for (; it != m_keys.end() && IsSameOrBelow(it->first, key); ++it) {
            if (it->first.size() == key.size()) continue;
            const std::string rest = key.empty() ? it->first : it->first.substr(key.size() + 1);
            // Deeper keys make their first component a subkey too.
            names.insert(rest.substr(0, rest.find('\\')));
        }
        return {names.begin(), names.end()};
    }

    bool Empty() const { return m_keys.empty(); }

    // --- the component-category operations the platform offers ---

    // Category id -> description under the locale ("409" for 0x409).
    void RegisterCategory(const CATID& catid, LONG locale, std::string_view description) {
        char loc[16];
        std::snprintf(loc, sizeof loc, "%x", static_cast<unsigned>(locale));
        SetValue("Component Categories\\" + StringFromGUID(catid), loc, description);
    }

    void RegisterClassImplCategory(const CLSID& clsid, const CATID& catid) {
        CreateKey(ClassKey(clsid) + "\\Implemented Categories\\" + StringFromGUID(catid));
    }

    void UnRegisterClassImplCategory(const CLSID& clsid, const CATID& catid) {
        const std::string cats = ClassKey(clsid) + "\\Implemented Categories";
        DeleteKey(cats + "\\" + StringFromGUID(catid));
        if (SubKeys(cats).empty()) DeleteKey(cats);
    }

    // Classes whose "Implemented Categories" hold catid, in registry order;
    // keys that are not class ids are ignored.
    std::vector<CLSID> ClassesImplementing(const CATID& catid) const {
        std::vector<CLSID> result;
        for (const std::string& name : SubKeys("CLSID")) {
            const auto clsid = GUIDFromString(name);
            if (!clsid) continue;
            if (HasKey(ClassKey(*clsid) + "\\Implemented Categories\\" + StringFromGUID(catid)))
                result.push_back(*clsid);
        }
        return result;
    }

    static std::string ClassKey(const CLSID& clsid) { return "CLSID\\" + StringFromGUID(clsid); }

    // --- what a self-registering module writes and removes ---

    // The class's display name, module, program id (both directions) and,
    // when given, its type library.
    void RegisterInprocClass(const CLSID& clsid, std::string_view displayName, std::string_view modulePath,
                             std::string_view progId, const GUID* typeLib = nullptr) {
        const std::string key = ClassKey(clsid);
        SetValue(key, "", displayName);
        SetValue(key + "\\InprocServer32", "", modulePath);
        if (!progId.empty()) {
            SetValue(key + "\\ProgID", "", progId);
            SetValue(std::string(progId), "", displayName);
            SetValue(std::string(progId) + "\\CLSID", "", StringFromGUID(clsid));
        }
        if (typeLib) SetValue(key + "\\TypeLib", "", StringFromGUID(*typeLib));
    }

    // Removes the class key and the program id that points back at it.
    void UnregisterClass(const CLSID& clsid) {
        const std::string key = ClassKey(clsid);
        if (auto progId = GetValue(key + "\\ProgID"); progId && !progId->empty()) {
            const auto back = GetValue(*progId + "\\CLSID");
            if (back && GUIDFromString(*back) == std::optional<GUID>(clsid)) DeleteKey(*progId);
        }
        DeleteKey(key);
    }

    // version like "1.0"; the module path stands where Windows keeps "0\\win32".
    void RegisterTypeLib(const GUID& libid, std::string_view version, std::string_view name,
                         std::string_view modulePath) {
        const std::string key = "TypeLib\\" + StringFromGUID(libid) + "\\" + std::string(version);
        SetValue(key, "", name);
        SetValue(key + "\\0\\linux", "", modulePath);
    }

    void UnRegisterTypeLib(const GUID& libid, std::string_view version) {
        const std::string lib = "TypeLib\\" + StringFromGUID(libid);
        DeleteKey(lib + "\\" + std::string(version));
        if (SubKeys(lib).empty()) DeleteKey(lib);
    }

    // Absolute path of the loaded module that contains `address` (a module
    // passes one of its own functions); "" when it cannot be told.
    static std::string ModulePathOf(const void* address) {
        Dl_info info{};
        if (::dladdr(address, &info) == 0 || !info.dli_fname || !*info.dli_fname) return {};
        char* real = ::realpath(info.dli_fname, nullptr);
        if (!real) return info.dli_fname;
        std::string path = real;
        std::free(real);
        return path;
    }

    // --- text form ---

    // Replaces the contents by the text; on a malformed line the contents
    // are left empty and *error names the line.
    bool Parse(std::string_view text, std::string* error) {
        m_keys.clear();
        std::string current;
        std::size_t lineNo = 0;
        std::size_t pos = 0;
        while (pos < text.size()) {
            std::size_t end = text.find('\n', pos);
            if (end == std::string_view::npos) end = text.size();
            std::string_view line = text.substr(pos, end - pos);
            pos = end + 1;
            ++lineNo;
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            line = Trim(line);
            if (line.empty() || line.front() == ';' || line.front() == '#') continue;
            std::string why;
            if (line.front() == '[') {
                const std::string key =
                    line.back() == ']' ? Normalize(line.substr(1, line.size() - 2)) : std::string();
                if (line.back() != ']') why = "section without closing ']'";
                else if (key.empty()) why = "invalid key path";
                else why = KeyProblem(key);
                if (why.empty()) {
                    m_keys.try_emplace(key);
                    current = key;
                }
            } else if (current.empty()) {
                why = "value outside any [key]";
            } else {
                std::string name, value;
                if (ParseValueLine(line, name, value, why)) m_keys[current][name] = value;
            }
            if (!why.empty()) {
                m_keys.clear();
                if (error) *error = "line " + std::to_string(lineNo) + ": " + why;
                return false;
            }
        }
        return true;
    }

    std::string Format() const {
        std::string out = "; Voxmill component registry\n";
        for (const auto& [key, values] : m_keys) {
            out += "\n[" + key + "]\n";
            if (auto def = values.find(""); def != values.end()) out += "@=" + Quote(def->second) + "\n";
            for (const auto& [name, value] : values)
                if (!name.empty()) out += Quote(name) + "=" + Quote(value) + "\n";
        }
        return out;
    }

    // --- files ---

    // A missing file is an empty registry. False with *error on a read
    // failure or a malformed file (the contents are then empty).
    bool Load(const std::string& path, std::string* error) {
        m_keys.clear();
        std::string text;
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            if (errno == ENOENT) return true;
            return Fail(error, path + ": " + std::strerror(errno));
        }
        bool ok = ReadAll(fd, text, path, error);
        ::close(fd);
        if (!ok) return false;
        std::string why;
        if (!Parse(text, &why)) return Fail(error, path + ": " + why);
        return true;
    }

    // Writes a temporary file beside `path` and renames it over `path`;
    // creates missing parent directories. The old file survives a failure.
    // A symbolic link at `path` is followed; the file keeps its mode.
    // Refuses (writing nothing) a text the reader would refuse.
    bool Save(const std::string& path, std::string* error) const {
        if (!MakeParentDirs(path, error)) return false;
        const std::string text = Format();
        if (text.size() > kMaxFileBytes)
            return Fail(error, path + ": the registry would be too large to read back (" +
                                   std::to_string(text.size()) + " bytes); not written");
        const std::string target = file_replace::ResolveLinks(path);
        file_replace::RemoveStaleTemps(target);
        std::string temp;
        const int fd = file_replace::CreateTemp(target, temp);
        if (fd < 0) return Fail(error, target + ": " + std::strerror(errno));
        bool ok = WriteAll(fd, text);
        ok = (::fsync(fd) == 0) && ok;
        ok = (::close(fd) == 0) && ok;
        if (!ok || !file_replace::CommitTemp(temp, target)) {
            const std::string why = std::strerror(errno);
            ::unlink(temp.c_str());
            return Fail(error, path + ": cannot write the registry (" + why + ")");
        }
        return true;
    }

    // Loads, lets `change` edit, and saves, holding an exclusive lock on
    // "<path>.lock" throughout. A malformed file is left untouched (change
    // is not called), so a damaged registry is never overwritten blindly.
    static bool Update(const std::string& path, const std::function<void(CRegistry&)>& change,
                       std::string* error) {
        if (!MakeParentDirs(path, error)) return false;
        const std::string lockPath = path + ".lock";
        const int lock = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (lock < 0) return Fail(error, lockPath + ": " + std::strerror(errno));
        while (::flock(lock, LOCK_EX) != 0 && errno == EINTR) {
        }
        CRegistry reg;
        bool ok = reg.Load(path, error);
        if (ok) {
            change(reg);
            ok = reg.Save(path, error);
        }
        ::close(lock);  // releases the lock
        return ok;
    }

private:
    // Case-blind ASCII ordering, as the platform registry compares keys.
    struct CaseBlindLess {
        bool operator()(const std::string& a, const std::string& b) const {
            return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                                [](char x, char y) { return Lower(x) < Lower(y); });
        }
    };
    using Values = std::map<std::string, std::string, CaseBlindLess>;

    static char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

    static bool EqualsCaseBlind(std::string_view a, std::string_view b) {
        return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                                  [](char x, char y) { return Lower(x) == Lower(y); });
    }

    // Why a normalised key path is refused; empty when it is acceptable.
    static std::string KeyProblem(const std::string& key) {
        if (key.size() > kMaxKeyPathBytes)
            return "key path of " + std::to_string(key.size()) + " bytes (at most " +
                   std::to_string(kMaxKeyPathBytes) + ")";
        const std::size_t depth = static_cast<std::size_t>(std::count(key.begin(), key.end(), '\\')) + 1;
        if (depth > kMaxKeyDepth)
            return "key path of " + std::to_string(depth) + " components (at most " +
                   std::to_string(kMaxKeyDepth) + ")";
        return {};
    }

    static bool IsSameOrBelow(const std::string& key, const std::string& parent) {
        if (parent.empty()) return true;
        if (key.size() < parent.size() || !EqualsCaseBlind(std::string_view(key).substr(0, parent.size()), parent))
            return false;
        return key.size() == parent.size() || key[parent.size()] == '\\';
    }

    static std::string_view Trim(std::string_view s) {
        while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
        while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
        return s;
    }

    // Strips outer separators; "" for an empty path, an empty component or
    // a character that cannot stand in a section line.
    static std::string Normalize(std::string_view path) {
        while (!path.empty() && path.front() == '\\') path.remove_prefix(1);
        while (!path.empty() && path.back() == '\\') path.remove_suffix(1);
        if (path.find("\\\\") != std::string_view::npos) return {};
        for (char c : path)
            if (c == '\n' || c == '\r' || c == '\0') return {};
        return std::string(path);
    }

    static std::string Quote(std::string_view s) {
        std::string out = "\"";
        for (char c : s) {
            switch (c) {
                case '\\': out += "\\\\"; break;
                case '"': out += "\\\""; break;
                case '\n': out += "\\n"; break;
                case '\r': out += "\\r"; break;
                case '\t': out += "\\t"; break;
                default: out += c;
            }
        }
        return out + "\"";
    }

    // Reads a quoted string starting at s[pos] == '"'; pos ends after it.
    static bool Unquote(std::string_view s, std::size_t& pos, std::string& out) {
        if (pos >= s.size() || s[pos] != '"') return false;
        for (++pos; pos < s.size(); ++pos) {
            char c = s[pos];
            if (c == '"') {
                ++pos;
                return true;
            }
            if (c == '\\') {
                if (++pos >= s.size()) return false;
                switch (s[pos]) {
                    case '\\': c = '\\'; break;
                    case '"': c = '"'; break;
                    case 'n': c = '\n'; break;
                    case 'r': c = '\r'; break;
                    case 't': c = '\t'; break;
                    default: return false;
                }
            }
            out += c;
        }
        return false;
    }

    // @="value" or "name"="value".
    static bool ParseValueLine(std::string_view line, std::string& name, std::string& value, std::string& why) {
        std::size_t pos = 0;
        if (line.front() == '@') {
            pos = 1;
        } else if (!Unquote(line, pos, name) || name.empty()) {
            why = "expected @= or \"name\"=";
            return false;
        }
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
        if (pos >= line.size() || line[pos] != '=') {
            why = "expected '=' after the value name";
            return false;
        }
        ++pos;
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
        if (!Unquote(line, pos, value)) {
            why = "value is not a complete quoted string";
            return false;
        }
        if (pos != line.size()) {
            why = "text after the value";
            return false;
        }
        return true;
    }

    static bool Fail(std::string* error, const std::string& message) {
        if (error) *error = message;
        return false;
    }

    static bool ReadAll(int fd, std::string& text, const std::string& path, std::string* error) {
        struct stat st {};
        if (::fstat(fd, &st) != 0) return Fail(error, path + ": " + std::strerror(errno));
        if (!S_ISREG(st.st_mode)) return Fail(error, path + ": not a regular file");
        if (static_cast<std::uint64_t>(st.st_size) > kMaxFileBytes)
            return Fail(error, path + ": too large for a registry file");
        char buf[8192];
        for (;;) {
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) return Fail(error, path + ": " + std::strerror(errno));
            if (n == 0) return true;
            if (text.size() + static_cast<std::size_t>(n) > kMaxFileBytes)
                return Fail(error, path + ": too large for a registry file");
            text.append(buf, static_cast<std::size_t>(n));
        }
    }

    static bool WriteAll(int fd, const std::string& text) {
        std::size_t done = 0;
        while (done < text.size()) {
            const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            done += static_cast<std::size_t>(n);
        }
        return true;
    }

    static bool MakeParentDirs(const std::string& path, std::string* error) {
        for (std::size_t pos = path.find('/', 1); pos != std::string::npos; pos = path.find('/', pos + 1)) {
            const std::string dir = path.substr(0, pos);
            if (::mkdir(dir.c_str(), 0755) != 0 && errno != EEXIST)
                return Fail(error, dir + ": " + std::strerror(errno));
        }
        return true;
    }

    std::map<std::string, Values, CaseBlindLess> m_keys;
};

}  // namespace voxmill
