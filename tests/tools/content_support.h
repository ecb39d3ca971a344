// Helpers of the content tests: temporary folders and running the tools.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace content_test {

std::filesystem::path TempDir(const std::string& name);
struct RunResult {
    int status = -1;
    std::string output;  // stdout and stderr
};
RunResult RunTool(const std::string& command);
std::string Converter(const std::string& name);  // path of vx-<name>
std::vector<uint8_t> Bytes(const std::filesystem::path& p);
std::string Quote(const std::filesystem::path& p);

}  // namespace content_test
