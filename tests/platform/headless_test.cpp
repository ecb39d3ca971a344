// The bench: script and fault parsing, and velnorix-headless itself — its
// command line, its report and the frames it writes.
#include <gtest/gtest.h>

#include "headless.h"
#include "support/support.h"

namespace {

using pf::headless::ScriptEvent;

TEST(HeadlessScript, EventsNamesCodesAndComments) {
    std::vector<ScriptEvent> events;
    std::string error;
    ASSERT_TRUE(pf::headless::ParseScript("# a run\n"
                                          "500 key RETURN down   # start\n"
                                          "\n"
                                          "100 key 0xCB up\n"
                                          "100 key 29 down\n"
                                          "900 focus lost\n"
                                          "950 focus gained\n"
                                          "960 keyboard lost\r\n"
                                          "970 keyboard back\n"
                                          "1000 close\n",
                                          &events, &error))
        << error;
    ASSERT_EQ(events.size(), 8u);
    // Sorted by time, equal times in file order.
    EXPECT_EQ(events[0].ms, 100u);
    EXPECT_EQ(events[0].kind, ScriptEvent::Kind::KeyUp);
    EXPECT_EQ(events[0].key, 0xCB);
    EXPECT_EQ(events[1].key, 29);
    EXPECT_EQ(events[2].key, 28);
    EXPECT_EQ(events[2].kind, ScriptEvent::Kind::KeyDown);
    EXPECT_EQ(events[3].kind, ScriptEvent::Kind::FocusLost);
    EXPECT_EQ(events[4].kind, ScriptEvent::Kind::FocusGained);
    EXPECT_EQ(events[5].kind, ScriptEvent::Kind::KeyboardLost);
    EXPECT_EQ(events[6].kind, ScriptEvent::Kind::KeyboardBack);
    EXPECT_EQ(events[7].kind, ScriptEvent::Kind::Close);
}

TEST(HeadlessScript, BadLinesAreNamed) {
    const char* bad[] = {"key ESCAPE down", "10 key ESC down", "10 key 256 down", "10 key P",
                         "10 key P pressed", "-5 close", "10 focus", "10 jump", "x close",
                         "10 close now", "99999999999 close"};
    for (const char* line : bad) {
        std::vector<ScriptEvent> events;
        std::string error;
        EXPECT_FALSE(pf::headless::ParseScript(std::string("1 close\n") + line + "\n", &events, &error))
            << line;
        EXPECT_NE(error.find("line 2"), std::string::npos) << error;
    }
}

TEST(HeadlessScript, FaultOptions) {
    pf::headless::Fault fault;
    std::string error;
    ASSERT_TRUE(pf::headless::ParseFault("Surface_Flip:3:0x887601C2", &fault, &error));
    EXPECT_EQ(fault.operation, "Surface_Flip");
    EXPECT_EQ(fault.n, 3u);
    EXPECT_EQ(static_cast<uint32_t>(fault.code), 0x887601C2u);
    ASSERT_TRUE(pf::headless::ParseFault("alloc:1:0", &fault, &error));
    ASSERT_TRUE(pf::headless::ParseFault("OpenAudioDevice:1:-1", &fault, &error));
    EXPECT_EQ(fault.code, -1);
    for (const char* text : {"Surface_Flip", "Surface_Flip:0:1", ":1:1", "A:1:", "A:x:1", "A:1:0xZZ"})
        EXPECT_FALSE(pf::headless::ParseFault(text, &fault, &error)) << text;
}

TEST(HeadlessProgram, BadCommandLinesAndScriptsExitWithStatusTwo) {
    vxtest::TempDir dir;
    const auto noDir = vxtest::RunHeadless({"--max-ms", "10"});
    EXPECT_EQ(noDir.status, 2);
    EXPECT_NE(noDir.errors.find("--dir"), std::string::npos);
    const auto unknown = vxtest::RunHeadless({"--dir", dir.str(), "--speed", "2"});
    EXPECT_EQ(unknown.status, 2);
    const auto script = vxtest::RunHeadless({"--dir", dir.str()}, "100 key ESCAPE down\n200 kick\n");
    EXPECT_EQ(script.status, 2);
    EXPECT_NE(script.errors.find("line 2"), std::string::npos) << script.errors;
    EXPECT_FALSE(script.reportRead);  // nothing ran
    const auto fault = vxtest::RunHeadless({"--dir", dir.str(), "--fail", "CreateFileA:0:1"});
    EXPECT_EQ(fault.status, 2);
    const auto missing = vxtest::RunHeadless({"--dir", (dir / "none").string()});
    EXPECT_EQ(missing.status, 2);
}

TEST(HeadlessProgram, AGameWithoutDataReportsItsFatalErrorAndReturns) {
    vxtest::TempDir dir;  // no Data folder: the first picture cannot be read
    const auto run = vxtest::RunHeadless({"--dir", dir.str(), "--max-ms", "60000"});
    ASSERT_EQ(run.status, 0) << run.errors;
    ASSERT_TRUE(run.reportRead);
    const auto& json = run.report.json;
    for (const char* key : {"exit", "state", "virtual_ms", "flips", "message_boxes", "audio_calls",
                            "score", "level", "lives", "frame_hashes", "files_written"})
        EXPECT_TRUE(json.has(key)) << key;
    EXPECT_EQ(run.report.exit, "returned");
    EXPECT_EQ(run.report.state, 0);
    EXPECT_EQ(run.report.score, "000000000");
    ASSERT_FALSE(run.report.messageBoxes.empty());
    EXPECT_EQ(run.report.messageBoxes[0].first, "Velnorix [Win32] - Fatal Error");
    EXPECT_EQ(run.report.messageBoxes[0].second.back(), '\n');  // escaped and read back
    ASSERT_GE(run.report.audioCalls.size(), 2u);
    EXPECT_EQ(run.report.audioCalls[0].first, "OpenAudioDevice");
    EXPECT_EQ(static_cast<size_t>(run.report.flips), run.report.frameHashes.size());
}

TEST(HeadlessProgram, FaultsAndTicksReachTheGame) {
    vxtest::TempDir dir;
    const auto run = vxtest::RunHeadless(
        {"--dir", dir.str(), "--ticks", "4294967000", "--fail", "DirectDrawCreate:1:0x80004005"});
    ASSERT_EQ(run.status, 0) << run.errors;
    ASSERT_EQ(run.report.messageBoxes.size(), 1u);  // a start-up failure is shown once
    EXPECT_EQ(run.report.messageBoxes[0].second, "[InitDDraw] Unable to create DirectDraw Object\n");
    EXPECT_EQ(run.report.flips, 0);
    EXPECT_GE(run.report.json["final_ticks"].integer(), 0);
}

TEST(HeadlessProgram, RunsAreRepeatableAndFramesAreWritten) {
    vxtest::TempDir dir;
    vxtest::TempDir frames;
    vxtest::CopyData(dir.path());
    const std::vector<std::string> args = {"--dir", dir.str(), "--max-ms", "4000"};
    auto withFrames = args;
    withFrames.insert(withFrames.end(), {"--frames", frames.str(), "--every", "5"});
    const auto first = vxtest::RunHeadless(withFrames);
    const auto second = vxtest::RunHeadless(args);
    ASSERT_EQ(first.status, 0) << first.errors;
    EXPECT_EQ(first.report.exit, "timeout");
    EXPECT_EQ(first.report.virtualMs, 4000);
    EXPECT_EQ(first.report.frameHashes, second.report.frameHashes);
    EXPECT_GT(first.report.flips, 5);
    // Flips 5, 10, ... as frame-000005.png, with the PNG signature.
    const std::string png = vxtest::ReadWholeFile(frames / "frame-000005.png");
    ASSERT_GT(png.size(), 8u);
    EXPECT_EQ(png.substr(1, 3), "PNG");
    EXPECT_FALSE(vxtest::FileExists(frames / "frame-000001.png"));
}

TEST(HeadlessInProcess, TheGameRunsRepeatedlyInOneProcess) {
    vxtest::TempDir dir;
    vxtest::CopyData(dir.path());
    pf::headless::Options options;
    options.dir = dir.str();
    options.maxMs = 3000;
    options.keepLastFrame = true;
    const pf::headless::Report first = vxtest::RunGame(options);
    const pf::headless::Report second = vxtest::RunGame(options);
    EXPECT_TRUE(first.timedOut);
    EXPECT_EQ(first.virtualMs, 3000u);
    EXPECT_EQ(first.frameHashes, second.frameHashes);
    ASSERT_EQ(first.lastFrame.size(), 800u * 600u);
    EXPECT_EQ(pf::headless::FrameHash(first.lastFrame.data(), 800, 600, 800), first.frameHashes.back());
}

}  // namespace
