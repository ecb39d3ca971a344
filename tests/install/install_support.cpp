#include "install_support.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include <gtest/gtest.h>

#include "pf/registry.h"

extern char** environ;

namespace vxinstall {
namespace {

// No test may ever reach the user's own registry store: the whole process
// uses a scratch one unless a fixture names another.
class ScratchRegistry : public ::testing::Environment {
public:
    void SetUp() override {
        dir_ = new TempFolder;
        setenv("VELNORIX_REGISTRY", dir_->path().c_str(), 1);
    }
    void TearDown() override { delete dir_; }
    static TempFolder* dir_;
};
TempFolder* ScratchRegistry::dir_ = nullptr;
const auto* const kScratch = ::testing::AddGlobalTestEnvironment(new ScratchRegistry);

}  // namespace

TempFolder::TempFolder() {
    std::string pattern = (fs::temp_directory_path() / "vx-install-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp");
    path_ = fs::canonical(pattern);
}

TempFolder::~TempFolder() {
    std::error_code error;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, error);
    fs::remove_all(path_, error);
}

Bytes FileEntry(const std::string& name, const Bytes& content) {
    Bytes out = name;
    out += '\0';
    const uint32_t size = static_cast<uint32_t>(content.size());
    for (int i = 0; i < 4; ++i) out += static_cast<char>(size >> (8 * i) & 0xFF);
    return out + content;
}

Bytes DirectoryEntry(const std::string& name) {
    return Bytes("CHANGE_DIRECTORY") + '\0' + name + '\0';
}

Bytes EndEntry() { return Bytes("END_OF_DATA_FILE") + '\0'; }

Bytes LogOf(const std::vector<std::string>& strings) {
    Bytes out;
    for (const std::string& s : strings) out += s + '\0';
    return out;
}

std::vector<std::string> RegistryPart() {
    return {"CREATED_REG_KEYS",   "HKEY_CURRENT_USER",
            "Software\\Velnorix", "HKEY_LOCAL_MACHINE",
            "Software\\Velnorix", "HKEY_LOCAL_MACHINE",
            "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velnorix"};
}

Bytes ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteBytes(const fs::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::string> Listing(const fs::path& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(folder, error);
         it != fs::recursive_directory_iterator(); ++it)
        names.push_back(fs::relative(it->path(), folder).string());
    std::sort(names.begin(), names.end());
    return names;
}

bool KeyExists(pf::HKEY root, const char* path) {
    pf::HKEY key = nullptr;
    if (pf::RegOpenKeyExA(root, path, 0, pf::KEY_ALL_ACCESS, &key) != pf::ERROR_SUCCESS)
        return false;
    pf::RegCloseKey(key);
    return true;
}

std::string QueryText(pf::HKEY root, const char* path, const char* value) {
    pf::HKEY key = nullptr;
    if (pf::RegOpenKeyExA(root, path, 0, pf::KEY_ALL_ACCESS, &key) != pf::ERROR_SUCCESS)
        return "<no key>";
    char buffer[600] = {};
    pf::DWORD size = sizeof buffer;
    pf::DWORD type = 0;
    const pf::LONG result = pf::RegQueryValueExA(key, value, nullptr, &type,
                                                 reinterpret_cast<pf::BYTE*>(buffer), &size);
    pf::RegCloseKey(key);
    if (result != pf::ERROR_SUCCESS) return "<no value>";
    // REG_SZ values are stored with their NUL.
    if (size == 0 || buffer[size - 1] != 0) return "<no NUL>";
    return std::string(buffer, size - 1);
}

ScopedRegistry::ScopedRegistry() { setenv("VELNORIX_REGISTRY", dir_.path().c_str(), 1); }

ScopedRegistry::~ScopedRegistry() {
    setenv("VELNORIX_REGISTRY", ScratchRegistry::dir_->path().c_str(), 1);
}

ScopedWorkingDirectory::ScopedWorkingDirectory() : saved_(fs::current_path()) {}
ScopedWorkingDirectory::~ScopedWorkingDirectory() {
    std::error_code error;
    fs::current_path(saved_, error);
}

RunResult RunProgram(const fs::path& program, const std::vector<std::string>& arguments,
              const fs::path& folder, const std::vector<std::string>& environment,
              size_t fileSizeLimit) {
    RunResult result;
    int pipe[2];
    if (::pipe(pipe) != 0) return result;
    const pid_t child = fork();
    if (child == 0) {
        dup2(pipe[1], 1);
        close(pipe[0]);
        close(pipe[1]);
        if (chdir(folder.c_str()) != 0) _exit(126);
        if (fileSizeLimit > 0) {
            // The write past the limit then fails with EFBIG instead of
            // ending the program.
            signal(SIGXFSZ, SIG_IGN);
            const rlimit limit = {fileSizeLimit, fileSizeLimit};
            if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(125);
        }
        for (const std::string& setting : environment) putenv(const_cast<char*>(setting.c_str()));
        std::vector<char*> argv;
        std::string name = program.string();
        argv.push_back(name.data());
        std::vector<std::string> copies = arguments;
        for (std::string& a : copies) argv.push_back(a.data());
        argv.push_back(nullptr);
        execve(name.c_str(), argv.data(), environ);
        _exit(127);
    }
    close(pipe[1]);
    char buffer[4096];
    for (ssize_t n; (n = read(pipe[0], buffer, sizeof buffer)) > 0;)
        result.output.append(buffer, static_cast<size_t>(n));
    close(pipe[0]);
    int status = 0;
    if (waitpid(child, &status, 0) == child && WIFEXITED(status))
        result.status = WEXITSTATUS(status);
    return result;
}

fs::path BuildDir() { return VX_BUILD_DIR; }

}  // namespace vxinstall
