// The install log: the bytes as "install.log" in an installation folder,
// read and acted on by the real uninstaller. The folder holds installed files
// and directories; beside it lies a folder that must survive whatever the log
// says. Every file or directory removal of the process is checked while the
// uninstaller runs: one outside the scratch folder stops the run before it
// happens.
#include <fcntl.h>
#include <limits.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "fuzz_support.h"
#include "uninstall/uninstaller.h"

namespace {

bool Armed = false;
std::string Root;  // the scratch folder, resolved, with a trailing "/"

// Aborts when path (as the call would see it) lies outside the scratch
// folder. The parent is resolved; the last component is taken as it is.
void Guard(const char* operation, const char* path) {
    if (!Armed) return;
    std::string full = path;
    if (full.empty() || full[0] != '/') {
        char here[PATH_MAX];
        if (::getcwd(here, sizeof here) == nullptr) std::abort();
        full = std::string(here) + "/" + full;
    }
    while (full.size() > 1 && full.back() == '/') full.pop_back();
    const size_t cut = full.rfind('/');
    const std::string parent = cut == 0 ? "/" : full.substr(0, cut);
    const std::string leaf = full.substr(cut + 1);
    char resolved[PATH_MAX];
    if (::realpath(parent.c_str(), resolved) == nullptr) return;  // the call fails anyway
    const std::string target = std::string(resolved) + "/" + leaf;
    if (leaf == "." || leaf == ".." || target.compare(0, Root.size(), Root) != 0) {
        std::fprintf(stderr, "%s outside the scratch folder: %s\n", operation, path);
        std::abort();
    }
}

void Touch(const std::string& path) {
    if (!std::filesystem::exists(path)) vxfuzz::WriteFile(path.c_str(), nullptr, 0);
}

}  // namespace

extern "C" int unlink(const char* path) {
    Guard("unlink", path);
    return static_cast<int>(::syscall(SYS_unlinkat, AT_FDCWD, path, 0));
}

extern "C" int rmdir(const char* path) {
    Guard("rmdir", path);
    return static_cast<int>(::syscall(SYS_unlinkat, AT_FDCWD, path, AT_REMOVEDIR));
}

extern "C" int rename(const char* from, const char* to) {
    Guard("rename", from);
    Guard("rename", to);
    return static_cast<int>(::syscall(SYS_renameat, AT_FDCWD, from, AT_FDCWD, to));
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const std::string& sandbox = vxfuzz::Sandbox();
    char resolved[PATH_MAX];
    if (::realpath(sandbox.c_str(), resolved) == nullptr) std::abort();
    Root = std::string(resolved) + "/";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string inst = Root + "inst";
    std::filesystem::create_directories(inst + "/Data/Music");
    std::filesystem::create_directories(Root + "outside");
    for (const char* name : {"/velnorix", "/Uninstall.exe", "/Data/a.spr", "/Data/Music/m"})
        Touch(inst + name);
    Touch(Root + "outside/keep");
    Touch(Root + "keep");
    vxfuzz::WriteFile((inst + "/install.log").c_str(), data, size);

    if (::chdir(inst.c_str()) != 0) std::abort();
    char commandLine[] = "";
    Armed = true;
    uninstaller::WinMain(nullptr, nullptr, commandLine, 1);
    Armed = false;
    if (::chdir(Root.c_str()) != 0) std::abort();

    if (!std::filesystem::exists(Root + "outside/keep") || !std::filesystem::exists(Root + "keep") ||
        !std::filesystem::is_directory(inst)) {
        std::fprintf(stderr, "the uninstaller removed what lies outside its folder\n");
        std::abort();
    }
    vxfuzz::CheckNothingHeld("the uninstaller");
    return 0;
}
