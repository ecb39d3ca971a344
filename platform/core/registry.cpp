// The registry stand-in: keys with REG_SZ values under HKEY_CURRENT_USER and
// HKEY_LOCAL_MACHINE, in one per-user store.
//
// The store is the text file "keys.reg" in the registry folder:
//
//   [HKEY_CURRENT_USER\Software\Velnorix]
//   "Version"="1.00\0"
//
// one line per key (its full path as created) followed by its values, each a
// quoted name and quoted bytes with the escapes \\ \" \0 \n and \xHH. Every
// operation reads the store afresh under the host's lock of it, so the
// installer and the uninstaller, separate programs, see each other's changes;
// every change replaces the whole store in one step (registry_file.h).
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "backend.h"
#include "pf/registry.h"
#include "registry_file.h"

namespace pf {
namespace {

constexpr const char* kCurrentUser = "HKEY_CURRENT_USER";
constexpr const char* kLocalMachine = "HKEY_LOCAL_MACHINE";
constexpr const char* kHeader = "; Velnorix registry store";

// Keys that exist on every Windows system; the programs open them without
// creating them.
const char* const kSystemKeys[] = {
    "HKEY_CURRENT_USER",
    "HKEY_CURRENT_USER\\Software",
    "HKEY_LOCAL_MACHINE",
    "HKEY_LOCAL_MACHINE\\Software",
    "HKEY_LOCAL_MACHINE\\Software\\Microsoft",
    "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows",
    "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion",
    "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
};

struct Value {
    std::string name;
    std::string data;
};

struct Key {
    std::string path;  // full path in the case it was created with
    std::vector<Value> values;
};

// Keyed by the lower-cased full path.
using Store = std::map<std::string, Key>;

// An open key handle; the handle value is the object's address.
struct OpenKey {
    std::string path;
};

std::mutex Mutex;
std::set<OpenKey*> OpenKeys;

std::string Lower(const std::string& text) {
    std::string out = text;
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool SameName(const std::string& a, const std::string& b) { return Lower(a) == Lower(b); }

std::string Parent(const std::string& path) {
    const size_t cut = path.rfind('\\');
    return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

bool IsSystemKey(const std::string& path) {
    for (const char* key : kSystemKeys)
        if (SameName(path, key)) return true;
    return false;
}

// --- The store's text ------------------------------------------------------

void Escape(std::string& out, const std::string& text) {
    static const char kHex[] = "0123456789ABCDEF";
    out += '"';
    for (const char c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (c == '\\' || c == '"') {
            out += '\\';
            out += c;
        } else if (u == 0) {
            out += "\\0";
        } else if (c == '\n') {
            out += "\\n";
        } else if (u < 0x20 || u == 0x7F) {
            out += "\\x";
            out += kHex[u >> 4];
            out += kHex[u & 15];
        } else {
            out += c;
        }
    }
    out += '"';
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Reads a quoted string at line[*at]; false when it is malformed.
bool Unescape(const std::string& line, size_t* at, std::string& out) {
    out.clear();
    if (*at >= line.size() || line[*at] != '"') return false;
    for (size_t i = *at + 1; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '"') {
            *at = i + 1;
            return true;
        }
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++i >= line.size()) return false;
        switch (line[i]) {
            case '\\': out += '\\'; break;
            case '"': out += '"'; break;
            case '0': out += '\0'; break;
            case 'n': out += '\n'; break;
            case 'x': {
                if (i + 2 >= line.size()) return false;
                const int high = HexDigit(line[i + 1]);
                const int low = HexDigit(line[i + 2]);
                if (high < 0 || low < 0) return false;
                out += static_cast<char>(high * 16 + low);
                i += 2;
                break;
            }
            default: return false;
        }
    }
    return false;
}

// Adds a key and its missing ancestors; returns the key.
Key& AddKey(Store& store, const std::string& path) {
    const std::string parent = Parent(path);
    if (!parent.empty()) AddKey(store, parent);
    Key& key = store[Lower(path)];
    if (key.path.empty()) key.path = path;
    return key;
}

bool IsRootName(const std::string& name) {
    return SameName(name, kCurrentUser) || SameName(name, kLocalMachine);
}

void Parse(Store& store, const std::string& text) {
    Key* current = nullptr;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            const std::string path = line.substr(1, line.size() - 2);
            const size_t root = path.find('\\');
            current = IsRootName(path.substr(0, root)) ? &AddKey(store, path) : nullptr;
            continue;
        }
        if (current == nullptr || line.empty() || line[0] != '"') continue;
        size_t at = 0;
        Value value;
        if (!Unescape(line, &at, value.name)) continue;
        if (at >= line.size() || line[at] != '=') continue;
        ++at;
        if (!Unescape(line, &at, value.data) || at != line.size()) continue;
        bool replaced = false;
        for (Value& old : current->values)
            if (SameName(old.name, value.name)) {
                old = value;
                replaced = true;
            }
        if (!replaced) current->values.push_back(value);
    }
}

std::string Serialize(const Store& store) {
    std::string out = kHeader;
    out += '\n';
    for (const auto& entry : store) {
        out += '[';
        out += entry.second.path;
        out += "]\n";
        for (const Value& value : entry.second.values) {
            Escape(out, value.name);
            out += '=';
            Escape(out, value.data);
            out += '\n';
        }
    }
    return out;
}

// One operation on the store: holds the lock from load to save.
class Session {
public:
    Session() {
        Parse(store_, file_.Load());
        for (const char* key : kSystemKeys) AddKey(store_, key);
    }

    Store& store() { return store_; }

    Key* Find(const std::string& path) {
        const auto found = store_.find(Lower(path));
        return found == store_.end() ? nullptr : &found->second;
    }

    bool Save() { return file_.Save(Serialize(store_)); }

private:
    core::RegistryFile file_;
    Store store_;
};

// --- Handles and paths ----------------------------------------------------

// The full path of an open key or a root; false for an unknown handle.
bool KeyPath(HKEY key, std::string& path) {
    if (key == HKEY_CURRENT_USER) {
        path = kCurrentUser;
        return true;
    }
    if (key == HKEY_LOCAL_MACHINE) {
        path = kLocalMachine;
        return true;
    }
    OpenKey* open = reinterpret_cast<OpenKey*>(key);
    if (OpenKeys.count(open) == 0) return false;
    path = open->path;
    return true;
}

// Appends a subkey path: components separated by single backslashes, none
// empty, no control characters. An empty or null subkey names the key
// itself.
bool JoinSubKey(std::string& path, const char* subKey) {
    if (subKey == nullptr || subKey[0] == 0) return true;
    std::string component;
    for (const char* c = subKey;; ++c) {
        if (*c == '\\' || *c == 0) {
            if (component.empty()) return false;
            path += '\\';
            path += component;
            component.clear();
            if (*c == 0) return true;
            continue;
        }
        if (static_cast<unsigned char>(*c) < 0x20) return false;
        component += *c;
    }
}

HKEY NewHandle(const std::string& path) {
    OpenKey* open = new OpenKey{path};
    OpenKeys.insert(open);
    return reinterpret_cast<HKEY>(open);
}

// Resolves key and subKey against the store; the code to return when that
// fails (and 0 when it worked).
LONG Resolve(Session& session, HKEY key, const char* subKey, std::string& path) {
    if (!KeyPath(key, path)) return ERROR_INVALID_HANDLE;
    Key* base = session.Find(path);
    if (base == nullptr) return ERROR_KEY_DELETED;
    path = base->path;
    if (!JoinSubKey(path, subKey)) return ERROR_INVALID_PARAMETER;
    return ERROR_SUCCESS;
}

// One call on a key: the lock taken, then the store loaded in a session, then
// key and subKey resolved; result() is the code to return when that failed.
class KeyCall {
public:
    KeyCall(HKEY key, const char* subKey) : result_(Resolve(session_, key, subKey, path_)) {}

    LONG result() const { return result_; }
    const std::string& path() const { return path_; }
    // The key itself; null when it does not exist.
    Key* Find() { return session_.Find(path_); }
    Store& store() { return session_.store(); }
    bool Save() { return session_.Save(); }

private:
    // Members are made in this order: the lock before the store is loaded.
    std::lock_guard<std::mutex> guard_{Mutex};
    Session session_;
    std::string path_;
    LONG result_;
};

}  // namespace

LONG RegOpenKeyExA(HKEY key, const char* subKey, DWORD /*options*/, REGSAM /*access*/,
                   HKEY* out) {
    int32_t code = 0;
    if (out != nullptr) *out = nullptr;
    if (core::FaultDue("RegOpenKeyExA", &code)) return code;
    if (out == nullptr) return ERROR_INVALID_PARAMETER;
    KeyCall call(key, subKey);
    if (call.result() != ERROR_SUCCESS) return call.result();
    const Key* found = call.Find();
    if (found == nullptr) return ERROR_FILE_NOT_FOUND;
    *out = NewHandle(found->path);
    return ERROR_SUCCESS;
}

LONG RegCreateKeyExA(HKEY key, const char* subKey, DWORD /*reserved*/, const char* /*className*/,
                     DWORD /*options*/, REGSAM /*access*/, void* /*security*/, HKEY* out,
                     DWORD* disposition) {
    int32_t code = 0;
    if (out != nullptr) *out = nullptr;
    if (core::FaultDue("RegCreateKeyExA", &code)) return code;
    if (out == nullptr) return ERROR_INVALID_PARAMETER;
    KeyCall call(key, subKey);
    if (call.result() != ERROR_SUCCESS) return call.result();
    if (const Key* found = call.Find()) {
        if (disposition != nullptr) *disposition = REG_OPENED_EXISTING_KEY;
        *out = NewHandle(found->path);
        return ERROR_SUCCESS;
    }
    AddKey(call.store(), call.path());
    if (!call.Save()) return ERROR_ACCESS_DENIED;
    if (disposition != nullptr) *disposition = REG_CREATED_NEW_KEY;
    *out = NewHandle(call.path());
    return ERROR_SUCCESS;
}

LONG RegSetValueExA(HKEY key, const char* valueName, DWORD /*reserved*/, DWORD type,
                    const BYTE* data, DWORD size) {
    int32_t code = 0;
    if (core::FaultDue("RegSetValueExA", &code)) return code;
    if (type != REG_SZ || (data == nullptr && size > 0)) return ERROR_INVALID_PARAMETER;
    KeyCall call(key, nullptr);
    if (call.result() != ERROR_SUCCESS) return call.result();
    Key* found = call.Find();
    Value value{valueName != nullptr ? valueName : "",
                std::string(reinterpret_cast<const char*>(data), size)};
    bool replaced = false;
    for (Value& old : found->values)
        if (SameName(old.name, value.name)) {
            old.data = value.data;
            replaced = true;
        }
    if (!replaced) found->values.push_back(value);
    return call.Save() ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

LONG RegQueryValueExA(HKEY key, const char* valueName, DWORD* /*reserved*/, DWORD* type,
                      BYTE* data, DWORD* size) {
    int32_t code = 0;
    if (core::FaultDue("RegQueryValueExA", &code)) return code;
    if (data != nullptr && size == nullptr) return ERROR_INVALID_PARAMETER;
    KeyCall call(key, nullptr);
    if (call.result() != ERROR_SUCCESS) return call.result();
    const std::string name = valueName != nullptr ? valueName : "";
    for (const Value& value : call.Find()->values) {
        if (!SameName(value.name, name)) continue;
        const DWORD length = static_cast<DWORD>(value.data.size());
        if (type != nullptr) *type = REG_SZ;
        if (size == nullptr) return ERROR_SUCCESS;
        const DWORD room = *size;
        *size = length;
        if (data == nullptr) return ERROR_SUCCESS;
        if (room < length) return ERROR_MORE_DATA;
        std::memcpy(data, value.data.data(), length);
        return ERROR_SUCCESS;
    }
    return ERROR_FILE_NOT_FOUND;
}

LONG RegCloseKey(HKEY key) {
    int32_t code = 0;
    if (core::FaultDue("RegCloseKey", &code)) return code;
    if (key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE) return ERROR_SUCCESS;
    std::lock_guard<std::mutex> guard(Mutex);
    OpenKey* open = reinterpret_cast<OpenKey*>(key);
    if (OpenKeys.erase(open) == 0) return ERROR_INVALID_HANDLE;
    delete open;
    return ERROR_SUCCESS;
}

LONG RegDeleteKeyA(HKEY key, const char* subKey) {
    int32_t code = 0;
    if (core::FaultDue("RegDeleteKeyA", &code)) return code;
    KeyCall call(key, subKey);
    if (call.result() != ERROR_SUCCESS) return call.result();
    const Key* found = call.Find();
    if (found == nullptr) return ERROR_FILE_NOT_FOUND;
    if (IsSystemKey(call.path())) return ERROR_ACCESS_DENIED;
    const std::string prefix = Lower(call.path()) + "\\";
    const auto next = call.store().lower_bound(prefix);
    if (next != call.store().end() && next->first.compare(0, prefix.size(), prefix) == 0)
        return ERROR_ACCESS_DENIED;  // it has subkeys
    call.store().erase(Lower(call.path()));
    return call.Save() ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

}  // namespace pf
