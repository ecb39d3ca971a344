// Additive synthesis for pitched instruments (band-limited, so no aliasing),
// simple physical recipes for the drums. Sustained waves are one seamless
// loop: each unison voice completes a whole number of cycles in it.
#include "synth.h"

#include <algorithm>
#include <cmath>

namespace vxm {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kRate = 44100.0;       // sample rate a sample is computed at
constexpr double kAudibleTop = 18000.0;  // harmonics above this are dropped
constexpr double kPeak = 0.89;           // sample peak, a hair under -1 dBFS

// Deterministic white noise in [-1, 1).
class Noise {
public:
  explicit Noise(std::uint32_t seed) : state_(seed * 2654435761u + 12345u) {}
  double Next() {
    state_ = state_ * 1664525u + 1013904223u;
    return double(state_ >> 8) / double(1u << 23) - 1.0;
  }

private:
  std::uint32_t state_;
};

// Amplitude of harmonic k (1-based) of the recipe's wave, low-pass included.
double Harmonic(const Recipe& r, int k) {
  double a = 0.0;
  switch (r.wave) {
    case Wave::Sine: a = k == 1 ? 1.0 : 0.0; break;
    case Wave::Triangle: a = (k % 2) ? ((k / 2) % 2 ? -1.0 : 1.0) / (double(k) * k) : 0.0; break;
    case Wave::Saw: a = 1.0 / k; break;
    case Wave::Square: a = (k % 2) ? 1.0 / k : 0.0; break;
    case Wave::Pulse: a = std::sin(kPi * k * r.width) / k; break;
    default: break;
  }
  if (r.cutoff > 0.0) a /= std::sqrt(1.0 + std::pow(k / r.cutoff, 4.0));
  return a;
}

// The rate and tuning that make `note` play the sample at `rate`.
void Tune(Sample& s, double rate, int note) {
  double semis = 12.0 * std::log2(rate / 8363.0) - (note - 49);
  int rel = int(std::lround(semis));
  int fine = int(std::lround((semis - rel) * 128.0));
  if (fine > 127) { fine -= 128; ++rel; }
  s.relativeNote = std::clamp(rel, -96, 95);
  s.finetune = std::clamp(fine, -128, 127);
}

// Offsets of the unison voices in whole steps: symmetric around 0.
std::vector<int> VoiceOffsets(int voices) {
  std::vector<int> o;
  for (int i = 0; i < voices; ++i) o.push_back(voices % 2 ? i - voices / 2 : 2 * i - (voices - 1));
  return o;
}

void Drive(std::vector<double>& x, double drive) {
  if (drive <= 0.0) return;
  double peak = 0.0;
  for (double v : x) peak = std::max(peak, std::fabs(v));
  if (peak <= 0.0) return;
  const double norm = std::tanh(drive);
  for (double& v : x) v = std::tanh(drive * v / peak) / norm;
}

// One-shot shaping: fade in over `attack`, exponential decay, short fade out.
void Shape(std::vector<double>& x, const Recipe& r, double rate) {
  const size_t n = x.size();
  const size_t fadeIn = size_t(r.attack * rate);
  const size_t fadeOut = std::min(n, size_t(0.01 * rate));
  for (size_t i = 0; i < n; ++i) {
    double t = double(i) / rate, g = 1.0;
    if (i < fadeIn) g *= double(i) / double(fadeIn);
    if (r.decay > 0.0) g *= std::exp(-t / r.decay);
    if (i + fadeOut >= n) g *= double(n - i) / double(fadeOut + 1);
    x[i] *= g;
  }
}

std::vector<std::int16_t> ToPcm(std::vector<double>& x) {
  double peak = 0.0;
  for (double v : x) peak = std::max(peak, std::fabs(v));
  std::vector<std::int16_t> out(x.size());
  const double scale = peak > 0.0 ? kPeak * 32767.0 / peak : 0.0;
  for (size_t i = 0; i < x.size(); ++i) out[i] = std::int16_t(std::lround(x[i] * scale));
  return out;
}

// One-pole filters; rate-independent corner in Hz.
struct OnePole {
  double a = 1.0, y = 0.0;
  OnePole(double hz, double rate) { a = hz > 0.0 ? 1.0 - std::exp(-2.0 * kPi * hz / rate) : 1.0; }
  double Low(double x) { return y += a * (x - y); }
  double High(double x) { return x - Low(x); }
};

Sample Pitched(const Recipe& r, int highestNote) {
  Sample s;
  const double fb = NoteHz(r.base);
  const int period = std::max(8, int(std::lround(kRate / fb)));
  const double rate = fb * period;  // exact: `period` samples a cycle at the base note
  Tune(s, rate, r.base);

  int harmonics = std::min(r.harmonics, period / 2 - 1);
  const double top = NoteHz(std::max(highestNote, r.base));
  harmonics = std::max(1, std::min(harmonics, int(kAudibleTop / top)));
  std::vector<double> amp(size_t(harmonics) + 1, 0.0);
  for (int k = 1; k <= harmonics; ++k) amp[size_t(k)] = Harmonic(r, k);

  const std::vector<int> offsets = VoiceOffsets(r.voices);
  const int widest = offsets.empty() ? 0 : *std::max_element(offsets.begin(), offsets.end());
  std::vector<double> x;

  if (r.length <= 0.0) {
    // Looped: `cycles` cycles of the middle voice in the loop; a voice `o` steps
    // away completes cycles + o, which detunes it by a whole-loop ratio.
    int cycles = 1;
    if (widest > 0 && r.detune > 0.0)
      cycles = std::max(2, int(std::lround(widest / (std::pow(2.0, r.detune / 2400.0) - 1.0))));
    cycles = std::min(cycles, 400000 / period);
    const size_t n = size_t(period) * size_t(cycles);
    x.assign(n, 0.0);
    for (size_t v = 0; v < offsets.size(); ++v) {
      const double c = double(cycles + (cycles > 1 ? offsets[v] : 0));
      const double phase0 = 2.0 * kPi * 0.377 * double(v);
      for (int k = 1; k <= harmonics; ++k) {
        if (amp[size_t(k)] == 0.0 || c * k >= double(n) / 2.0) continue;
        const double w = 2.0 * kPi * c * k / double(n);
        for (size_t i = 0; i < n; ++i) x[i] += amp[size_t(k)] * std::sin(w * double(i) + phase0 * k);
      }
    }
    Drive(x, r.drive);
    s.loopStart = 0;
    s.loopLength = int(n);
  } else {
    // One-shot: higher harmonics die sooner (a plucked string's brightness fades).
    const size_t n = size_t(r.length * rate);
    x.assign(n, 0.0);
    for (size_t v = 0; v < offsets.size(); ++v) {
      const double ratio = std::pow(2.0, (widest ? r.detune / 2400.0 * offsets[v] / widest : 0.0) / 1.0);
      const double phase0 = 2.0 * kPi * 0.377 * double(v);
      for (int k = 1; k <= harmonics; ++k) {
        if (amp[size_t(k)] == 0.0 || fb * ratio * k >= rate / 2.0) continue;
        const double w = 2.0 * kPi * fb * ratio * k / rate;
        const double d = r.damping * (k - 1);
        for (size_t i = 0; i < n; ++i) {
          const double t = double(i) / rate;
          x[i] += amp[size_t(k)] * std::exp(-d * t) * std::sin(w * double(i) + phase0 * k);
        }
      }
    }
    Drive(x, r.drive);
    Shape(x, r, rate);
  }
  s.data = ToPcm(x);
  return s;
}

Sample Drum(const Recipe& r) {
  Sample s;
  Tune(s, kRate, r.note ? r.note : r.base);
  double len = r.length > 0.0 ? r.length : std::min(8.0, r.attack + 6.0 * std::max(r.decay, 0.01));
  const size_t n = std::max<size_t>(16, size_t(len * kRate));
  std::vector<double> x(n, 0.0);
  Noise noise(r.seed);

  switch (r.wave) {
    case Wave::Kick: {
      // A sine whose pitch drops from pitchStart to pitchEnd, with a noise click.
      double phase = 0.0;
      for (size_t i = 0; i < n; ++i) {
        const double t = double(i) / kRate;
        const double f = r.pitchEnd + (r.pitchStart - r.pitchEnd) * std::exp(-t / r.sweep);
        phase += 2.0 * kPi * f / kRate;
        x[i] = std::sin(phase) + r.noise * noise.Next() * std::exp(-t / 0.003);
      }
      break;
    }
    case Wave::Snare: {
      // A short two-partial body under band-limited noise that lasts a bit longer.
      OnePole low(r.cutoff > 0.0 ? r.cutoff : 7000.0, kRate), high(250.0, kRate);
      double p1 = 0.0, p2 = 0.0;
      for (size_t i = 0; i < n; ++i) {
        const double t = double(i) / kRate;
        const double drop = 1.0 + 0.3 * std::exp(-t / 0.01);
        p1 += 2.0 * kPi * r.tone * drop / kRate;
        p2 += 2.0 * kPi * r.tone * 1.62 * drop / kRate;
        const double body = (std::sin(p1) + 0.5 * std::sin(p2)) * std::exp(-t / std::max(0.005, r.decay * 0.5));
        const double hiss = high.High(low.Low(noise.Next())) * 2.0;
        x[i] = (1.0 - r.noise) * body + r.noise * hiss;
      }
      break;
    }
    case Wave::Hat: {
      // Six detuned square waves (a metallic ring) mixed with noise, both high-passed.
      static const double kRing[6] = {205.3, 304.4, 369.6, 522.7, 540.0, 800.0};
      OnePole h1(r.cutoff > 0.0 ? r.cutoff : 7000.0, kRate), h2(r.cutoff > 0.0 ? r.cutoff : 7000.0, kRate);
      double ph[6] = {0, 0, 0, 0, 0, 0};
      for (size_t i = 0; i < n; ++i) {
        double ring = 0.0;
        for (int k = 0; k < 6; ++k) {
          ph[k] += kRing[k] * 4.0 / kRate;
          ph[k] -= std::floor(ph[k]);
          ring += ph[k] < 0.5 ? 1.0 : -1.0;
        }
        x[i] = h2.High(h1.High(r.noise * noise.Next() * 3.0 + (1.0 - r.noise) * ring / 6.0));
      }
      break;
    }
    default: {  // Noise
      OnePole low(r.cutoff, kRate);
      for (size_t i = 0; i < n; ++i) x[i] = r.cutoff > 0.0 ? low.Low(noise.Next()) : noise.Next();
      break;
    }
  }
  Drive(x, r.drive);
  Shape(x, r, kRate);
  s.data = ToPcm(x);
  return s;
}

}  // namespace

double NoteHz(int note) { return 440.0 * std::pow(2.0, (note - 58) / 12.0); }

Sample Synthesise(const Recipe& r, int highestNote) {
  switch (r.wave) {
    case Wave::Kick:
    case Wave::Snare:
    case Wave::Hat:
    case Wave::Noise: return Drum(r);
    default: return Pitched(r, highestNote);
  }
}

}  // namespace vxm
