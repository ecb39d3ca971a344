// The dialog installer's menu entry (see menu_entry.h).
#include "menu_entry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "pf/registry.h"

namespace pf::posix {
namespace {

constexpr const char* kKey = "Software\\Velnorix";
constexpr const char* kPrefix = "velnorix-installed-";
constexpr int kMostEntries = 1000;

std::string DataHome() {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data != nullptr && data[0] == '/') return data;
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/') return std::string();
    return std::string(home) + "/.local/share";
}

std::string EntryFolder() { return DataHome() + "/applications"; }
std::string IconFolder() { return DataHome() + "/icons/hicolor/64x64/apps"; }

bool MakeFolders(const std::string& path) {
    for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string part = path.substr(0, slash);
        if (::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return false;
        if (slash == std::string::npos) break;
    }
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// A new file with exactly these bytes; false (and no file) when the name is
// taken or the write fails.
bool CreateNew(const std::string& path, const std::string& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (wrote <= 0) break;
        done += static_cast<size_t>(wrote);
    }
    const bool ok = ::close(fd) == 0 && done == bytes.size();
    if (!ok) ::unlink(path.c_str());
    return ok;
}

bool Exists(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

std::string Absolute(const std::string& path) {
    if (path.empty() || path[0] == '/') return path;
    char current[PATH_MAX];
    if (::getcwd(current, sizeof current) == nullptr) return std::string();
    return std::string(current) + "/" + path;
}

std::string Canonical(const std::string& path) {
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : std::string();
}

// Desktop entry values are escaped for \, newline, tab; Exec arguments are
// quoted, with ", `, $ and \ escaped inside the quotes.
std::string EscapeValue(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c == '\\') out += "\\\\";
        else if (c == '\n') out += "\\n";
        else if (c == '\t') out += "\\t";
        else if (c == '\r') out += "\\r";
        else out += c;
    }
    return out;
}

std::string QuoteArgument(const std::string& text) {
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
        quoted += c;
        if (c == '%') quoted += '%';  // a field code otherwise
    }
    return EscapeValue(quoted + "\"");
}

std::string QueryValue(HKEY key, const char* name) {
    char text[4096];
    DWORD size = sizeof text;
    DWORD type = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ || size == 0)
        return std::string();
    return std::string(text, ::strnlen(text, size));
}

bool SetValue(HKEY key, const char* name, const std::string& text) {
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
}

// A name this code made: prefix, digits, suffix.
bool OurName(const std::string& path, const std::string& folder, const char* suffix) {
    const std::string start = folder + "/" + kPrefix;
    const size_t suffixSize = std::strlen(suffix);
    if (path.size() <= start.size() + suffixSize || path.compare(0, start.size(), start) != 0 ||
        path.compare(path.size() - suffixSize, suffixSize, suffix) != 0)
        return false;
    for (size_t i = start.size(); i < path.size() - suffixSize; ++i)
        if (path[i] < '0' || path[i] > '9') return false;
    return true;
}

// Whether the entry's Path line names folder.
bool EntryNamesFolder(const std::string& entry, const std::string& folder) {
    const int fd = ::open(entry.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return false;
    std::string text;
    char buffer[4096];
    ssize_t got;
    while (text.size() < 65536 && (got = ::read(fd, buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<size_t>(got));
    ::close(fd);
    return text.find("\nPath=" + EscapeValue(folder) + "\n") != std::string::npos;
}

}  // namespace

std::string RegisteredFolder() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return std::string();
    const std::string folder = QueryValue(key, "Path");
    RegCloseKey(key);
    return Absolute(folder);
}

bool AddMenuEntry(const std::string& folder, const std::string& iconPng) {
    const std::string data = DataHome();
    if (data.empty() || folder.empty() || folder[0] != '/') return false;
    const std::string entries = EntryFolder(), icons = IconFolder();
    if (!MakeFolders(entries) || !MakeFolders(icons)) return false;

    std::string entry, icon;
    for (int n = 1; n <= kMostEntries; ++n) {
        entry = entries + "/" + kPrefix + std::to_string(n) + ".desktop";
        icon = icons + "/" + kPrefix + std::to_string(n) + ".png";
        if (Exists(entry) || Exists(icon)) continue;
        if (!CreateNew(icon, iconPng)) continue;
        const std::string text =
            "[Desktop Entry]\n"
            "Type=Application\n"
            "Name=Velnorix\n"
            "Comment=" + EscapeValue("Velnorix installed in " + folder) + "\n"
            "Exec=" + QuoteArgument(folder + "/velnorix") + "\n"
            "Path=" + EscapeValue(folder) + "\n"
            "Icon=" + EscapeValue(icon) + "\n"
            "Terminal=false\n"
            "Categories=Game;ArcadeGame;\n";
        if (CreateNew(entry, text)) break;
        ::unlink(icon.c_str());
        entry.clear();
    }
    if (entry.empty()) return false;

    HKEY key = nullptr;
    bool recorded = RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS;
    if (recorded) {
        recorded = SetValue(key, "MenuEntry", entry) && SetValue(key, "MenuIcon", icon);
        RegCloseKey(key);
    }
    if (!recorded) {
        ::unlink(entry.c_str());
        ::unlink(icon.c_str());
    }
    return recorded;
}

MenuEntryRecord MenuEntryOfThisFolder() {
    MenuEntryRecord record;
    const std::string folder = RegisteredFolder();
    if (folder.empty()) return record;
    const std::string here = Canonical(".");
    if (here.empty() || Canonical(folder) != here) return record;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return record;
    record.folder = folder;
    record.entry = QueryValue(key, "MenuEntry");
    record.icon = QueryValue(key, "MenuIcon");
    RegCloseKey(key);
    return record;
}

void RemoveMenuEntryIfUninstalled(const MenuEntryRecord& record) {
    if (record.entry.empty()) return;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        RegCloseKey(key);
        return;  // still installed
    }
    if (!OurName(record.entry, EntryFolder(), ".desktop") ||
        !EntryNamesFolder(record.entry, record.folder))
        return;
    ::unlink(record.entry.c_str());
    if (OurName(record.icon, IconFolder(), ".png")) ::unlink(record.icon.c_str());
}

}  // namespace pf::posix
