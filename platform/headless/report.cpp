// The bench's outputs: the JSON report, frame PNGs and frame hashes.
//
// Report keys: "exit" ("returned" or "timeout"), "result" (the entry's
// return value), "state", "score" (nine digits), "level", "lives",
// "virtual_ms", "final_ticks", "flips", "message_boxes" ([{"caption",
// "text"}] in order), "audio_calls" ([{"op", "args"}] in order),
// "frame_hashes" (16 hex digits per flip), "files_written", "frames".
#include <png.h>

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
        out += "{\"caption\": ";
        Escape(out, report.messageBoxes[i].caption);
        out += ", \"text\": ";
        Escape(out, report.messageBoxes[i].text);
        out += '}';
    }
    out += "],\n";
    Key(out, "audio_calls");
    out += '[';
    for (size_t i = 0; i < report.audioCalls.size(); ++i) {
        out += i > 0 ? ",\n    " : "\n    ";
        out += "{\"op\": ";
        Escape(out, report.audioCalls[i].op);
        out += ", \"args\": ";
        Escape(out, report.audioCalls[i].args);
        out += '}';
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

bool WritePng(const std::string& path, const uint16_t* pixels, int width, int height,
              int pitchPixels) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (png == nullptr || info == nullptr) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    std::vector<png_byte> row(static_cast<size_t>(width) * 3);
    if (setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 3);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) {
        const uint16_t* line = pixels + static_cast<ptrdiff_t>(y) * pitchPixels;
        for (int x = 0; x < width; ++x) {
            const unsigned p = line[x];
            const unsigned r = p >> 11, g = (p >> 5) & 0x3F, b = p & 0x1F;
            row[static_cast<size_t>(x) * 3 + 0] = static_cast<png_byte>((r << 3) | (r >> 2));
            row[static_cast<size_t>(x) * 3 + 1] = static_cast<png_byte>((g << 2) | (g >> 4));
            row[static_cast<size_t>(x) * 3 + 2] = static_cast<png_byte>((b << 3) | (b >> 2));
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0;
}

}  // namespace pf::headless
