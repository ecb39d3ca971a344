// Shared helpers of the tests.
//
//   vxtest::TempDir dir;                      // a fresh folder, removed at the end
//   vxtest::CopyData(dir.path());             // the built Data folder into it
//   vxtest::HeadlessRun run = vxtest::RunHeadless(
//       {"--dir", dir.str(), "--max-ms", "20000"}, "4000 key ESCAPE down\n");
//   EXPECT_EQ(run.status, 0);
//   EXPECT_EQ(run.report.exit, "returned");
//   EXPECT_EQ(run.report.json["message_boxes"].size(), 0u);
//
//   // or in process, faster, with the frames themselves at hand:
//   pf::headless::Options options;
//   options.dir = dir.str();
//   pf::headless::Report report = vxtest::RunGame(options, "4000 key ESCAPE down\n");
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "headless.h"

namespace vxtest {

// A new empty folder under the system's temporary folder, removed with
// everything in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string str() const { return path_.string(); }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// Whole files. ReadWholeFile returns "" for a missing file (see FileExists).
std::string ReadWholeFile(const std::filesystem::path& path);
bool WriteWholeFile(const std::filesystem::path& path, const std::string& bytes);
bool WriteWholeFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);
bool FileExists(const std::filesystem::path& path);

// Copies the built Data folder (VX_DATA_DIR) to folder/Data.
void CopyData(const std::filesystem::path& folder);

// A parsed JSON value. Reading a missing key or index gives a null value, so
// chains like json["audio_calls"][0]["op"].str() never fail.
struct Json {
    enum class Type { Null, Bool, Number, String, Array, Object };
    Type type = Type::Null;
    bool boolean = false;
    double number = 0;
    std::string string;
    std::vector<Json> items;               // Array
    std::map<std::string, Json> members;   // Object

    const Json& operator[](const std::string& key) const;
    const Json& operator[](size_t index) const;
    bool has(const std::string& key) const { return members.count(key) != 0; }
    size_t size() const { return type == Type::Array ? items.size() : members.size(); }
    const std::string& str() const { return string; }
    long long integer() const { return static_cast<long long>(number); }
};

// False with *error set when text is not one JSON value.
bool ParseJson(const std::string& text, Json* out, std::string* error);

// The report of velnorix-headless, its main keys unpacked.
struct HeadlessReport {
    std::string exit;  // "returned" or "timeout"
    int state = -1;
    std::string score;
    int level = 0;
    int lives = 0;
    long long virtualMs = 0;
    long long flips = 0;
    std::vector<std::pair<std::string, std::string>> messageBoxes;  // caption, text
    std::vector<std::pair<std::string, std::string>> audioCalls;    // op, args
    std::vector<std::string> frameHashes;
    std::vector<std::string> filesWritten;
    Json json;  // everything
};

struct HeadlessRun {
    int status = -1;      // exit status of the program (-1: did not exit normally)
    std::string output;   // standard output
    std::string errors;   // standard error
    bool reportRead = false;
    HeadlessReport report;
};

// Runs VX_BUILD_DIR/velnorix-headless with the arguments. With a script, it
// is written to a temporary file and passed as --script; unless the
// arguments name a --report, one is written to a temporary file and read.
HeadlessRun RunHeadless(const std::vector<std::string>& arguments,
                        const std::string& script = "");

// Runs the game in this process on the bench, with the script's events
// (asserting that it parses) added to the options: the game's record is
// reset before and after, the core by Run itself.
pf::headless::Report RunGame(pf::headless::Options options, const std::string& script = "");

}  // namespace vxtest
