#pragma once
// Helpers of the installer and uninstaller tests: temporary folders, a
// private registry store, archive images, and running the real programs.
#include <filesystem>
#include <string>
#include <vector>

#include "pf/types.h"

namespace vxinstall {

namespace fs = std::filesystem;
using Bytes = std::string;

// A fresh folder under the system's temporary folder, removed at the end.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

// Archive entries.
Bytes FileEntry(const std::string& name, const Bytes& content);
Bytes DirectoryEntry(const std::string& name);
Bytes EndEntry();

// The log's strings, each with its NUL.
Bytes LogOf(const std::vector<std::string>& strings);
// The registry part of a complete log (CREATED_REG_KEYS to the three pairs).
std::vector<std::string> RegistryPart();

Bytes ReadBytes(const fs::path& path);
void WriteBytes(const fs::path& path, const Bytes& bytes);
// The names in a folder (recursively, relative, sorted).
std::vector<std::string> Listing(const fs::path& folder);

// Registry helpers on the current store.
bool KeyExists(pf::HKEY root, const char* path);
std::string QueryText(pf::HKEY root, const char* path, const char* value);

// Points VELNORIX_REGISTRY at a fresh folder for the fixture's life (and
// back to the process-wide scratch store afterwards).
class ScopedRegistry {
public:
    ScopedRegistry();
    ~ScopedRegistry();
    const fs::path& path() const { return dir_.path(); }

private:
    TempFolder dir_;
};

// Keeps the working directory across a test that changes it.
class ScopedWorkingDirectory {
public:
    ScopedWorkingDirectory();
    ~ScopedWorkingDirectory();

private:
    fs::path saved_;
};

struct RunResult {
    int status = -1;  // exit status, or -1 when the program did not exit normally
    std::string output;
};
// Runs program with the arguments in folder, with the extra environment
// settings ("NAME=value"), and collects its standard output. A non-zero
// fileSizeLimit caps the size of every file the program writes, as a full
// disk would: a write beyond it is cut short and then fails.
RunResult RunProgram(const fs::path& program, const std::vector<std::string>& arguments,
              const fs::path& folder, const std::vector<std::string>& environment = {},
              size_t fileSizeLimit = 0);

fs::path BuildDir();

}  // namespace vxinstall
