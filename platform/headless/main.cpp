// velnorix-headless: the game on the test bench.
//
//   velnorix-headless --dir DIR [--script FILE] [--ticks START] [--max-ms N]
//                     [--frames OUTDIR [--every K]] [--report FILE] [--fail OP:N:CODE]...
//                     [--audio]
//
// --dir DIR        working directory of the game (it must hold the Data folder)
// --script FILE    timed input, one event per line: "<ms> <event>", "#" comments;
//                  key <NAME|code> down, key <NAME|code> up, focus lost,
//                  focus gained, close, keyboard lost, keyboard back.
//                  NAMEs: ESCAPE TAB P S RETURN LCTRL RCTRL LALT UP DOWN LEFT RIGHT
//                  (DirectInput codes 1 15 25 31 28 29 157 56 200 208 203 205).
//                  Times are virtual milliseconds from the start of the run.
// --ticks START    first tick count (default 0); the count advances 1 ms at every
//                  tick read, keyboard poll, flip-status query and message peek
// --max-ms N       end the run after N virtual milliseconds (default 600000)
// --frames OUTDIR  write flipped frames as OUTDIR/frame-NNNNNN.png (RGB, 5-6-5
//                  widened by bit replication); NNNNNN is the flip number, the
//                  first flip being 1
// --every K        with --frames: only flips K, 2K, 3K, ... (default 1: every flip)
// --report FILE    write the JSON report (exit, result, state, score, level, lives,
//                  virtual_ms, final_ticks, flips, message_boxes, audio_calls,
//                  files_written, frames, frame_hashes)
// --fail OP:N:CODE the Nth call (1-based) of operation OP returns CODE (decimal or
//                  0x hex); may be repeated
// --audio          pull the music as a sound device would: every flip renders the
//                  samples of the virtual time since the last flip
//
// Operations for --fail (the platform calls by name):
//   window:  RegisterClassExA CreateWindowExA ShowWindow UpdateWindow SetFocus
//            SetWindowPos PeekMessageA GetMessageA DispatchMessageA SendMessageA
//            MessageBoxA
//   display: DirectDrawCreate DirectDraw_QueryInterface DirectDraw_Release
//            DirectDraw_SetCooperativeLevel DirectDraw_SetDisplayMode
//            DirectDraw_CreateSurface Surface_GetAttachedSurface Surface_Blt
//            Surface_BltFast Surface_SetColorKey Surface_Lock Surface_Unlock
//            Surface_GetFlipStatus Surface_Flip Surface_Restore Surface_Release
//   input:   DirectInputCreateA DirectInput_Release DirectInput_CreateDevice
//            Device_SetDataFormat Device_SetCooperativeLevel Device_Acquire
//            Device_Unacquire Device_GetDeviceState Device_Release
//   files:   CreateFileA GetFileSize ReadFile WriteFile CloseHandle DeleteFileA
//            ReplaceFileAtomically CreateDirectoryA RemoveDirectoryA
//            SetCurrentDirectoryA GetCurrentDirectoryA
//   memory:  GlobalAlloc (or alloc: every allocation) GlobalLock GlobalUnlock GlobalFree
//   audio:   OpenAudioDevice OpenAudioVoices LoadModuleFile PlayModule StopModule
//            FreeModuleFile CloseAudioVoices CloseAudioDevice
// Functions returning BOOL or a handle fail with their failure value (FALSE, null,
// INVALID_HANDLE_VALUE) whatever CODE is.
//
// Exit status: 0 when the run ended (the game returned or the time was up; the
// report tells which), 1 when the report or a frame could not be written, 2 for a
// bad command line or script.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "game_fields.h"
#include "headless.h"
#include "pf/window.h"

namespace {


int Usage(const std::string& problem) {
    std::fprintf(stderr, "velnorix-headless: %s\n", problem.c_str());
    std::fprintf(stderr,
                 "usage: velnorix-headless --dir DIR [--script FILE] [--ticks START] "
                 "[--max-ms N]\n"
                 "                         [--frames OUTDIR [--every K]] [--report FILE] "
                 "[--fail OP:N:CODE]... [--audio]\n");
    return 2;
}

bool ParseUnsigned(const char* text, unsigned long long limit, unsigned long long* value) {
    if (text == nullptr || *text == 0 || *text == '-' || *text == '+') return false;
    char* end = nullptr;
    const unsigned long long parsed = std::strtoull(text, &end, 0);
    if (end == nullptr || *end != 0 || parsed > limit) return false;
    *value = parsed;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    pf::headless::Options options;
    std::string scriptPath;
    std::string reportPath;
    bool haveDir = false;
    bool haveEvery = false;
    // --audio is the one flag without a value; every other one takes a
    // value: two arguments at a time.
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--audio")
            options.pullAudio = true;
        else
            arguments.emplace_back(argv[i]);
    }
    for (size_t i = 0; i < arguments.size(); i += 2) {
        const std::string& flag = arguments[i];
        const char* value = i + 1 < arguments.size() ? arguments[i + 1].c_str() : nullptr;
        auto need = [&]() -> bool { return value != nullptr; };
        unsigned long long number = 0;
        if (flag == "--dir" && need()) {
            options.dir = value;
            haveDir = true;
        } else if (flag == "--script" && need()) {
            scriptPath = value;
        } else if (flag == "--ticks" && need()) {
            if (!ParseUnsigned(value, 0xFFFFFFFFull, &number))
                return Usage("--ticks needs a number from 0 to 4294967295");
            options.startTicks = static_cast<uint32_t>(number);
        } else if (flag == "--max-ms" && need()) {
            if (!ParseUnsigned(value, 0xFFFFFFFFull, &number))
                return Usage("--max-ms needs a number from 0 to 4294967295");
            options.maxMs = static_cast<uint32_t>(number);
        } else if (flag == "--frames" && need()) {
            options.framesDir = value;
        } else if (flag == "--every" && need()) {
            if (!ParseUnsigned(value, 0xFFFFFFFFull, &number) || number == 0)
                return Usage("--every needs a number from 1");
            options.every = static_cast<unsigned>(number);
            haveEvery = true;
        } else if (flag == "--report" && need()) {
            reportPath = value;
        } else if (flag == "--fail" && need()) {
            pf::headless::Fault fault;
            std::string error;
            if (!pf::headless::ParseFault(value, &fault, &error)) return Usage(error);
            options.faults.push_back(fault);
        } else if (value == nullptr && flag.rfind("--", 0) == 0) {
            return Usage(flag + " needs a value");
        } else {
            return Usage("unknown argument \"" + flag + "\"");
        }
    }
    if (!haveDir) return Usage("--dir is required");
    if (haveEvery && options.framesDir.empty()) return Usage("--every needs --frames");

    if (!scriptPath.empty()) {
        std::ifstream in(scriptPath, std::ios::binary);
        if (!in) return Usage("cannot read the script " + scriptPath);
        std::ostringstream text;
        text << in.rdbuf();
        std::string error;
        if (!pf::headless::ParseScript(text.str(), &options.script, &error))
            return Usage(scriptPath + ": " + error);
    }

    const pf::headless::Report report = pf::headless::Run(options, &WinMain, &pf::headless::ReadGameFields);
    if (!report.startError.empty()) {
        std::fprintf(stderr, "velnorix-headless: %s\n", report.startError.c_str());
        return 2;
    }

    int status = 0;
    if (!report.frameError.empty()) {
        std::fprintf(stderr, "velnorix-headless: %s\n", report.frameError.c_str());
        status = 1;
    }
    if (!reportPath.empty()) {
        std::ofstream out(reportPath, std::ios::binary | std::ios::trunc);
        out << pf::headless::ReportJson(report);
        out.close();
        if (!out) {
            std::fprintf(stderr, "velnorix-headless: cannot write the report %s\n",
                         reportPath.c_str());
            status = 1;
        }
    }
    return status;
}
