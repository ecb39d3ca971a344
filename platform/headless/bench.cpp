// The bench backend and the run of a program on it.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <system_error>
#include <vector>

#include "backend.h"
#include "headless.h"
#include "picture.h"
#include "pf/files.h"
#include "pf/window.h"

namespace pf::headless {
namespace {

constexpr int kWidth = core::kPictureWidth;
constexpr int kHeight = core::kPictureHeight;

// Thrown from a waiting call once the run's virtual time is up; the program
// never catches it, Run does.
struct TimeUp {};

class BenchBackend final : public core::Backend {
public:
    BenchBackend(const Options& options, Report& report) : options_(options), report_(report) {
        now_ = options.startTicks;
    }

    DWORD Ticks(core::TickReason /*reason*/) override {
        if (elapsed_ >= options_.maxMs) {
            timedOut_ = true;
            throw TimeUp{};
        }
        const DWORD value = now_;
        ++now_;  // wraps at 2^32 like the real tick count
        ++elapsed_;
        return value;
    }

    void PumpEvents() override {
        while (next_ < options_.script.size() && options_.script[next_].ms <= elapsed_) {
            Apply(options_.script[next_]);
            ++next_;
        }
    }

    void WaitEvents() override {}  // the next peek advances virtual time

    void Present(const uint16_t* pixels, int pitchPixels) override {
        ++report_.flips;
        if (options_.pullAudio) PullAudio();
        const size_t frame = static_cast<size_t>(kWidth) * kHeight;
        // A picture equal to the last one has the same hash.
        const bool same = !previous_.empty() && pitchPixels == kWidth &&
                          std::memcmp(previous_.data(), pixels, frame * sizeof(uint16_t)) == 0;
        if (same) {
            report_.frameHashes.push_back(report_.frameHashes.back());
        } else {
            report_.frameHashes.push_back(FrameHash(pixels, kWidth, kHeight, pitchPixels));
            previous_.resize(frame);
            for (int row = 0; row < kHeight; ++row)
                std::memcpy(previous_.data() + static_cast<size_t>(row) * kWidth,
                            pixels + static_cast<ptrdiff_t>(row) * pitchPixels,
                            kWidth * sizeof(uint16_t));
        }
        if (!options_.framesDir.empty() && options_.every > 0 &&
            report_.flips % options_.every == 0) {
            char name[32];
            std::snprintf(name, sizeof name, "frame-%06u.png", report_.flips);
            const std::string path = options_.framesDir + "/" + name;
            if (WritePng(path, pixels, kWidth, kHeight, pitchPixels))
                report_.framesWritten.push_back(path);
            else if (report_.frameError.empty())
                report_.frameError = "cannot write " + path;
        }
    }

    const std::vector<uint16_t>& LastFrame() const { return previous_; }

    int MessageBox(const char* text, const char* caption, UINT /*type*/) override {
        report_.messageBoxes.push_back({caption, text});
        return IDOK;
    }

    void AudioCall(const char* operation, const char* arguments) override {
        report_.audioCalls.push_back({operation != nullptr ? operation : "",
                                      arguments != nullptr ? arguments : ""});
    }

    void FileWritten(const char* path) override {
        const std::string name = path != nullptr ? path : "";
        for (const std::string& known : report_.filesWritten)
            if (known == name) return;
        report_.filesWritten.push_back(name);
    }

    bool TimedOut() const { return timedOut_; }
    uint32_t Elapsed() const { return elapsed_; }
    uint32_t Now() const { return now_; }

private:
    // The samples due since the last pull, at most a second's worth at once.
    void PullAudio() {
        constexpr uint64_t kRate = 44100;
        const uint64_t due = uint64_t{elapsed_} * kRate / 1000;
        const uint64_t frames = std::min(due - pulledFrames_, kRate);
        pulledFrames_ = due;
        audio_.resize(static_cast<size_t>(kRate) * 2);
        if (frames > 0) core::MixAudio(audio_.data(), static_cast<int>(frames));
    }

    void Apply(const ScriptEvent& event) {
        using Kind = ScriptEvent::Kind;
        switch (event.kind) {
            case Kind::KeyDown: core::SetKey(event.key, true); break;
            case Kind::KeyUp: core::SetKey(event.key, false); break;
            case Kind::FocusLost: core::PostActivation(false); break;
            case Kind::FocusGained: core::PostActivation(true); break;
            case Kind::Close: core::RequestClose(); break;
            case Kind::KeyboardLost: core::SetKeyboardAvailable(false); break;
            case Kind::KeyboardBack: core::SetKeyboardAvailable(true); break;
        }
    }

    const Options& options_;
    Report& report_;
    uint32_t now_ = 0;
    uint64_t pulledFrames_ = 0;
    std::vector<int16_t> audio_;
    uint32_t elapsed_ = 0;
    size_t next_ = 0;
    bool timedOut_ = false;
    std::vector<uint16_t> previous_;
};

namespace fs = std::filesystem;

std::string CurrentFolder() {
    std::error_code error;
    const fs::path here = fs::current_path(error);
    return error ? std::string() : here.string();
}

bool EnterFolder(const std::string& path) {
    std::error_code error;
    fs::current_path(path, error);
    return !error;
}

bool MakeFolders(const std::string& path) {
    std::error_code error;
    fs::create_directories(path, error);
    return !error && fs::is_directory(path, error);
}

}  // namespace

Report Run(const Options& options, Entry entry, FieldsReader fields) {
    Report report;
    core::ResetCore();
    const std::string previous = CurrentFolder();
    Options run = options;
    std::stable_sort(run.script.begin(), run.script.end(),
                     [](const ScriptEvent& a, const ScriptEvent& b) { return a.ms < b.ms; });
    if (!run.framesDir.empty()) {
        if (fs::path(run.framesDir).is_relative() && !previous.empty())
            run.framesDir = previous + "/" + run.framesDir;
        if (!MakeFolders(run.framesDir)) {
            report.startError = "cannot create the frames folder " + options.framesDir;
            return report;
        }
    }
    if (!run.dir.empty() && !EnterFolder(run.dir)) {
        report.startError = "cannot enter the folder " + run.dir;
        return report;
    }
    BenchBackend bench(run, report);
    core::InstallBackend(&bench);
    for (const Fault& fault : run.faults)
        core::AddFault(fault.operation.c_str(), fault.n, fault.code);

    static char instanceTag;
    char commandLine[1] = {0};
    try {
        report.result = entry(reinterpret_cast<HINSTANCE>(&instanceTag), nullptr, commandLine,
                              SW_SHOWNORMAL);
    } catch (const TimeUp&) {
        report.timedOut = true;
    }
    report.virtualMs = bench.Elapsed();
    report.finalTicks = bench.Now();
    if (run.keepLastFrame) report.lastFrame = bench.LastFrame();
    if (fields != nullptr) report.fields = fields();

    core::ResetCore();
    core::InstallBackend(nullptr);
    // When the previous folder is gone, the run's folder stays current.
    if (!previous.empty()) EnterFolder(previous);
    return report;
}

}  // namespace pf::headless
