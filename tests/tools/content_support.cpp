#include "tools/content_support.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>

namespace content_test {

std::filesystem::path TempDir(const std::string& name) {
    static int counter = 0;
    std::filesystem::path p = std::filesystem::temp_directory_path() /
                              ("vx-content-test-" + std::to_string(getpid()) + "-" + std::to_string(counter++) + "-" + name);
    std::filesystem::remove_all(p);
    std::filesystem::create_directories(p);
    return p;
}

RunResult RunTool(const std::string& command) {
    RunResult r;
    FILE* p = popen((command + " 2>&1").c_str(), "r");
    if (!p) return r;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.output.append(buf, n);
    int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

std::string Converter(const std::string& name) { return std::string(VX_CONVERT_DIR) + "/vx-" + name; }

std::vector<uint8_t> Bytes(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::string Quote(const std::filesystem::path& p) { return "'" + p.string() + "'"; }

}  // namespace content_test
