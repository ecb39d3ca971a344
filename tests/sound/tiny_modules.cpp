#include "sound/tiny_modules.h"

#include <cstring>

namespace tiny {
namespace {

constexpr int kHalfWave = 16;  // samples per half period of the square wave
constexpr int8_t kLevel = 48;  // well below full scale

void Put16BE(std::vector<uint8_t>& out, unsigned value) {
    out.push_back(static_cast<uint8_t>(value >> 8));
    out.push_back(static_cast<uint8_t>(value));
}

void Put16LE(std::vector<uint8_t>& out, unsigned value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void Put32LE(std::vector<uint8_t>& out, uint32_t value) {
    Put16LE(out, value & 0xFFFF);
    Put16LE(out, value >> 16);
}

void PutText(std::vector<uint8_t>& out, const char* text, size_t size) {
    const size_t length = std::strlen(text);
    for (size_t i = 0; i < size; ++i)
        out.push_back(i < length ? static_cast<uint8_t>(text[i]) : 0);
}

}  // namespace

std::vector<uint8_t> ProTrackerModule() {
    std::vector<uint8_t> out;
    PutText(out, "tiny", 20);
    // Sample 1: the square wave, looped whole; samples 2 to 31 empty.
    PutText(out, "square", 22);
    Put16BE(out, kHalfWave);  // length in words
    out.push_back(0);         // finetune
    out.push_back(64);        // volume
    Put16BE(out, 0);          // loop start (words)
    Put16BE(out, kHalfWave);  // loop length (words)
    for (int i = 1; i < 31; ++i) {
        PutText(out, "", 22);
        Put16BE(out, 0);
        out.push_back(0);
        out.push_back(0);
        Put16BE(out, 0);
        Put16BE(out, 1);
    }
    out.push_back(1);    // song length
    out.push_back(127);  // restart
    for (int i = 0; i < 128; ++i) out.push_back(0);
    PutText(out, "M.K.", 4);
    // Pattern 0: row 0, channel 0: period 428 with sample 1.
    std::vector<uint8_t> pattern(64 * 4 * 4, 0);
    const unsigned period = 428;
    pattern[0] = static_cast<uint8_t>(period >> 8);
    pattern[1] = static_cast<uint8_t>(period);
    pattern[2] = 1 << 4;
    out.insert(out.end(), pattern.begin(), pattern.end());
    for (int i = 0; i < 2 * kHalfWave; ++i)
        out.push_back(static_cast<uint8_t>(i < kHalfWave ? kLevel : -kLevel));
    return out;
}

std::vector<uint8_t> FastTrackerModule() {
    std::vector<uint8_t> out;
    PutText(out, "Extended Module: ", 17);
    PutText(out, "tiny", 20);
    out.push_back(0x1A);
    PutText(out, "builder", 20);
    Put16LE(out, 0x0104);
    Put32LE(out, 276);  // header size from here
    Put16LE(out, 1);    // song length
    Put16LE(out, 0);    // restart
    Put16LE(out, 2);    // channels
    Put16LE(out, 1);    // patterns
    Put16LE(out, 1);    // instruments
    Put16LE(out, 1);    // linear frequencies
    Put16LE(out, 6);    // tempo
    Put16LE(out, 125);  // beats per minute
    for (int i = 0; i < 256; ++i) out.push_back(0);

    // Pattern 0: 16 rows, packed; row 0 channel 0 plays C-4 on instrument 1.
    std::vector<uint8_t> rows = {49, 1, 0, 0, 0, 0x80};
    for (int i = 1; i < 16; ++i) {
        rows.push_back(0x80);
        rows.push_back(0x80);
    }
    Put32LE(out, 9);
    out.push_back(0);  // packing type
    Put16LE(out, 16);
    Put16LE(out, static_cast<unsigned>(rows.size()));
    out.insert(out.end(), rows.begin(), rows.end());

    // Instrument 1 with one sample.
    const size_t instrument = out.size();
    Put32LE(out, 263);
    PutText(out, "square", 22);
    out.push_back(0);
    Put16LE(out, 1);
    Put32LE(out, 40);  // sample header size
    while (out.size() < instrument + 263) out.push_back(0);  // keymap, envelopes...
    Put32LE(out, 2 * kHalfWave);  // length in bytes
    Put32LE(out, 0);              // loop start
    Put32LE(out, 2 * kHalfWave);  // loop length
    out.push_back(64);            // volume
    out.push_back(0);             // finetune
    out.push_back(1);             // forward loop, 8 bits
    out.push_back(128);           // panning
    out.push_back(0);             // relative note
    out.push_back(0);
    PutText(out, "square", 22);
    // Delta-coded sample data.
    int8_t previous = 0;
    for (int i = 0; i < 2 * kHalfWave; ++i) {
        const int8_t value = i < kHalfWave ? kLevel : static_cast<int8_t>(-kLevel);
        out.push_back(static_cast<uint8_t>(static_cast<int8_t>(value - previous)));
        previous = value;
    }
    return out;
}

}  // namespace tiny
