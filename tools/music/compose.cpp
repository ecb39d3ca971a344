// vx-music: builds a module file from a music source.
//   vx-music SOURCE OUTPUT
// Reads the source (format in assets/music/README.md), synthesises its
// instruments and writes an XM module. On a fault it prints "file:line: error:
// ..." and leaves OUTPUT untouched.
#include <cstdio>
#include <exception>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "xm_writer.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: vx-music SOURCE OUTPUT\n");
    return 2;
  }
  const std::string source = argv[1], output = argv[2];
  std::ifstream in(source, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "%s: error: cannot open the source\n", source.c_str());
    return 1;
  }
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::uint8_t> bytes;
  try {
    bytes = vxm::Compose(text, source);
  } catch (const vxm::SourceError& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: error: %s\n", source.c_str(), e.what());
    return 1;
  }
  // Write beside the target, then rename: a failed run never leaves half a file.
  const std::string temp = output + ".part";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!out) {
      std::fprintf(stderr, "%s: error: cannot write\n", temp.c_str());
      std::remove(temp.c_str());
      return 1;
    }
  }
  if (std::rename(temp.c_str(), output.c_str()) != 0) {
    std::fprintf(stderr, "%s: error: cannot replace\n", output.c_str());
    std::remove(temp.c_str());
    return 1;
  }
  return 0;
}
