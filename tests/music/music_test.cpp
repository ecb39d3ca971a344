// The music tool and the modules it builds: each module loads in libxmp,
// sounds (not silent, below full scale) for at least a minute before it
// loops; notes play at their pitch; the tool is deterministic and refuses
// faulty sources naming file and line. Renders land in the build folder
// (music-check/*.wav) for listening and for sox.
#include <gtest/gtest.h>
#include <xmp.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "song.h"
#include "xm_writer.h"

namespace fs = std::filesystem;

namespace {

constexpr int kRate = 44100;

std::vector<std::uint8_t> ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const fs::path& p, const void* data, size_t size) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(static_cast<const char*>(data), std::streamsize(size));
}

void WriteWav(const fs::path& p, const std::vector<std::int16_t>& pcm) {
  auto u32 = [](std::vector<std::uint8_t>& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(std::uint8_t(v >> (8 * i)));
  };
  auto u16 = [](std::vector<std::uint8_t>& b, std::uint16_t v) {
    b.push_back(std::uint8_t(v));
    b.push_back(std::uint8_t(v >> 8));
  };
  std::vector<std::uint8_t> h;
  const std::uint32_t bytes = std::uint32_t(pcm.size() * 2);
  for (char c : std::string("RIFF")) h.push_back(std::uint8_t(c));
  u32(h, 36 + bytes);
  for (char c : std::string("WAVEfmt ")) h.push_back(std::uint8_t(c));
  u32(h, 16);
  u16(h, 1);  // PCM
  u16(h, 2);  // stereo
  u32(h, kRate);
  u32(h, kRate * 4);
  u16(h, 4);
  u16(h, 16);
  for (char c : std::string("data")) h.push_back(std::uint8_t(c));
  u32(h, bytes);
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(h.data()), std::streamsize(h.size()));
  out.write(reinterpret_cast<const char*>(pcm.data()), std::streamsize(bytes));
}

struct Render {
  bool loaded = false;
  bool looped = false;        // the player came back to the restart position
  double seconds = 0.0;       // played before the first loop
  double peakDb = -200.0;     // highest sample, dBFS
  double rmsDb = -200.0;      // whole-song RMS, dBFS
  double quietestSecondDb = 0.0;  // RMS of the quietest whole second
  std::vector<std::int16_t> pcm;  // interleaved stereo
};

double Db(double v) { return v > 0.0 ? 20.0 * std::log10(v / 32768.0) : -200.0; }

// Plays the module with libxmp's default mixing at 44100 Hz stereo until it
// loops (at most ten minutes).
Render RenderModule(const fs::path& file) {
  Render r;
  xmp_context ctx = xmp_create_context();
  if (xmp_load_module(ctx, file.c_str()) != 0) {
    xmp_free_context(ctx);
    return r;
  }
  r.loaded = true;
  xmp_start_player(ctx, kRate, 0);
  xmp_frame_info fi;
  while (r.pcm.size() < size_t(kRate) * 2 * 600) {
    if (xmp_play_frame(ctx) != 0) break;
    xmp_get_frame_info(ctx, &fi);
    if (fi.loop_count > 0) {
      r.looped = true;
      break;
    }
    const auto* s = static_cast<const std::int16_t*>(fi.buffer);
    r.pcm.insert(r.pcm.end(), s, s + fi.buffer_size / 2);
  }
  xmp_end_player(ctx);
  xmp_release_module(ctx);
  xmp_free_context(ctx);

  r.seconds = double(r.pcm.size()) / 2.0 / kRate;
  int peak = 0;
  double sum = 0.0;
  for (std::int16_t v : r.pcm) {
    peak = std::max(peak, std::abs(int(v)));
    sum += double(v) * v;
  }
  r.peakDb = Db(peak);
  r.rmsDb = r.pcm.empty() ? -200.0 : Db(std::sqrt(sum / double(r.pcm.size())));
  double quietest = 1e30;
  const size_t second = size_t(kRate) * 2;
  for (size_t at = 0; at + second <= r.pcm.size(); at += second) {
    double s2 = 0.0;
    for (size_t i = at; i < at + second; ++i) s2 += double(r.pcm[i]) * r.pcm[i];
    quietest = std::min(quietest, std::sqrt(s2 / double(second)));
  }
  r.quietestSecondDb = Db(quietest);
  return r;
}

fs::path ScratchDir() {
  fs::path d = fs::path(VX_BUILD_DIR) / "music-test";
  fs::create_directories(d);
  return d;
}

// Runs vx-music; returns its exit status, stderr in `errors`.
int RunTool(const fs::path& source, const fs::path& output, std::string& errors) {
  // One log per output: ctest runs the cases in parallel.
  const fs::path log = ScratchDir() / (output.filename().string() + ".stderr");
  const std::string cmd = std::string("\"") + VX_MUSIC_TOOL + "\" \"" + source.string() + "\" \"" +
                          output.string() + "\" 2> \"" + log.string() + "\"";
  const int status = std::system(cmd.c_str());
  auto bytes = ReadFile(log);
  errors.assign(bytes.begin(), bytes.end());
  return status;
}

std::string ErrorOf(const std::string& text) {
  try {
    vxm::ParseSong(text, "bad.song");
  } catch (const vxm::SourceError& e) {
    return e.what();
  }
  return "(accepted)";
}

// A minimal valid song; tests change one line of it.
const char* const kTinySong =
    "tempo 125\n"
    "instrument tone\n"
    "  wave sine\n"
    "  volume 48\n"
    "channel one tone\n"
    "channel two tone\n"
    "pattern p 16\n"
    "  one A4 .*15\n"
    "order p\n";

class BuiltModule : public ::testing::TestWithParam<const char*> {};

TEST_P(BuiltModule, LoadsSoundsAMinuteBeforeLoopingAndStaysBelowFullScale) {
  const fs::path file = fs::path(VX_DATA_DIR) / (std::string(GetParam()) + ".mdf");
  ASSERT_TRUE(fs::exists(file)) << file;
  Render r = RenderModule(file);
  ASSERT_TRUE(r.loaded) << "libxmp cannot load " << file;
  const fs::path wavDir = fs::path(VX_BUILD_DIR) / "music-check";
  fs::create_directories(wavDir);
  WriteWav(wavDir / (std::string(GetParam()) + ".wav"), r.pcm);
  std::printf("%s: %.1f s before the loop, peak %.2f dBFS, RMS %.1f dBFS, quietest second %.1f dBFS\n",
              GetParam(), r.seconds, r.peakDb, r.rmsDb, r.quietestSecondDb);

  EXPECT_TRUE(r.looped) << "the order list does not come back to its restart";
  EXPECT_GE(r.seconds, 60.0);
  EXPECT_LE(r.seconds, 300.0);
  EXPECT_LT(r.peakDb, -3.0) << "too close to clipping";
  EXPECT_GT(r.rmsDb, -30.0) << "too quiet overall";
  EXPECT_GT(r.quietestSecondDb, -45.0) << "a silent gap";
}

INSTANTIATE_TEST_SUITE_P(Music, BuiltModule, ::testing::Values("menu", "track1"));

TEST(MusicTool, SameSourceGivesTheSameBytesAsTheBuiltModule) {
  for (const char* name : {"menu", "track1"}) {
    const fs::path source = fs::path(VX_SOURCE_DIR) / "assets/music" / (std::string(name) + ".song");
    const fs::path out1 = ScratchDir() / (std::string(name) + "-1.mdf");
    const fs::path out2 = ScratchDir() / (std::string(name) + "-2.mdf");
    std::string errors;
    ASSERT_EQ(RunTool(source, out1, errors), 0) << errors;
    ASSERT_EQ(RunTool(source, out2, errors), 0) << errors;
    const auto a = ReadFile(out1), b = ReadFile(out2);
    ASSERT_GT(a.size(), 1000u);
    EXPECT_TRUE(a == b) << name << ": two runs differ";
    EXPECT_TRUE(a == ReadFile(fs::path(VX_DATA_DIR) / (std::string(name) + ".mdf")))
        << name << ": differs from the module in the Data folder";
    EXPECT_EQ(std::string(a.begin(), a.begin() + 17), "Extended Module: ");
  }
}

TEST(MusicTool, RefusesAFaultySourceNamingFileAndLineAndWritesNothing) {
  const fs::path source = ScratchDir() / "faulty.song";
  const fs::path output = ScratchDir() / "faulty.mdf";
  fs::remove(output);
  std::string text = kTinySong;
  text.replace(text.find("  one A4 .*15"), 13, "  one A4 .*14");  // one row short, line 8
  WriteFile(source, text.data(), text.size());
  std::string errors;
  EXPECT_NE(RunTool(source, output, errors), 0);
  EXPECT_NE(errors.find("faulty.song:8: error: pattern 'p' channel 'one' has 15 rows, the pattern has 16"),
            std::string::npos)
      << errors;
  EXPECT_FALSE(fs::exists(output));
  EXPECT_FALSE(fs::exists(output.string() + ".part"));

  EXPECT_NE(RunTool(ScratchDir() / "no-such.song", output, errors), 0);
  EXPECT_NE(errors.find("no-such.song: error: cannot open"), std::string::npos) << errors;
}

TEST(MusicSource, FaultsNameTheirLine) {
  auto with = [](const std::string& from, const std::string& to) {
    std::string t = kTinySong;
    t.replace(t.find(from), from.size(), to);
    return ErrorOf(t);
  };
  EXPECT_EQ(ErrorOf(kTinySong), "(accepted)");
  EXPECT_EQ(with("A4 .*15", "H4 .*15"),
            "bad.song:8: error: 'H4' is not a note (C4, F#2, Bb3), x, ^, . or @RIFF");
  EXPECT_EQ(with("A4 .*15", "A4 .*14 @nothing"), "bad.song:8: error: no riff named 'nothing'");
  EXPECT_EQ(with("A4 .*15", "A4=flute .*15"), "bad.song:8: error: no instrument named 'flute'");
  EXPECT_EQ(with("A4 .*15", "A4:65 .*15"), "bad.song:8: error: note volume 65 is out of range 0..64");
  EXPECT_EQ(with("A4 .*15", "(A4 .*15"), "bad.song:8: error: '(' has no matching ')'");
  EXPECT_EQ(with("order p", "order p q"), "bad.song:9: error: order: no pattern named 'q'");
  EXPECT_EQ(with("channel two tone", "channel two drum"), "bad.song:6: error: no instrument named 'drum'");
  EXPECT_EQ(with("  wave sine", "  wave sin"),
            "bad.song:3: error: wave 'sin' is not one of sine, triangle, saw, square, pulse, kick, snare, hat, noise");
  EXPECT_EQ(with("  volume 48", "  loudness 48"), "bad.song:4: error: instrument 'tone': unknown setting 'loudness'");
  EXPECT_EQ(with("tempo 125", "tempo 300"), "bad.song:1: error: tempo 300 is out of range 32..255");
  EXPECT_EQ(with("  one A4 .*15", "  three A4 .*15"), "bad.song:8: error: pattern 'p': no channel named 'three'");
  EXPECT_EQ(with("order p", "riff r @r\norder p"), "(accepted)");  // an unused riff is not expanded
  EXPECT_EQ(with("  one A4 .*15", "  one @r .*15\nriff r A4 @r"),
            "bad.song:9: error: riff 'r' uses itself (riffs nest too deep)");
  EXPECT_EQ(with("A4 .*15", "@r+60 .*15\nriff r A4"),
            "bad.song:9: error: 'A4' transposed by 60 leaves the range C0..B7");
}

TEST(MusicSource, RiffsGroupsRepeatsAndTranspositionExpandAsWritten) {
  std::string t = kTinySong;
  t.replace(t.find("  one A4 .*15"), 13,
            "  one @up-12*2 (B4:40 ^)*2 . x | . . . . ...\n"
            "  two . . . . | . . . . | . . . . | C5!A04 . . .\n"
            "riff up C4 D4 .");
  // "..." is not a cell: fix that to see the rest expand.
  EXPECT_NE(ErrorOf(t).find("bad.song:8: error: '...' is not a note"), std::string::npos) << ErrorOf(t);
  t.replace(t.find(" ..."), 4, "");
  vxm::Song s = vxm::ParseSong(t, "good.song");
  ASSERT_EQ(s.patterns.size(), 1u);
  const auto& cells = s.patterns[0].cells;  // 16 rows x 2 channels
  const int expect[16] = {37, 39, 0, 37, 39, 0, 60, 97, 60, 97, 0, 49, 0, 0, 0, 0};
  for (int r = 0; r < 16; ++r) EXPECT_EQ(cells[size_t(r) * 2].note, expect[r]) << "row " << r;
  EXPECT_EQ(cells[6 * 2].volume, 40);
  EXPECT_EQ(cells[0].volume, 48);      // the instrument's volume by default
  EXPECT_EQ(cells[7 * 2].volume, -1);  // key-off carries none
  EXPECT_EQ(cells[7 * 2].instrument, 0);
  EXPECT_EQ(cells[12 * 2 + 1].note, 61);
  EXPECT_EQ(cells[12 * 2 + 1].effect, 10);
  EXPECT_EQ(cells[12 * 2 + 1].param, 0x04);
}

TEST(MusicSource, ExpansionThatNeverEndsIsRefused) {
  // Sixteen levels of riffs, each using the next ten times, the last empty:
  // no cells at all, but 10^16 steps to find that out.
  std::string t = kTinySong;
  std::string riffs;
  for (int i = 0; i < 16; ++i) {
    riffs += "riff r" + std::to_string(i);
    if (i < 15)
      for (int k = 0; k < 10; ++k) riffs += " @r" + std::to_string(i + 1);
    riffs += "\n";
  }
  t.replace(t.find("  one A4 .*15"), 13, "  one @r0 A4 .*15");
  t += riffs;
  const std::string e = ErrorOf(t);
  EXPECT_EQ(e.rfind("bad.song:", 0), 0u) << e;
  EXPECT_NE(e.find(": error: riffs expand too far"), std::string::npos) << e;
}

TEST(MusicTool, ModuleSettingsReachThePlayer) {
  // Three channels go on file as four (the XM family takes even counts);
  // tempo, speed, order and restart arrive as written.
  std::string t = kTinySong;
  t.replace(t.find("tempo 125"), 9, "tempo 140\nspeed 5\nrestart 2\ntitle Check");
  t.replace(t.find("channel two tone"), 16, "channel two tone\nchannel three tone");
  t.replace(t.find("order p"), 7, "pattern q 8\n  three C5 .*7\norder p q p");
  const auto bytes = vxm::Compose(t, "settings.song");
  const fs::path file = ScratchDir() / "settings.xm";
  WriteFile(file, bytes.data(), bytes.size());
  xmp_context ctx = xmp_create_context();
  ASSERT_EQ(xmp_load_module(ctx, file.c_str()), 0);
  xmp_module_info mi;
  xmp_get_module_info(ctx, &mi);
  EXPECT_EQ(mi.mod->chn, 4);
  EXPECT_EQ(mi.mod->bpm, 140);
  EXPECT_EQ(mi.mod->spd, 5);
  EXPECT_EQ(mi.mod->len, 3);
  EXPECT_EQ(mi.mod->rst, 1);
  EXPECT_EQ(mi.mod->ins, 1);
  EXPECT_STREQ(mi.mod->name, "Check");
  EXPECT_EQ(mi.mod->xxo[1], 1);
  xmp_release_module(ctx);
  xmp_free_context(ctx);
}

TEST(MusicSynth, NotesPlayAtTheirPitch) {
  // A held sine A4 through libxmp: count rising zero crossings over 2 s.
  for (const char* wave : {"sine", "square"}) {
    std::string t = kTinySong;
    t.replace(t.find("tempo 125"), 9, "tempo 60");  // 16 rows last 4 s
    t.replace(t.find("wave sine"), 9, std::string("wave ") + wave);
    for (const char* note : {"A4", "A2", "E6"}) {
      std::string song = t;
      song.replace(song.find("A4 .*15"), 2, note);
      if (std::string(wave) == "square") song.replace(song.find("  volume"), 0, "  cutoff 1\n");
      const auto bytes = vxm::Compose(song, "pitch.song");
      const fs::path file = ScratchDir() / "pitch.xm";
      WriteFile(file, bytes.data(), bytes.size());
      Render r = RenderModule(file);
      ASSERT_TRUE(r.loaded);
      const size_t from = size_t(kRate / 4), to = from + size_t(kRate) * 2;
      ASSERT_GT(r.pcm.size() / 2, to);
      int crossings = 0;
      for (size_t i = from; i + 1 < to; ++i)
        if (r.pcm[i * 2] < 0 && r.pcm[i * 2 + 2] >= 0) ++crossings;
      const double hz = crossings / 2.0;
      const double want = std::string(note) == "A4" ? 440.0 : std::string(note) == "A2" ? 110.0 : 1318.51;
      EXPECT_NEAR(hz, want, want * 0.01 + 1.0) << wave << " " << note;
    }
  }
}

}  // namespace
