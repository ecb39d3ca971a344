// XM layout: header (with the order table), patterns (packed cells),
// instruments (one sample each, volume envelope, auto-vibrato), sample data
// stored as 16-bit deltas. All values little-endian.
#include "xm_writer.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace vxm {
namespace {

class Out {
public:
  void U8(int v) { b.push_back(std::uint8_t(v)); }
  void U16(int v) {
    U8(v & 0xFF);
    U8((v >> 8) & 0xFF);
  }
  void U32(std::uint32_t v) {
    U16(int(v & 0xFFFF));
    U16(int(v >> 16));
  }
  void Text(const std::string& s, size_t width) {  // padded with zeros, cut to width
    for (size_t i = 0; i < width; ++i) U8(i < s.size() ? s[i] : 0);
  }
  void Zeros(size_t n) { b.insert(b.end(), n, 0); }
  std::vector<std::uint8_t> b;
};

// Channels on file: trackers of the XM family take an even count only.
size_t FileChannels(const Song& song) { return (song.channels.size() + 1) & ~size_t(1); }

void WritePattern(Out& o, const Pattern& p, size_t channels, size_t fileChannels) {
  Out data;
  for (int r = 0; r < p.rows; ++r) {
    for (size_t c = 0; c < channels; ++c) {
      const Cell& cell = p.cells[size_t(r) * channels + c];
      // Packed cell: a flag byte (bit 7 set) names the fields that follow.
      int flags = 0x80;
      if (cell.note > 0) flags |= 0x01;
      if (cell.instrument > 0) flags |= 0x02;
      if (cell.volume >= 0) flags |= 0x04;
      if (cell.effect >= 0) flags |= 0x08 | (cell.param ? 0x10 : 0);
      data.U8(flags);
      if (flags & 0x01) data.U8(cell.note);
      if (flags & 0x02) data.U8(cell.instrument);
      if (flags & 0x04) data.U8(0x10 + std::clamp(cell.volume, 0, 64));
      if (flags & 0x08) data.U8(cell.effect);
      if (flags & 0x10) data.U8(cell.param);
    }
    for (size_t c = channels; c < fileChannels; ++c) data.U8(0x80);  // the padding channel
  }
  o.U32(9);  // pattern header length
  o.U8(0);   // packing type
  o.U16(p.rows);
  o.U16(int(data.b.size()));
  o.b.insert(o.b.end(), data.b.begin(), data.b.end());
}

void WriteInstrument(Out& o, const Recipe& r, const Sample& s) {
  o.U32(263);  // instrument header size
  o.Text(r.name, 22);
  o.U8(0);   // type
  o.U16(1);  // samples
  o.U32(40);  // sample header size
  o.Zeros(96);  // every note plays sample 0
  for (int i = 0; i < 12; ++i) {  // volume envelope
    EnvelopePoint p = i < int(r.envelope.size()) ? r.envelope[size_t(i)] : EnvelopePoint{};
    o.U16(p.tick);
    o.U16(p.level);
  }
  o.Zeros(48);  // panning envelope
  o.U8(int(r.envelope.size()));
  o.U8(0);  // panning points
  o.U8(std::max(r.sustain, 0));
  o.U8(0);  // volume loop start
  o.U8(0);  // volume loop end
  o.Zeros(3);  // panning sustain, loop start, loop end
  o.U8(r.envelope.empty() ? 0 : (1 | (r.sustain >= 0 ? 2 : 0)));
  o.U8(0);  // panning type
  o.U8(0);  // vibrato type: sine
  o.U8(r.vibratoSweep);
  o.U8(r.vibratoDepth);
  o.U8(r.vibratoRate);
  o.U16(r.fadeout);
  o.Zeros(22);  // reserved

  // Sample header; lengths in bytes.
  o.U32(std::uint32_t(s.data.size() * 2));
  o.U32(std::uint32_t(s.loopStart * 2));
  o.U32(std::uint32_t(s.loopLength * 2));
  o.U8(r.volume);
  o.U8(std::uint8_t(std::int8_t(s.finetune)));
  o.U8(0x10 | (s.loopLength > 0 ? 1 : 0));  // 16-bit, forward loop
  o.U8(r.pan);
  o.U8(std::uint8_t(std::int8_t(s.relativeNote)));
  o.U8(0);
  o.Text(r.name, 22);

  std::int16_t prev = 0;
  for (std::int16_t v : s.data) {
    o.U16(std::uint16_t(std::uint16_t(v) - std::uint16_t(prev)));
    prev = v;
  }
}

}  // namespace

std::vector<std::uint8_t> WriteXm(const Song& song, const std::vector<Sample>& samples) {
  Out o;
  o.Text("Extended Module: ", 17);
  o.Text(song.title, 20);
  o.U8(0x1A);
  o.Text("vx-music", 20);
  o.U16(0x0104);
  o.U32(276);  // header size from here
  o.U16(int(song.order.size()));
  o.U16(song.restart);
  o.U16(int(FileChannels(song)));
  o.U16(int(song.patterns.size()));
  o.U16(int(song.instruments.size()));
  o.U16(1);  // linear frequency table
  o.U16(song.speed);
  o.U16(song.tempo);
  for (size_t i = 0; i < 256; ++i) o.U8(i < song.order.size() ? song.order[i] : 0);
  for (const auto& p : song.patterns) WritePattern(o, p, song.channels.size(), FileChannels(song));
  for (size_t i = 0; i < song.instruments.size(); ++i) WriteInstrument(o, song.instruments[i], samples[i]);
  return o.b;
}

std::vector<std::uint8_t> Compose(const std::string& sourceText, const std::string& fileName) {
  Song song = ParseSong(sourceText, fileName);
  std::vector<int> high = HighestNotes(song);
  std::vector<Sample> samples;
  for (size_t i = 0; i < song.instruments.size(); ++i)
    samples.push_back(Synthesise(song.instruments[i], high[i]));
  return WriteXm(song, samples);
}

}  // namespace vxm
