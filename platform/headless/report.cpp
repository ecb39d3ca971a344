// The bench's outputs: the JSON report, frame PNGs and frame hashes.
//
// Report keys: "exit" ("returned" or "timeout"), "result" (the entry's
// return value), "state", "score" (nine digits), "level", "lives",
// "virtual_ms", "final_ticks", "flips", "message_boxes" ([{"caption",
// "text"}] in order), "audio_calls" ([{"op", "args"}] in order),
// "frame_hashes" (16 hex digits per flip), "files_written", "frames".
//
// Frame PNGs come from a small writer of the bench's own, the same on every
// host: each row filtered with "Sub" (flat runs become zeros), then one
// deflate block with the fixed codes whose matches repeat the byte before or
// the row above. Game frames are mostly flat or repeated, so this stays
// within a few times of a full compressor at a fraction of the code.
#include <array>
#include <cstdio>
#include <cstring>
#include <vector>

#include "headless.h"

namespace pf::headless {
namespace {

void Escape(std::string& out, const std::string& text) {
    out += '"';
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            case '\b': out += "\\b"; break;
            case '\f': out += "\\f"; break;
            default:
                if (byte < 0x20 || byte >= 0x7F) {
                    // Bytes outside ASCII are shown as their Latin-1 code points, so
                    // the report is valid UTF-8 whatever the program wrote.
                    char code[8];
                    std::snprintf(code, sizeof code, "\\u%04x", byte);
                    out += code;
                } else {
                    out += c;
                }
        }
    }
    out += '"';
}

// A record of two strings: {"firstKey": first, "secondKey": second}.
void Record(std::string& out, const char* firstKey, const std::string& first,
            const char* secondKey, const std::string& second) {
    out += "{\"";
    out += firstKey;
    out += "\": ";
    Escape(out, first);
    out += ", \"";
    out += secondKey;
    out += "\": ";
    Escape(out, second);
    out += '}';
}

void Key(std::string& out, const char* name) {
    out += "  \"";
    out += name;
    out += "\": ";
}

void StringList(std::string& out, const std::vector<std::string>& items) {
    out += '[';
    for (size_t i = 0; i < items.size(); ++i) {
        if (i > 0) out += ", ";
        Escape(out, items[i]);
    }
    out += ']';
}

}  // namespace

uint64_t FrameHash(const uint16_t* pixels, int width, int height, int pitchPixels) {
    uint64_t hash = 0xcbf29ce484222325ull;
    for (int row = 0; row < height; ++row) {
        const uint16_t* line = pixels + static_cast<ptrdiff_t>(row) * pitchPixels;
        int x = 0;
        for (; x + 4 <= width; x += 4) {
            const uint64_t word = uint64_t{line[x]} | uint64_t{line[x + 1]} << 16 |
                                  uint64_t{line[x + 2]} << 32 | uint64_t{line[x + 3]} << 48;
            hash = (hash ^ word) * 0x100000001b3ull;
        }
        for (; x < width; ++x) hash = (hash ^ line[x]) * 0x100000001b3ull;
    }
    return hash;
}

std::string ReportJson(const Report& report) {
    std::string out = "{\n";
    Key(out, "exit");
    out += report.timedOut ? "\"timeout\"" : "\"returned\"";
    out += ",\n";
    Key(out, "result");
    out += std::to_string(report.result) + ",\n";
    Key(out, "state");
    out += std::to_string(report.fields.state) + ",\n";
    Key(out, "score");
    Escape(out, report.fields.score);
    out += ",\n";
    Key(out, "level");
    out += std::to_string(report.fields.level) + ",\n";
    Key(out, "lives");
    out += std::to_string(report.fields.lives) + ",\n";
    Key(out, "virtual_ms");
    out += std::to_string(report.virtualMs) + ",\n";
    Key(out, "final_ticks");
    out += std::to_string(report.finalTicks) + ",\n";
    Key(out, "flips");
    out += std::to_string(report.flips) + ",\n";
    Key(out, "message_boxes");
    out += '[';
    for (size_t i = 0; i < report.messageBoxes.size(); ++i) {
        out += i > 0 ? ", " : "";
        Record(out, "caption", report.messageBoxes[i].caption, "text", report.messageBoxes[i].text);
    }
    out += "],\n";
    Key(out, "audio_calls");
    out += '[';
    for (size_t i = 0; i < report.audioCalls.size(); ++i) {
        out += i > 0 ? ",\n    " : "\n    ";
        Record(out, "op", report.audioCalls[i].op, "args", report.audioCalls[i].args);
    }
    out += report.audioCalls.empty() ? "],\n" : "\n  ],\n";
    Key(out, "files_written");
    StringList(out, report.filesWritten);
    out += ",\n";
    Key(out, "frames");
    StringList(out, report.framesWritten);
    out += ",\n";
    Key(out, "frame_hashes");
    out += '[';
    for (size_t i = 0; i < report.frameHashes.size(); ++i) {
        char hex[24];
        std::snprintf(hex, sizeof hex, "%s\"%016llx\"", i > 0 ? ", " : "",
                      static_cast<unsigned long long>(report.frameHashes[i]));
        out += hex;
    }
    out += "]\n}\n";
    return out;
}

namespace {

// --- PNG ----------------------------------------------------------------------

uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc = 0) {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

uint32_t Adler32(const std::vector<uint8_t>& data) {
    uint32_t a = 1, b = 0;
    for (const uint8_t byte : data) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    return b << 16 | a;
}

// Deflate's bit order: Huffman codes from their high bit, everything else
// from its low bit.
class BitWriter {
public:
    explicit BitWriter(std::vector<uint8_t>& out) : out_(out) {}
    void Bits(uint32_t value, int count) {
        for (int i = 0; i < count; ++i) Bit((value >> i) & 1);
    }
    void Code(uint32_t code, int length) {
        for (int i = length - 1; i >= 0; --i) Bit((code >> i) & 1);
    }
    void Flush() {
        if (used_ > 0) out_.push_back(static_cast<uint8_t>(byte_));
        byte_ = 0;
        used_ = 0;
    }

private:
    void Bit(uint32_t bit) {
        byte_ |= bit << used_;
        if (++used_ == 8) Flush();
    }
    std::vector<uint8_t>& out_;
    uint32_t byte_ = 0;
    int used_ = 0;
};

// The fixed literal/length code (symbols 0 to 287).
void FixedSymbol(BitWriter& bits, unsigned symbol) {
    if (symbol < 144) bits.Code(0x30 + symbol, 8);
    else if (symbol < 256) bits.Code(0x190 + symbol - 144, 9);
    else if (symbol < 280) bits.Code(symbol - 256, 7);
    else bits.Code(0xC0 + symbol - 280, 8);
}

constexpr std::array<uint16_t, 29> kLengthBase = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,
                                                  15, 17, 19, 23, 27, 31, 35, 43, 51,  59,
                                                  67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<uint8_t, 29> kLengthExtra = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                  2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<uint16_t, 30> kDistanceBase = {
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::array<uint8_t, 30> kDistanceExtra = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                                    6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

template <size_t N>
size_t CodeOf(const std::array<uint16_t, N>& base, unsigned value) {
    size_t code = 0;
    while (code + 1 < N && base[code + 1] <= value) ++code;
    return code;
}

void Match(BitWriter& bits, unsigned length, unsigned distance) {
    const size_t l = CodeOf(kLengthBase, length);
    FixedSymbol(bits, static_cast<unsigned>(257 + l));
    bits.Bits(length - kLengthBase[l], kLengthExtra[l]);
    const size_t d = CodeOf(kDistanceBase, distance);
    bits.Code(static_cast<uint32_t>(d), 5);
    bits.Bits(distance - kDistanceBase[d], kDistanceExtra[d]);
}

// A zlib stream of data: one final block with the fixed codes; greedy
// matches at distance 1 or one row back.
std::vector<uint8_t> ZlibCompress(const std::vector<uint8_t>& data, size_t row) {
    std::vector<uint8_t> out = {0x78, 0x01};
    BitWriter bits(out);
    bits.Bits(1, 1);  // final block
    bits.Bits(1, 2);  // fixed codes
    const size_t size = data.size();
    size_t at = 0;
    while (at < size) {
        unsigned bestLength = 0, bestDistance = 0;
        for (const size_t distance : {size_t{1}, row}) {
            if (distance == 0 || distance > at || distance > 32768) continue;
            unsigned length = 0;
            while (length < 258 && at + length < size &&
                   data[at + length] == data[at + length - distance])
                ++length;
            if (length > bestLength) {
                bestLength = length;
                bestDistance = static_cast<unsigned>(distance);
            }
        }
        if (bestLength >= 3) {
            Match(bits, bestLength, bestDistance);
            at += bestLength;
        } else {
            FixedSymbol(bits, data[at]);
            ++at;
        }
    }
    FixedSymbol(bits, 256);  // end of block
    bits.Flush();
    const uint32_t adler = Adler32(data);
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(adler >> shift));
    return out;
}

void PutU32(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

void Chunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
    PutU32(out, static_cast<uint32_t>(data.size()));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    PutU32(out, Crc32(out.data() + start, out.size() - start));
}

}  // namespace

bool WritePng(const std::string& path, const uint16_t* pixels, int width, int height,
              int pitchPixels) {
    if (width <= 0 || height <= 0) return false;
    // Rows of filter byte 1 ("Sub": each byte minus the one a pixel before).
    const size_t row = 1 + static_cast<size_t>(width) * 3;
    std::vector<uint8_t> raw(row * static_cast<size_t>(height));
    for (int y = 0; y < height; ++y) {
        const uint16_t* line = pixels + static_cast<ptrdiff_t>(y) * pitchPixels;
        uint8_t* out = raw.data() + row * static_cast<size_t>(y);
        *out++ = 1;
        uint8_t previous[3] = {0, 0, 0};
        for (int x = 0; x < width; ++x) {
            const unsigned p = line[x];
            const unsigned r = p >> 11, g = (p >> 5) & 0x3F, b = p & 0x1F;
            const uint8_t rgb[3] = {static_cast<uint8_t>((r << 3) | (r >> 2)),
                                    static_cast<uint8_t>((g << 2) | (g >> 4)),
                                    static_cast<uint8_t>((b << 3) | (b >> 2))};
            for (int c = 0; c < 3; ++c) {
                *out++ = static_cast<uint8_t>(rgb[c] - previous[c]);
                previous[c] = rgb[c];
            }
        }
    }
    std::vector<uint8_t> header;
    PutU32(header, static_cast<uint32_t>(width));
    PutU32(header, static_cast<uint32_t>(height));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB, no interlace

    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Chunk(png, "IHDR", header);
    Chunk(png, "IDAT", ZlibCompress(raw, row));
    Chunk(png, "IEND", {});

    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    const bool written = std::fwrite(png.data(), 1, png.size(), file) == png.size();
    return std::fclose(file) == 0 && written;
}

}  // namespace pf::headless
