// The music library: loading every module format it is given, rendering,
// stopping, refusing what cannot be played, the calls the backend sees and
// safety against the output's thread.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "pf/audio.h"
#include "platform/core/backend.h"
#include "sound/tiny_modules.h"

namespace {

using Calls = std::vector<std::pair<std::string, std::string>>;

// Records what the library asks of a backend; pulls nothing by itself.
class RecordingBackend final : public pf::core::Backend {
public:
    pf::DWORD Ticks(pf::core::TickReason) override { return ++ticks; }
    int MessageBox(const char*, const char*, pf::UINT) override { return pf::IDOK; }
    bool OpenAudio(int rate) override {
        calls.emplace_back("backend.OpenAudio", std::to_string(rate));
        return openSucceeds;
    }
    void CloseAudio() override { calls.emplace_back("backend.CloseAudio", ""); }
    void AudioCall(const char* operation, const char* arguments) override {
        calls.emplace_back(operation, arguments);
    }

    pf::DWORD ticks = 0;
    bool openSucceeds = true;
    Calls calls;
};

RecordingBackend& Recorder() {
    static RecordingBackend backend;
    return backend;
}

constexpr uint32_t kRate = 44100;

struct Level {
    int peak = 0;
    bool silent = true;
};

Level Measure(const std::vector<int16_t>& samples) {
    Level level;
    for (int16_t value : samples) level.peak = std::max(level.peak, std::abs(int{value}));
    level.silent = level.peak == 0;
    return level;
}

class AudioLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        pf::core::InstallBackend(&Recorder());
        pf::core::ClearFaults();
        pf::core::ResetAudio();
        Recorder().calls.clear();
        Recorder().openSucceeds = true;
        folder_ = std::filesystem::path(VX_BUILD_DIR) / "test_sound_files" /
                  ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::filesystem::create_directories(folder_);
    }

    void TearDown() override {
        pf::core::ResetAudio();
        pf::core::ClearFaults();
        std::filesystem::remove_all(folder_);
    }

    std::string Write(const char* name, const std::vector<uint8_t>& bytes) {
        const std::filesystem::path path = folder_ / name;
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        return path.string();
    }

    static void OpenOutput() {
        const pf::AudioInfo info{pf::AUDIO_DEVICE_DEFAULT, pf::AUDIO_FORMAT_16_STEREO, kRate};
        ASSERT_EQ(pf::OpenAudioDevice(&info), 0);
        ASSERT_EQ(pf::OpenAudioVoices(32), 0);
    }

    static std::vector<int16_t> Render(uint32_t frames, int32_t* result = nullptr) {
        std::vector<int16_t> samples(frames * 2, 0x5555);
        const int32_t rendered = pf::RenderAudioFrames(samples.data(), frames);
        if (result != nullptr) *result = rendered;
        return samples;
    }

    // Loads, plays one second and checks the sound, then stops it.
    void ExpectPlays(const std::vector<uint8_t>& module) {
        const std::string path = Write("music.mdf", module);
        OpenOutput();
        pf::MODULE handle = nullptr;
        ASSERT_EQ(pf::LoadModuleFile(path.c_str(), &handle, 0), 0);
        ASSERT_NE(handle, nullptr);
        ASSERT_EQ(pf::PlayModule(handle), 0);
        int32_t result = -1;
        const Level level = Measure(Render(kRate, &result));
        EXPECT_EQ(result, 0);
        EXPECT_GT(level.peak, 500);
        EXPECT_LT(level.peak, 32000);

        EXPECT_EQ(pf::StopModule(), 0);
        EXPECT_TRUE(Measure(Render(kRate / 10, &result)).silent);
        EXPECT_NE(result, 0);
        EXPECT_EQ(pf::FreeModuleFile(handle), 0);
    }

    void ExpectRefused(const std::string& path, uint32_t offset = 0) {
        auto* const sentinel = reinterpret_cast<pf::MODULE>(&folder_);
        pf::MODULE handle = sentinel;
        EXPECT_NE(pf::LoadModuleFile(path.c_str(), &handle, offset), 0) << path;
        EXPECT_EQ(handle, nullptr) << path;
    }

    std::filesystem::path folder_;
};

TEST_F(AudioLibrary, PlaysProTrackerAndFastTrackerModules) {
    ExpectPlays(tiny::ProTrackerModule());
    pf::core::ResetAudio();
    ExpectPlays(tiny::FastTrackerModule());
}

TEST_F(AudioLibrary, ModuleLoopsForever) {
    // The module's one pattern lasts under eight seconds; long after, the
    // music still sounds.
    const std::string path = Write("loop.mdf", tiny::ProTrackerModule());
    OpenOutput();
    pf::MODULE handle = nullptr;
    ASSERT_EQ(pf::LoadModuleFile(path.c_str(), &handle, 0), 0);
    ASSERT_EQ(pf::PlayModule(handle), 0);
    for (int second = 0; second < 30; ++second) Render(kRate);
    EXPECT_GT(Measure(Render(kRate)).peak, 500);
}

TEST_F(AudioLibrary, FileNameWithDoubleSlashAndOffset) {
    std::vector<uint8_t> bytes(100, 0xA5);
    const std::vector<uint8_t> module = tiny::ProTrackerModule();
    bytes.insert(bytes.end(), module.begin(), module.end());
    Write("packed.mdf", bytes);
    const std::string path = folder_.string() + "//packed.mdf";
    OpenOutput();
    pf::MODULE handle = nullptr;
    ASSERT_EQ(pf::LoadModuleFile(path.c_str(), &handle, 100), 0);
    ASSERT_EQ(pf::PlayModule(handle), 0);
    EXPECT_GT(Measure(Render(kRate / 2)).peak, 500);
    // The offset at or past the end leaves nothing to load.
    ExpectRefused(path, static_cast<uint32_t>(bytes.size()));
    ExpectRefused(path, 0xFFFFFFFFu);
}

TEST_F(AudioLibrary, UnloadableFilesGiveNoHandle) {
    ExpectRefused((folder_ / "missing.mdf").string());
    ExpectRefused(Write("empty.mdf", {}));

    const std::vector<uint8_t> mod = tiny::ProTrackerModule();
    for (size_t cut : {size_t{20}, size_t{600}, size_t{1200}})
        ExpectRefused(Write("cut.mod", std::vector<uint8_t>(mod.begin(), mod.begin() + cut)));
    const std::vector<uint8_t> xm = tiny::FastTrackerModule();
    for (size_t cut : {size_t{16}, size_t{200}, size_t{330}})
        ExpectRefused(Write("cut.xm", std::vector<uint8_t>(xm.begin(), xm.begin() + cut)));

    std::mt19937 random(20240611);
    for (int round = 0; round < 40; ++round) {
        std::vector<uint8_t> noise(64 + random() % 8192);
        for (uint8_t& byte : noise) byte = static_cast<uint8_t>(random());
        ExpectRefused(Write("noise.mdf", noise));
    }
    // A real header over noise: whatever libxmp makes of it, no crash, and a
    // handle only with success.
    for (int round = 0; round < 40; ++round) {
        std::vector<uint8_t> bytes = round % 2 ? mod : xm;
        for (size_t i = 60; i < bytes.size(); ++i)
            if (random() % 4 == 0) bytes[i] = static_cast<uint8_t>(random());
        pf::MODULE handle = nullptr;
        const std::string path = Write("damaged.mdf", bytes);
        const int32_t result = pf::LoadModuleFile(path.c_str(), &handle, 0);
        EXPECT_EQ(result == 0, handle != nullptr);
        if (handle != nullptr) {
            EXPECT_EQ(pf::FreeModuleFile(handle), 0);
        }
    }
    EXPECT_NE(pf::LoadModuleFile(nullptr, nullptr, 0), 0);
}

TEST_F(AudioLibrary, RefusesAModuleWithoutChannels) {
    // libxmp 4.5.0 loads this one (no channels, no patterns, a first order
    // naming a missing pattern), then never finishes rendering it.
    std::ifstream in(std::string(VX_SOURCE_DIR) + "/tests/game/modules/no-channels.xm",
                     std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                     std::istreambuf_iterator<char>());
    ASSERT_EQ(bytes.size(), 228u);
    OpenOutput();
    ExpectRefused(Write("no-channels.mdf", bytes));
    // Two channels in the same header: a module that plays (silently: it
    // strikes no note), and every render returns.
    std::vector<uint8_t> two = bytes;
    two[68] = 2;
    pf::MODULE handle = nullptr;
    const std::string path = Write("two-channels.mdf", two);
    ASSERT_EQ(pf::LoadModuleFile(path.c_str(), &handle, 0), 0);
    ASSERT_EQ(pf::PlayModule(handle), 0);
    for (int second = 0; second < 3; ++second) EXPECT_TRUE(Measure(Render(kRate)).silent);
    EXPECT_EQ(pf::FreeModuleFile(handle), 0);
}

TEST_F(AudioLibrary, RefusesToPlayWhatIsNotHeld) {
    OpenOutput();
    EXPECT_NE(pf::PlayModule(nullptr), 0);
    EXPECT_TRUE(Measure(Render(1000)).silent);

    const std::string path = Write("music.mdf", tiny::ProTrackerModule());
    pf::MODULE handle = nullptr;
    ASSERT_EQ(pf::LoadModuleFile(path.c_str(), &handle, 0), 0);
    ASSERT_EQ(pf::PlayModule(handle), 0);
    // Freeing the module that plays silences it; the handle is dead after.
    EXPECT_EQ(pf::FreeModuleFile(handle), 0);
    EXPECT_TRUE(Measure(Render(1000)).silent);
    EXPECT_NE(pf::PlayModule(handle), 0);
    EXPECT_NE(pf::FreeModuleFile(handle), 0);
    EXPECT_NE(pf::FreeModuleFile(nullptr), 0);
    // Stopping with nothing playing is harmless (the game does it).
    EXPECT_EQ(pf::StopModule(), 0);
}

TEST_F(AudioLibrary, PlayingNeedsTheOutputAndVoices) {
    const std::string path = Write("music.mdf", tiny::ProTrackerModule());
    pf::MODULE handle = nullptr;
    ASSERT_EQ(pf::LoadModuleFile(path.c_str(), &handle, 0), 0);
    EXPECT_NE(pf::PlayModule(handle), 0);
    OpenOutput();
    ASSERT_EQ(pf::PlayModule(handle), 0);
    // Closing the voices silences the music but keeps the module.
    EXPECT_EQ(pf::CloseAudioVoices(), 0);
    EXPECT_TRUE(Measure(Render(1000)).silent);
    EXPECT_NE(pf::PlayModule(handle), 0);
    EXPECT_EQ(pf::OpenAudioVoices(32), 0);
    EXPECT_EQ(pf::PlayModule(handle), 0);
    EXPECT_EQ(pf::CloseAudioVoices(), 0);
    EXPECT_EQ(pf::CloseAudioDevice(), 0);
    EXPECT_EQ(pf::FreeModuleFile(handle), 0);
}

TEST_F(AudioLibrary, OutputSettingsAreChecked) {
    const pf::AudioInfo good{pf::AUDIO_DEVICE_DEFAULT, pf::AUDIO_FORMAT_16_STEREO, 44100};
    for (pf::AudioInfo bad : {pf::AudioInfo{0, 0x0101, 44100}, pf::AudioInfo{0xFFFF, 0x0100, 44100},
                              pf::AudioInfo{0xFFFF, 0x0101, 22050}}) {
        EXPECT_NE(pf::OpenAudioDevice(&bad), 0);
    }
    EXPECT_NE(pf::OpenAudioDevice(nullptr), 0);
    EXPECT_NE(pf::OpenAudioVoices(32), 0);  // no output yet
    // Nothing open: closing has nothing to do and succeeds, so that the
    // shutdown after a failed start-up keeps the start-up's message.
    EXPECT_EQ(pf::CloseAudioVoices(), 0);
    EXPECT_EQ(pf::CloseAudioDevice(), 0);
    for (const auto& [operation, arguments] : Recorder().calls)
        EXPECT_NE(operation, "backend.OpenAudio") << "opened with bad settings";

    Recorder().openSucceeds = false;
    EXPECT_NE(pf::OpenAudioDevice(&good), 0);
    Recorder().openSucceeds = true;
    ASSERT_EQ(pf::OpenAudioDevice(&good), 0);
    EXPECT_NE(pf::OpenAudioDevice(&good), 0);  // already open
    EXPECT_NE(pf::OpenAudioVoices(0), 0);
    EXPECT_NE(pf::OpenAudioVoices(33), 0);
    EXPECT_EQ(pf::OpenAudioVoices(32), 0);
    EXPECT_NE(pf::OpenAudioVoices(32), 0);  // already reserved
}

TEST_F(AudioLibrary, BackendSeesEveryCallInOrder) {
    // The game's sequence: open, menu music, switch to play music, shut down
    // with the music still playing.
    const std::string menu = Write("menu.mdf", tiny::ProTrackerModule());
    const std::string track = Write("track1.mdf", tiny::FastTrackerModule());
    const pf::AudioInfo info{pf::AUDIO_DEVICE_DEFAULT, pf::AUDIO_FORMAT_16_STEREO, 44100};
    pf::MODULE music = nullptr;
    ASSERT_EQ(pf::OpenAudioDevice(&info), 0);
    ASSERT_EQ(pf::OpenAudioVoices(32), 0);
    pf::LoadModuleFile(menu.c_str(), &music, 0);
    pf::PlayModule(music);
    pf::StopModule();
    pf::FreeModuleFile(music);
    pf::LoadModuleFile(track.c_str(), &music, 0);
    pf::PlayModule(music);
    EXPECT_EQ(pf::CloseAudioVoices(), 0);
    EXPECT_EQ(pf::CloseAudioDevice(), 0);

    const Calls expected = {
        {"OpenAudioDevice", "device=0xFFFF format=0x0101 rate=44100"},
        {"backend.OpenAudio", "44100"},
        {"OpenAudioVoices", "voices=32"},
        {"LoadModuleFile", "file=" + menu + " offset=0"},
        {"PlayModule", "module=1"},
        {"StopModule", ""},
        {"FreeModuleFile", "module=1"},
        {"LoadModuleFile", "file=" + track + " offset=0"},
        {"PlayModule", "module=2"},
        {"CloseAudioVoices", ""},
        {"CloseAudioDevice", ""},
        {"backend.CloseAudio", ""},
    };
    EXPECT_EQ(Recorder().calls, expected);
}

TEST_F(AudioLibrary, InjectedFaultsReturnTheirCode) {
    const pf::AudioInfo info{pf::AUDIO_DEVICE_DEFAULT, pf::AUDIO_FORMAT_16_STEREO, 44100};
    pf::core::AddFault("OpenAudioDevice", 1, 0x77);
    EXPECT_EQ(pf::OpenAudioDevice(&info), 0x77);
    ASSERT_EQ(Recorder().calls.size(), 1u);  // recorded, but nothing opened
    OpenOutput();

    const std::string path = Write("music.mdf", tiny::ProTrackerModule());
    pf::core::AddFault("LoadModuleFile", 1, 5);
    pf::MODULE handle = reinterpret_cast<pf::MODULE>(&folder_);
    EXPECT_EQ(pf::LoadModuleFile(path.c_str(), &handle, 0), 5);
    EXPECT_EQ(handle, nullptr);
    // A failing file read is a failed load.
    pf::core::AddFault("ReadFile", 1, 0);
    handle = reinterpret_cast<pf::MODULE>(&folder_);
    EXPECT_NE(pf::LoadModuleFile(path.c_str(), &handle, 0), 0);
    EXPECT_EQ(handle, nullptr);
    ASSERT_EQ(pf::LoadModuleFile(path.c_str(), &handle, 0), 0);

    pf::core::AddFault("CloseAudioVoices", 1, 9);
    EXPECT_EQ(pf::CloseAudioVoices(), 9);
    EXPECT_EQ(pf::CloseAudioVoices(), 0);
}

TEST_F(AudioLibrary, GameCallsAreSafeWhileTheOutputRenders) {
    OpenOutput();
    const std::string mod = Write("a.mdf", tiny::ProTrackerModule());
    const std::string xm = Write("b.mdf", tiny::FastTrackerModule());
    std::atomic<bool> done{false};
    std::atomic<long> pulls{0};
    std::thread output([&] {
        std::vector<int16_t> block(512 * 2);
        while (!done) {
            pf::core::MixAudio(block.data(), 512);
            ++pulls;
            std::this_thread::yield();
        }
    });
    for (int round = 0; round < 60; ++round) {
        pf::MODULE handle = nullptr;
        ASSERT_EQ(pf::LoadModuleFile(round % 2 ? mod.c_str() : xm.c_str(), &handle, 0), 0);
        ASSERT_EQ(pf::PlayModule(handle), 0);
        std::this_thread::yield();
        if (round % 3 == 0) pf::StopModule();
        ASSERT_EQ(pf::FreeModuleFile(handle), 0);
    }
    // On a busy machine the output thread may not have run yet: it must have
    // pulled at least once while the game's calls went on or after them.
    while (pulls.load() == 0) std::this_thread::yield();
    done = true;
    output.join();
    EXPECT_GT(pulls.load(), 0);
}

}  // namespace
