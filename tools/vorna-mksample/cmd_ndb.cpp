// "ndb": writes address table files.
//
//   ndb --demo FOLDER [--packed]             the demo town's tables as FOLDER/<table>.ndb
//   ndb OUT.ndb --rows N [--seed S] [--packed]
//                                            a generated address table of N rows (CityID,
//                                            StreetID, Name, ListID, OFFS, X1, Y1)
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "tools/sampledata/mol_writer.h"
#include "tools/sampledata/ndb_writer.h"

namespace {

int NdbUsage() {
  std::fprintf(stderr,
               "usage: ndb --demo FOLDER [--packed]\n"
               "       ndb OUT.ndb --rows N [--seed S] [--packed]\n");
  return 2;
}

bool ParseCount(const char* text, unsigned long max, unsigned long* out) {
  char* end = nullptr;
  const unsigned long v = std::strtoul(text, &end, 0);
  if (!end || *end || end == text || v > max) return false;
  *out = v;
  return true;
}

}  // namespace

int RunNdbCommand(int argc, char** argv) {
  const char* out = nullptr;
  const char* demo = nullptr;
  unsigned long rows = 0, seed = 1;
  bool haveRows = false, packed = false;
  for (int i = 0; i < argc; i++) {
    const std::string a = argv[i];
    const bool hasValue = i + 1 < argc;
    if (a == "--demo" && hasValue) {
      demo = argv[++i];
    } else if (a == "--rows" && hasValue) {
      if (!ParseCount(argv[++i], 0xFFFFFFFF, &rows)) return NdbUsage();
      haveRows = true;
    } else if (a == "--seed" && hasValue) {
      if (!ParseCount(argv[++i], 0xFFFFFFFF, &seed)) return NdbUsage();
    } else if (a == "--packed") {
      packed = true;
    } else if (!out && a.rfind("--", 0) != 0) {
      out = argv[i];
    } else {
      return NdbUsage();
    }
  }
  if (demo ? (out || haveRows) : (!out || !haveRows)) return NdbUsage();

  try {
    if (demo) {
      std::error_code ec;
      std::filesystem::create_directories(demo, ec);
      for (const auto& [name, plan] : sample::DemoTownTables()) {
        const std::string path = (std::filesystem::path(demo) / (name + ".ndb")).string();
        if (!sample::WriteNdb(path, plan, packed)) {
          std::fprintf(stderr, "ndb: cannot write %s\n", path.c_str());
          return 1;
        }
      }
      return 0;
    }
    const sample::Bytes image = sample::AddressTableImage(uint32_t(rows), uint32_t(seed));
    if (!sample::SaveBytes(out, packed ? sample::PackNdb(image) : image)) {
      std::fprintf(stderr, "ndb: cannot write %s\n", out);
      return 1;
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "ndb: %s\n", e.what());
    return 1;
  }
  return 0;
}
