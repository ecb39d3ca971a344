// Shared helpers of the tests.
#include "support.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>

#include "game/shell/record.h"
#include "game_fields.h"

namespace vxtest {
namespace {

std::string Quote(const std::string& text) {
    std::string out = "'";
    for (const char c : text) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

class Reader {
public:
    explicit Reader(const std::string& text) : text_(text) {}

    bool Value(Json* out, int depth) {
        Skip();
        if (at_ >= text_.size() || depth > 64) return Fail("value expected");
        const char c = text_[at_];
        if (c == '{') return Object(out, depth);
        if (c == '[') return Array(out, depth);
        if (c == '"') {
            out->type = Json::Type::String;
            return String(&out->string);
        }
        if (Word("true")) {
            out->type = Json::Type::Bool;
            out->boolean = true;
            return true;
        }
        if (Word("false")) {
            out->type = Json::Type::Bool;
            return true;
        }
        if (Word("null")) return true;
        return Number(out);
    }

    bool End() {
        Skip();
        return at_ == text_.size() || Fail("text after the value");
    }

    std::string error;

private:
    bool Fail(const std::string& what) {
        if (error.empty()) error = what + " at offset " + std::to_string(at_);
        return false;
    }
    void Skip() {
        while (at_ < text_.size() &&
               (text_[at_] == ' ' || text_[at_] == '\n' || text_[at_] == '\r' || text_[at_] == '\t'))
            ++at_;
    }
    bool Word(const char* word) {
        const std::string w = word;
        if (text_.compare(at_, w.size(), w) != 0) return false;
        at_ += w.size();
        return true;
    }
    bool Number(Json* out) {
        const size_t start = at_;
        while (at_ < text_.size() && std::string("+-0123456789.eE").find(text_[at_]) != std::string::npos)
            ++at_;
        if (at_ == start) return Fail("value expected");
        try {
            out->number = std::stod(text_.substr(start, at_ - start));
        } catch (...) {
            return Fail("bad number");
        }
        out->type = Json::Type::Number;
        return true;
    }
    bool String(std::string* out) {
        ++at_;  // the opening quote
        while (at_ < text_.size() && text_[at_] != '"') {
            char c = text_[at_++];
            if (c != '\\') {
                *out += c;
                continue;
            }
            if (at_ >= text_.size()) break;
            c = text_[at_++];
            switch (c) {
                case 'n': *out += '\n'; break;
                case 'r': *out += '\r'; break;
                case 't': *out += '\t'; break;
                case 'b': *out += '\b'; break;
                case 'f': *out += '\f'; break;
                case 'u': {
                    if (at_ + 4 > text_.size()) return Fail("bad escape");
                    const unsigned code = std::stoul(text_.substr(at_, 4), nullptr, 16);
                    at_ += 4;
                    // Code points below 256 as one byte (the bench writes bytes so).
                    if (code < 0x100) {
                        *out += static_cast<char>(code);
                    } else if (code < 0x800) {
                        *out += static_cast<char>(0xC0 | (code >> 6));
                        *out += static_cast<char>(0x80 | (code & 0x3F));
                    } else {
                        *out += static_cast<char>(0xE0 | (code >> 12));
                        *out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
                        *out += static_cast<char>(0x80 | (code & 0x3F));
                    }
                    break;
                }
                default: *out += c;
            }
        }
        if (at_ >= text_.size()) return Fail("unterminated string");
        ++at_;
        return true;
    }
    bool Array(Json* out, int depth) {
        out->type = Json::Type::Array;
        ++at_;
        Skip();
        if (at_ < text_.size() && text_[at_] == ']') {
            ++at_;
            return true;
        }
        for (;;) {
            Json item;
            if (!Value(&item, depth + 1)) return false;
            out->items.push_back(std::move(item));
            Skip();
            if (at_ < text_.size() && text_[at_] == ',') {
                ++at_;
                continue;
            }
            if (at_ < text_.size() && text_[at_] == ']') {
                ++at_;
                return true;
            }
            return Fail("',' or ']' expected");
        }
    }
    bool Object(Json* out, int depth) {
        out->type = Json::Type::Object;
        ++at_;
        Skip();
        if (at_ < text_.size() && text_[at_] == '}') {
            ++at_;
            return true;
        }
        for (;;) {
            Skip();
            std::string key;
            if (at_ >= text_.size() || text_[at_] != '"' || !String(&key)) return Fail("key expected");
            Skip();
            if (at_ >= text_.size() || text_[at_] != ':') return Fail("':' expected");
            ++at_;
            Json value;
            if (!Value(&value, depth + 1)) return false;
            out->members[key] = std::move(value);
            Skip();
            if (at_ < text_.size() && text_[at_] == ',') {
                ++at_;
                continue;
            }
            if (at_ < text_.size() && text_[at_] == '}') {
                ++at_;
                return true;
            }
            return Fail("',' or '}' expected");
        }
    }

    const std::string& text_;
    size_t at_ = 0;
};

const Json& NullJson() {
    static const Json none;
    return none;
}

std::vector<std::pair<std::string, std::string>> Pairs(const Json& list, const char* first,
                                                       const char* second) {
    std::vector<std::pair<std::string, std::string>> out;
    for (const Json& item : list.items) out.emplace_back(item[first].str(), item[second].str());
    return out;
}

std::vector<std::string> Strings(const Json& list) {
    std::vector<std::string> out;
    for (const Json& item : list.items) out.push_back(item.str());
    return out;
}

}  // namespace

TempDir::TempDir() {
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    for (;;) {
        path_ = std::filesystem::temp_directory_path() /
                ("vx-test-" + std::to_string(random()) + "-" + std::to_string(stamp) + "-" +
                 std::to_string(counter++));
        if (std::filesystem::create_directories(path_)) break;
    }
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string ReadWholeFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool WriteWholeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return static_cast<bool>(out);
}

bool WriteWholeFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    return WriteWholeFile(path, std::string(bytes.begin(), bytes.end()));
}

bool FileExists(const std::filesystem::path& path) { return std::filesystem::exists(path); }

void CopyData(const std::filesystem::path& folder) {
    std::filesystem::copy(VX_DATA_DIR, folder / "Data",
                          std::filesystem::copy_options::recursive |
                              std::filesystem::copy_options::overwrite_existing);
}

const Json& Json::operator[](const std::string& key) const {
    const auto found = members.find(key);
    return found == members.end() ? NullJson() : found->second;
}

const Json& Json::operator[](size_t index) const {
    return index < items.size() ? items[index] : NullJson();
}

bool ParseJson(const std::string& text, Json* out, std::string* error) {
    Reader reader(text);
    Json value;
    const bool ok = reader.Value(&value, 0) && reader.End();
    if (!ok) {
        if (error != nullptr) *error = reader.error;
        return false;
    }
    *out = std::move(value);
    return true;
}

HeadlessRun RunHeadless(const std::vector<std::string>& arguments, const std::string& script) {
    TempDir scratch;
    HeadlessRun run;
    std::string command = Quote(std::string(VX_BUILD_DIR) + "/velnorix-headless");
    bool haveReport = false;
    std::string reportPath = (scratch / "report.json").string();
    for (size_t i = 0; i < arguments.size(); ++i) {
        command += ' ';
        command += Quote(arguments[i]);
        if (arguments[i] == "--report" && i + 1 < arguments.size()) {
            haveReport = true;
            reportPath = arguments[i + 1];
        }
    }
    if (!script.empty()) {
        const std::string scriptPath = (scratch / "script.txt").string();
        WriteWholeFile(scriptPath, script);
        command += " --script ";
        command += Quote(scriptPath);
    }
    if (!haveReport) {
        command += " --report ";
        command += Quote(reportPath);
    }
    const std::string outPath = (scratch / "stdout.txt").string();
    const std::string errPath = (scratch / "stderr.txt").string();
    command += " </dev/null >";
    command += Quote(outPath);
    command += " 2>";
    command += Quote(errPath);

    const int status = std::system(command.c_str());
    // A wait status: the exit code sits in the second byte of a normal exit.
    run.status = (status != -1 && (status & 0x7F) == 0) ? (status >> 8) & 0xFF : -1;
    run.output = ReadWholeFile(outPath);
    run.errors = ReadWholeFile(errPath);

    const std::string text = ReadWholeFile(reportPath);
    Json& json = run.report.json;
    if (text.empty() || !ParseJson(text, &json, nullptr)) return run;
    run.reportRead = true;
    HeadlessReport& report = run.report;
    report.exit = json["exit"].str();
    report.state = static_cast<int>(json["state"].integer());
    report.score = json["score"].str();
    report.level = static_cast<int>(json["level"].integer());
    report.lives = static_cast<int>(json["lives"].integer());
    report.virtualMs = json["virtual_ms"].integer();
    report.flips = json["flips"].integer();
    report.messageBoxes = Pairs(json["message_boxes"], "caption", "text");
    report.audioCalls = Pairs(json["audio_calls"], "op", "args");
    report.frameHashes = Strings(json["frame_hashes"]);
    report.filesWritten = Strings(json["files_written"]);
    return run;
}


pf::headless::Report RunGame(pf::headless::Options options, const std::string& script) {
    if (!script.empty()) {
        std::vector<pf::headless::ScriptEvent> events;
        std::string error;
        if (!pf::headless::ParseScript(script, &events, &error)) {
            pf::headless::Report failed;
            failed.startError = error;
            return failed;
        }
        options.script.insert(options.script.end(), events.begin(), events.end());
    }
    Record = ProgramRecord{};
    pf::headless::Report report = pf::headless::Run(options, &WinMain, &pf::headless::ReadGameFields);
    Record = ProgramRecord{};
    return report;
}

}  // namespace vxtest
