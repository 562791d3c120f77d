// vorna-mksample: writes sample files of the program's formats.
//
//   vorna-mksample rgb OUT.rgb [COLOUR...]        colours as 0xBBGGRR; default the demo palette
//   vorna-mksample mol OUT.mol [--version N] [--flags N] [--packed]
//
// The library written by "mol" is the demo library: a cross symbol, a point, a line, an area and
// a text style, the font "Arial" and a three-colour palette; flags bit 0 adds field list and
// value table 1, bit 1 a 24 x 24 bitmap for the point style; --packed packs the body.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

#include "tools/sampledata/mol_writer.h"
#include "tools/vorna-mksample/commands.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: vorna-mksample rgb OUT.rgb [0xBBGGRR...]\n"
               "       vorna-mksample mol OUT.mol [--version 0-3] [--flags 0-3] [--packed]\n");
  for (const SampleCommand& c : kSampleCommands) {
    std::fprintf(stderr, "       vorna-mksample %s\n", c.usage);
  }
  return 2;
}

bool ParseNumber(const char* text, unsigned long max, unsigned long* out) {
  char* end = nullptr;
  const unsigned long v = std::strtoul(text, &end, 0);
  if (!end || *end || end == text || v > max) return false;
  *out = v;
  return true;
}

int Save(const std::string& path, const sample::Bytes& bytes) {
  if (!sample::SaveBytes(path, bytes)) {
    std::fprintf(stderr, "vorna-mksample: cannot write %s\n", path.c_str());
    return 1;
  }
  return 0;
}

int RunRgb(int argc, char** argv) {
  std::vector<uint32_t> colours;
  for (int i = 3; i < argc; ++i) {
    unsigned long v;
    if (!ParseNumber(argv[i], 0xFFFFFFFF, &v)) return Usage();
    colours.push_back(uint32_t(v));
  }
  if (colours.empty()) colours = sample::DemoPalette();
  return Save(argv[2], sample::PaletteBytes(colours));
}

int RunMol(int argc, char** argv) {
  unsigned long version = 2, flags = 0;
  bool packed = false;
  for (int i = 3; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--packed")) {
      packed = true;
    } else if (!std::strcmp(argv[i], "--version") && i + 1 < argc) {
      if (!ParseNumber(argv[++i], 3, &version)) return Usage();
    } else if (!std::strcmp(argv[i], "--flags") && i + 1 < argc) {
      if (!ParseNumber(argv[++i], 3, &flags)) return Usage();
    } else {
      return Usage();
    }
  }
  try {
    return Save(argv[2], sample::WriteMol(sample::DemoLibrary(uint8_t(version), uint8_t(flags),
                                                              packed)));
  } catch (const std::invalid_argument& e) {
    std::fprintf(stderr, "vorna-mksample: %s\n", e.what());
    return 1;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  const std::string command = argv[1];
  if (command == "rgb") return RunRgb(argc, argv);
  if (command == "mol") return RunMol(argc, argv);
  // Commands of other formats live in their own cmd_<name>.cpp; each takes the arguments after its name.
  for (const SampleCommand& c : kSampleCommands) {
    if (command == c.name) return c.run(argc - 2, argv + 2);
  }
  return Usage();
}
