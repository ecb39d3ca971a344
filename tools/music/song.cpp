// Reader of the music source format: one statement a line, blocks opened by
// "instrument" and "pattern", note tokens with riffs, groups and repeats.
// Names are resolved after the whole file is read, so statements may come in
// any order; every fault names the line it comes from.
#include "song.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>
#include <optional>

namespace vxm {
namespace {

constexpr long kMaxSteps = 1000000;

struct Word {
  std::string text;
  int line = 0;
};

struct RawChannel {
  std::string name, instrument;
  int line = 0, volume = 64, pan = -1;
};

struct RawPattern {
  std::string name;
  int line = 0, rows = 64;
  std::vector<std::string> channelOrder;               // first-appearance order
  std::map<std::string, std::vector<Word>> channels;   // tokens per channel
  std::map<std::string, int> channelLine;
};

const char* const kKeywords[] = {"title", "tempo", "speed",   "master", "restart",
                                 "instrument", "channel", "riff", "pattern", "order"};

bool IsKeyword(const std::string& w) {
  return std::find(std::begin(kKeywords), std::end(kKeywords), w) != std::end(kKeywords);
}

bool IsName(const std::string& s) {
  if (s.empty()) return false;
  return std::all_of(s.begin(), s.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
  });
}

class Parser {
public:
  Parser(const std::string& file) : file_(file) {}

  [[noreturn]] void Fail(int line, const std::string& message) const {
    throw SourceError(file_, line, message);
  }

  // Whole-string number parsers: anything left over is a fault.
  int Int(const std::string& s, int line, int lo, int hi, const char* what) const {
    int v = 0;
    auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    if (r.ec != std::errc() || r.ptr != s.data() + s.size())
      Fail(line, std::string(what) + ": '" + s + "' is not a whole number");
    if (v < lo || v > hi)
      Fail(line, std::string(what) + " " + s + " is out of range " + std::to_string(lo) + ".." +
                     std::to_string(hi));
    return v;
  }
  double Real(const std::string& s, int line, double lo, double hi, const char* what) const {
    double v = 0;
    auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    if (r.ec != std::errc() || r.ptr != s.data() + s.size() || !std::isfinite(v))
      Fail(line, std::string(what) + ": '" + s + "' is not a number");
    if (v < lo || v > hi) {
      char range[64];
      std::snprintf(range, sizeof range, " is out of range %g..%g", lo, hi);
      Fail(line, std::string(what) + " " + s + range);
    }
    return v;
  }

  // "C4", "C#4", "Db4" -> XM note number 1..96 (C0 = 1); nullopt if not a note.
  static std::optional<int> NoteName(const std::string& s) {
    static const int kSemitone[7] = {9, 11, 0, 2, 4, 5, 7};  // A..G
    if (s.size() < 2 || s.size() > 3 || s[0] < 'A' || s[0] > 'G') return std::nullopt;
    int semi = kSemitone[s[0] - 'A'];
    size_t i = 1;
    if (s.size() == 3) {
      if (s[1] == '#') semi += 1;
      else if (s[1] == 'b') semi -= 1;
      else return std::nullopt;
      i = 2;
    }
    if (s[i] < '0' || s[i] > '7') return std::nullopt;
    int n = (s[i] - '0') * 12 + semi + 1;
    if (n < 1 || n > 96) return std::nullopt;
    return n;
  }
  int Note(const std::string& s, int line, const char* what) const {
    auto n = NoteName(s);
    if (!n) Fail(line, std::string(what) + ": '" + s + "' is not a note between C0 and B7 (like C4, F#2, Bb3)");
    return *n;
  }

  Song Run(const std::string& text);

private:
  void Statement(const std::vector<Word>& words, const std::string& rest, int line);
  void InstrumentKey(Recipe& r, const std::vector<Word>& w);
  std::vector<Word> NoteWords(const std::string& s, int line) const;
  void Expand(const std::vector<Word>& in, size_t begin, size_t end, int transpose, int depth,
              std::vector<Cell>& out, const Song& song) const;
  void ExpandOne(const Word& w, int transpose, int depth, std::vector<Cell>& out,
                 const Song& song) const;
  int InstrumentIndex(const std::string& name, int line, const Song& song) const;

  std::string file_;
  enum class Block { None, Instrument, Pattern } block_ = Block::None;
  Song song_;
  std::vector<RawChannel> channels_;
  std::map<std::string, std::vector<Word>> riffs_;
  std::map<std::string, int> riffLine_;
  std::vector<RawPattern> patterns_;
  std::vector<Word> order_;
  int restartLine_ = 0, restartEntry_ = 1;
  // Cells and riff uses expanded so far: riffs of riffs of empty riffs could
  // otherwise keep the tool busy for ever.
  mutable long steps_ = 0;
  std::map<std::string, int> seen_;  // top-level statements given once -> line
};

// Splits note text into tokens: blanks separate, "(" stands alone, ")" takes
// its "*N" along, "|" (a bar line for the reader) is dropped.
std::vector<Word> Parser::NoteWords(const std::string& s, int line) const {
  std::vector<Word> out;
  size_t i = 0;
  while (i < s.size()) {
    char c = s[i];
    if (c == ' ' || c == '\t' || c == '|' || c == '\r') {
      ++i;
    } else if (c == '(') {
      out.push_back({"(", line});
      ++i;
    } else {
      size_t j = i + 1;
      if (c == ')') {
        while (j < s.size() && (s[j] == '*' || (s[j] >= '0' && s[j] <= '9'))) ++j;
      } else {
        while (j < s.size() && s[j] != ' ' && s[j] != '\t' && s[j] != '|' && s[j] != '(' &&
               s[j] != ')' && s[j] != '\r')
          ++j;
      }
      out.push_back({s.substr(i, j - i), line});
      i = j;
    }
  }
  return out;
}

Song Parser::Run(const std::string& text) {
  int line = 0;
  size_t pos = 0;
  while (pos <= text.size()) {
    size_t nl = text.find('\n', pos);
    if (nl == std::string::npos) nl = text.size();
    std::string raw = text.substr(pos, nl - pos);
    pos = nl + 1;
    ++line;
    // A comment starts with '#' at the start of a word ("C#4" is a note).
    for (size_t i = 0; i < raw.size(); ++i) {
      if (raw[i] == '#' && (i == 0 || raw[i - 1] == ' ' || raw[i - 1] == '\t')) {
        raw.resize(i);
        break;
      }
    }
    std::vector<Word> words;
    size_t i = 0, restAt = std::string::npos;
    while (i < raw.size()) {
      while (i < raw.size() && (raw[i] == ' ' || raw[i] == '\t' || raw[i] == '\r')) ++i;
      if (i >= raw.size()) break;
      size_t j = i;
      while (j < raw.size() && raw[j] != ' ' && raw[j] != '\t' && raw[j] != '\r') ++j;
      if (words.size() == 1) restAt = i;
      words.push_back({raw.substr(i, j - i), line});
      i = j;
    }
    if (words.empty()) continue;
    std::string rest = restAt == std::string::npos ? "" : raw.substr(restAt);
    while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t' || rest.back() == '\r'))
      rest.pop_back();
    Statement(words, rest, line);
    if (nl == text.size()) break;
  }

  Song& s = song_;
  if (s.instruments.empty()) Fail(line, "the song has no instrument");
  if (channels_.empty()) Fail(line, "the song has no channel");
  if (channels_.size() > 32) Fail(channels_[32].line, "more than 32 channels");
  if (s.instruments.size() > 128) Fail(s.instruments[128].line, "more than 128 instruments");
  if (patterns_.empty()) Fail(line, "the song has no pattern");
  if (patterns_.size() > 256) Fail(patterns_[256].line, "more than 256 patterns");
  if (order_.empty()) Fail(line, "the song has no order list (order PATTERN ...)");
  if (order_.size() > 256) Fail(order_[256].line, "the order list has more than 256 entries");

  for (const RawChannel& rc : channels_) {
    Channel c;
    c.name = rc.name;
    c.line = rc.line;
    c.instrument = InstrumentIndex(rc.instrument, rc.line, s);
    c.volume = rc.volume;
    c.pan = rc.pan;
    s.channels.push_back(c);
  }
  const size_t nch = s.channels.size();

  for (const RawPattern& rp : patterns_) {
    Pattern p;
    p.name = rp.name;
    p.line = rp.line;
    p.rows = rp.rows;
    p.cells.assign(size_t(p.rows) * nch, Cell{});
    for (const std::string& cname : rp.channelOrder) {
      size_t ci = 0;
      while (ci < nch && s.channels[ci].name != cname) ++ci;
      int cline = rp.channelLine.at(cname);
      if (ci == nch) Fail(cline, "pattern '" + rp.name + "': no channel named '" + cname + "'");
      const std::vector<Word>& toks = rp.channels.at(cname);
      std::vector<Cell> cells;
      Expand(toks, 0, toks.size(), 0, 0, cells, s);
      if (int(cells.size()) != p.rows)
        Fail(cline, "pattern '" + rp.name + "' channel '" + cname + "' has " +
                        std::to_string(cells.size()) + " rows, the pattern has " +
                        std::to_string(p.rows));
      const Channel& ch = s.channels[ci];
      for (int r = 0; r < p.rows; ++r) {
        Cell c = cells[size_t(r)];
        bool sounding = c.note == -1 || (c.note >= 1 && c.note <= 96);
        if (sounding) {
          if (c.instrument == 0) c.instrument = ch.instrument;
          const Recipe& in = s.instruments[size_t(c.instrument - 1)];
          if (c.note == -1) c.note = in.note ? in.note : in.base;
          if (c.volume < 0) c.volume = in.volume;
          if (ch.pan >= 0 && c.effect < 0) {
            c.effect = 8;
            c.param = ch.pan;
          }
        } else if (c.instrument != 0) {
          Fail(cline, "pattern '" + rp.name + "' channel '" + cname + "' row " +
                          std::to_string(r + 1) + ": an instrument needs a note");
        }
        if (c.volume >= 0)
          c.volume = int(std::lround(c.volume * ch.volume * s.master / (64.0 * 64.0)));
        p.cells[size_t(r) * nch + ci] = c;
      }
    }
    s.patterns.push_back(std::move(p));
  }

  for (const Word& w : order_) {
    size_t pi = 0;
    while (pi < patterns_.size() && patterns_[pi].name != w.text) ++pi;
    if (pi == patterns_.size()) Fail(w.line, "order: no pattern named '" + w.text + "'");
    s.order.push_back(int(pi));
  }
  if (restartEntry_ > int(s.order.size()))
    Fail(restartLine_, "restart " + std::to_string(restartEntry_) + " is past the end of the order list (" +
                           std::to_string(s.order.size()) + " entries)");
  s.restart = restartEntry_ - 1;
  return s;
}

int Parser::InstrumentIndex(const std::string& name, int line, const Song& song) const {
  for (size_t i = 0; i < song.instruments.size(); ++i)
    if (song.instruments[i].name == name) return int(i) + 1;
  Fail(line, "no instrument named '" + name + "'");
}

void Parser::Statement(const std::vector<Word>& w, const std::string& rest, int line) {
  const std::string& key = w[0].text;
  if (!IsKeyword(key)) {
    if (block_ == Block::Instrument) {
      InstrumentKey(song_.instruments.back(), w);
      return;
    }
    if (block_ == Block::Pattern) {
      RawPattern& p = patterns_.back();
      if (!IsName(key)) Fail(line, "'" + key + "' is not a channel name");
      if (!p.channels.count(key)) {
        p.channelOrder.push_back(key);
        p.channelLine[key] = line;
      }
      auto toks = NoteWords(rest, line);
      auto& dst = p.channels[key];
      dst.insert(dst.end(), toks.begin(), toks.end());
      return;
    }
    Fail(line, "unknown statement '" + key + "'");
  }
  block_ = Block::None;
  auto once = [&] {
    if (seen_.count(key))
      Fail(line, "'" + key + "' is given twice (first at line " + std::to_string(seen_[key]) + ")");
    seen_[key] = line;
  };
  auto want = [&](size_t lo, size_t hi) {
    if (w.size() < lo + 1 || w.size() > hi + 1)
      Fail(line, "'" + key + "' takes " + (lo == hi ? std::to_string(lo) : std::to_string(lo) + " to " + std::to_string(hi)) +
                     " value" + (hi == 1 ? "" : "s"));
  };
  if (key == "title") {
    once();
    if (rest.size() > 20) Fail(line, "title is longer than 20 characters");
    song_.title = rest;
  } else if (key == "tempo") {
    once();
    want(1, 1);
    song_.tempo = Int(w[1].text, line, 32, 255, "tempo");
  } else if (key == "speed") {
    once();
    want(1, 1);
    song_.speed = Int(w[1].text, line, 1, 31, "speed");
  } else if (key == "master") {
    once();
    want(1, 1);
    song_.master = Int(w[1].text, line, 0, 64, "master");
  } else if (key == "restart") {
    once();
    want(1, 1);
    restartEntry_ = Int(w[1].text, line, 1, 256, "restart");
    restartLine_ = line;
  } else if (key == "instrument") {
    want(1, 1);
    if (!IsName(w[1].text)) Fail(line, "'" + w[1].text + "' is not a name (letters, digits, _)");
    for (const Recipe& r : song_.instruments)
      if (r.name == w[1].text)
        Fail(line, "instrument '" + w[1].text + "' is defined twice (first at line " + std::to_string(r.line) + ")");
    Recipe r;
    r.name = w[1].text;
    r.line = line;
    song_.instruments.push_back(r);
    block_ = Block::Instrument;
  } else if (key == "channel") {
    if (w.size() != 3 && w.size() != 5 && w.size() != 7)
      Fail(line, "channel NAME INSTRUMENT [volume N] [pan N]");
    RawChannel c;
    c.name = w[1].text;
    c.instrument = w[2].text;
    c.line = line;
    if (!IsName(c.name) || IsKeyword(c.name)) Fail(line, "'" + c.name + "' cannot name a channel");
    for (const RawChannel& o : channels_)
      if (o.name == c.name)
        Fail(line, "channel '" + c.name + "' is defined twice (first at line " + std::to_string(o.line) + ")");
    for (size_t i = 3; i + 1 < w.size(); i += 2) {
      if (w[i].text == "volume") c.volume = Int(w[i + 1].text, line, 0, 64, "channel volume");
      else if (w[i].text == "pan") c.pan = Int(w[i + 1].text, line, 0, 255, "channel pan");
      else Fail(line, "channel option '" + w[i].text + "' is not volume or pan");
    }
    channels_.push_back(c);
  } else if (key == "riff") {
    if (w.size() < 2) Fail(line, "riff NAME NOTES...");
    const std::string& name = w[1].text;
    if (!IsName(name)) Fail(line, "'" + name + "' is not a name (letters, digits, _)");
    if (!riffLine_.count(name)) riffLine_[name] = line;
    auto toks = NoteWords(rest.substr(name.size()), line);
    auto& dst = riffs_[name];
    dst.insert(dst.end(), toks.begin(), toks.end());
  } else if (key == "pattern") {
    want(1, 2);
    if (!IsName(w[1].text)) Fail(line, "'" + w[1].text + "' is not a name (letters, digits, _)");
    for (const RawPattern& o : patterns_)
      if (o.name == w[1].text)
        Fail(line, "pattern '" + w[1].text + "' is defined twice (first at line " + std::to_string(o.line) + ")");
    RawPattern p;
    p.name = w[1].text;
    p.line = line;
    if (w.size() == 3) p.rows = Int(w[2].text, line, 1, 256, "pattern rows");
    patterns_.push_back(std::move(p));
    block_ = Block::Pattern;
  } else if (key == "order") {
    want(1, 256);
    order_.insert(order_.end(), w.begin() + 1, w.end());
  }
}

void Parser::InstrumentKey(Recipe& r, const std::vector<Word>& w) {
  const std::string& k = w[0].text;
  const int line = w[0].line;
  auto want = [&](size_t n) {
    if (w.size() != n + 1)
      Fail(line, "'" + k + "' takes " + std::to_string(n) + " value" + (n == 1 ? "" : "s"));
  };
  auto real = [&](double lo, double hi) {
    want(1);
    return Real(w[1].text, line, lo, hi, k.c_str());
  };
  if (k == "wave") {
    want(1);
    static const std::pair<const char*, Wave> kWaves[] = {
        {"sine", Wave::Sine},   {"triangle", Wave::Triangle}, {"saw", Wave::Saw},
        {"square", Wave::Square}, {"pulse", Wave::Pulse},     {"kick", Wave::Kick},
        {"snare", Wave::Snare}, {"hat", Wave::Hat},           {"noise", Wave::Noise}};
    for (auto& [n, v] : kWaves)
      if (w[1].text == n) {
        r.wave = v;
        return;
      }
    Fail(line, "wave '" + w[1].text + "' is not one of sine, triangle, saw, square, pulse, kick, snare, hat, noise");
  } else if (k == "width") r.width = real(0.01, 0.99);
  else if (k == "harmonics") { want(1); r.harmonics = Int(w[1].text, line, 1, 256, "harmonics"); }
  else if (k == "cutoff") r.cutoff = real(0, 20000);
  else if (k == "voices") { want(1); r.voices = Int(w[1].text, line, 1, 5, "voices"); }
  else if (k == "detune") r.detune = real(0, 100);
  else if (k == "base") { want(1); r.base = Note(w[1].text, line, "base"); }
  else if (k == "note") { want(1); r.note = Note(w[1].text, line, "note"); }
  else if (k == "length") r.length = real(0, 8);
  else if (k == "decay") r.decay = real(0, 30);
  else if (k == "damping") r.damping = real(0, 100);
  else if (k == "attack") r.attack = real(0, 1);
  else if (k == "pitch") {
    want(2);
    r.pitchStart = Real(w[1].text, line, 10, 5000, "pitch start");
    r.pitchEnd = Real(w[2].text, line, 10, 5000, "pitch end");
  } else if (k == "sweep") r.sweep = real(0.001, 2);
  else if (k == "tone") r.tone = real(20, 5000);
  else if (k == "noise") r.noise = real(0, 1);
  else if (k == "drive") r.drive = real(0, 10);
  else if (k == "seed") { want(1); r.seed = std::uint32_t(Int(w[1].text, line, 0, 1 << 30, "seed")); }
  else if (k == "volume") { want(1); r.volume = Int(w[1].text, line, 0, 64, "volume"); }
  else if (k == "pan") { want(1); r.pan = Int(w[1].text, line, 0, 255, "pan"); }
  else if (k == "envelope") {
    if (w.size() < 2 || w.size() > 13) Fail(line, "envelope takes 1 to 12 points TICK:LEVEL");
    r.envelope.clear();
    for (size_t i = 1; i < w.size(); ++i) {
      const std::string& t = w[i].text;
      size_t colon = t.find(':');
      if (colon == std::string::npos) Fail(line, "envelope point '" + t + "' is not TICK:LEVEL");
      EnvelopePoint p;
      p.tick = Int(t.substr(0, colon), line, 0, 65535, "envelope tick");
      p.level = Int(t.substr(colon + 1), line, 0, 64, "envelope level");
      if (!r.envelope.empty() && p.tick <= r.envelope.back().tick)
        Fail(line, "envelope ticks must rise from point to point");
      if (r.envelope.empty() && p.tick != 0) Fail(line, "the first envelope point must be at tick 0");
      r.envelope.push_back(p);
    }
  } else if (k == "sustain") {
    want(1);
    int tick = Int(w[1].text, line, 0, 65535, "sustain");
    r.sustain = -1;
    for (size_t i = 0; i < r.envelope.size(); ++i)
      if (r.envelope[i].tick == tick) r.sustain = int(i);
    if (r.sustain < 0) Fail(line, "sustain " + w[1].text + ": no envelope point at that tick (give the envelope first)");
  } else if (k == "fadeout") { want(1); r.fadeout = Int(w[1].text, line, 0, 4095, "fadeout"); }
  else if (k == "vibrato") {
    if (w.size() != 3 && w.size() != 4) Fail(line, "vibrato DEPTH RATE [SWEEP]");
    r.vibratoDepth = Int(w[1].text, line, 0, 15, "vibrato depth");
    r.vibratoRate = Int(w[2].text, line, 0, 63, "vibrato rate");
    if (w.size() == 4) r.vibratoSweep = Int(w[3].text, line, 0, 255, "vibrato sweep");
  } else {
    Fail(line, "instrument '" + r.name + "': unknown setting '" + k + "'");
  }
}

// Reads "*N" at s[i..]: the repeat count, 1 when absent.
static bool RepeatSuffix(const std::string& s, size_t i, int& count) {
  count = 1;
  if (i == s.size()) return true;
  if (s[i] != '*' || i + 1 == s.size()) return false;
  int v = 0;
  auto r = std::from_chars(s.data() + i + 1, s.data() + s.size(), v);
  if (r.ec != std::errc() || r.ptr != s.data() + s.size() || v < 1 || v > 256) return false;
  count = v;
  return true;
}

void Parser::Expand(const std::vector<Word>& in, size_t begin, size_t end, int transpose, int depth,
                    std::vector<Cell>& out, const Song& song) const {
  for (size_t i = begin; i < end; ++i) {
    if (out.size() > 256) return;  // already too long; the caller reports it
    if (in[i].text == "(") {
      size_t j = i + 1;
      int nest = 1;
      for (; j < end; ++j) {
        if (in[j].text == "(") ++nest;
        else if (in[j].text[0] == ')' && --nest == 0) break;
      }
      if (j == end) Fail(in[i].line, "'(' has no matching ')'");
      int count = 1;
      if (!RepeatSuffix(in[j].text, 1, count))
        Fail(in[j].line, "'" + in[j].text + "': a group ends with ')' or ')*N' (N from 1 to 256)");
      std::vector<Cell> group;
      Expand(in, i + 1, j, transpose, depth, group, song);
      for (int k = 0; k < count && out.size() <= 256; ++k) out.insert(out.end(), group.begin(), group.end());
      i = j;
    } else if (in[i].text[0] == ')') {
      Fail(in[i].line, "')' has no matching '('");
    } else {
      ExpandOne(in[i], transpose, depth, out, song);
    }
  }
}

void Parser::ExpandOne(const Word& w, int transpose, int depth, std::vector<Cell>& out,
                       const Song& song) const {
  const std::string& t = w.text;
  const int line = w.line;
  if (++steps_ > kMaxSteps) Fail(line, "riffs expand too far (more than a million steps)");
  if (t[0] == '@') {
    size_t i = 1;
    while (i < t.size() && IsName(std::string(1, t[i]))) ++i;
    std::string name = t.substr(1, i - 1);
    auto it = riffs_.find(name);
    if (it == riffs_.end()) Fail(line, "no riff named '" + name + "'");
    if (depth >= 16) Fail(line, "riff '" + name + "' uses itself (riffs nest too deep)");
    int shift = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
      size_t j = i + 1;
      while (j < t.size() && t[j] >= '0' && t[j] <= '9') ++j;
      if (j == i + 1) Fail(line, "'" + t + "': a transposition is +N or -N semitones");
      shift = Int(t.substr(i + 1, j - i - 1), line, 0, 95, "transposition");
      if (t[i] == '-') shift = -shift;
      i = j;
    }
    int count = 1;
    if (!RepeatSuffix(t, i, count)) Fail(line, "'" + t + "' is not @RIFF, @RIFF+N, @RIFF-N or any of these with *N");
    std::vector<Cell> cells;
    Expand(it->second, 0, it->second.size(), transpose + shift, depth + 1, cells, song);
    for (int k = 0; k < count && out.size() <= 256; ++k) out.insert(out.end(), cells.begin(), cells.end());
    return;
  }

  // A cell: HEAD [=INSTRUMENT] [:VOLUME] [!EFFECT] [*N]
  size_t i = 0;
  while (i < t.size() && t[i] != '=' && t[i] != ':' && t[i] != '!' && t[i] != '*') ++i;
  std::string head = t.substr(0, i);
  Cell c;
  if (head == ".") c.note = 0;
  else if (head == "^") c.note = 97;
  else if (head == "x") c.note = -1;
  else if (auto n = NoteName(head)) {
    c.note = *n + transpose;
    if (c.note < 1 || c.note > 96)
      Fail(line, "'" + t + "' transposed by " + std::to_string(transpose) + " leaves the range C0..B7");
  } else {
    Fail(line, "'" + t + "' is not a note (C4, F#2, Bb3), x, ^, . or @RIFF");
  }
  while (i < t.size() && t[i] != '*') {
    char tag = t[i];
    size_t j = i + 1;
    while (j < t.size() && t[j] != '=' && t[j] != ':' && t[j] != '!' && t[j] != '*') ++j;
    std::string v = t.substr(i + 1, j - i - 1);
    if (tag == '=') {
      c.instrument = InstrumentIndex(v, line, song);
    } else if (tag == ':') {
      c.volume = Int(v, line, 0, 64, "note volume");
    } else {  // '!': XM effect, one letter or digit then two hex digits
      auto digit = [](char ch) {
        if (ch >= '0' && ch <= '9') return ch - '0';
        if (ch >= 'A' && ch <= 'Z') return ch - 'A' + 10;
        return -1;
      };
      if (v.size() != 3 || digit(v[0]) < 0 || !std::isxdigit((unsigned char)v[1]) ||
          !std::isxdigit((unsigned char)v[2]))
        Fail(line, "'" + t + "': an effect is ! then a letter or digit and two hex digits (like !A04)");
      c.effect = digit(v[0]);
      c.param = std::stoi(v.substr(1), nullptr, 16);
    }
    i = j;
  }
  int count = 1;
  if (!RepeatSuffix(t, i, count)) Fail(line, "'" + t + "': a repeat is *N with N from 1 to 256");
  for (int k = 0; k < count; ++k) out.push_back(c);
}

}  // namespace

Song ParseSong(const std::string& text, const std::string& fileName) {
  return Parser(fileName).Run(text);
}

std::vector<int> HighestNotes(const Song& song) {
  std::vector<int> high(song.instruments.size(), 0);
  for (const Pattern& p : song.patterns)
    for (const Cell& c : p.cells)
      if (c.note >= 1 && c.note <= 96 && c.instrument >= 1)
        high[size_t(c.instrument - 1)] = std::max(high[size_t(c.instrument - 1)], c.note);
  return high;
}

}  // namespace vxm
