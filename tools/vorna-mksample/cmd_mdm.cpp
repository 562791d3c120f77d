// "mdm": writes a vector map built field by field from the layout.
//
//   mdm OUT.mdm                          the demo map (point, line, area, text; library "Demo")
//   mdm OUT.mdm --lines N --vertices V   N generated lines of V vertices each
// Options for either: --narrow (19-byte entries), --version 1|2|3, --library NAME ("" for none).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tools/sampledata/mdm_writer.h"

int RunMdmCommand(int argc, char** argv) {
  const char* out = nullptr;
  int lines = -1, vertices = 16, version = -1;
  bool narrow = false;
  const char* library = nullptr;
  for (int i = 0; i < argc; i++) {
    std::string a = argv[i];
    bool hasValue = i + 1 < argc;
    if (a == "--lines" && hasValue)
      lines = std::atoi(argv[++i]);
    else if (a == "--vertices" && hasValue)
      vertices = std::atoi(argv[++i]);
    else if (a == "--version" && hasValue)
      version = std::atoi(argv[++i]);
    else if (a == "--library" && hasValue)
      library = argv[++i];
    else if (a == "--narrow")
      narrow = true;
    else if (!out && a.rfind("--", 0) != 0)
      out = argv[i];
    else {
      std::fprintf(stderr, "mdm: unknown argument %s\n", argv[i]);
      return 2;
    }
  }
  // A map holds at most 65535 objects; vertex counts beyond a 16-bit geometry size do not fit
  // the narrow form.
  if (!out || lines > 65535 || vertices < 1 || vertices > 8000 || (version != -1 && (version < 1 || version > 3))) {
    std::fprintf(stderr,
                 "usage: mdm OUT.mdm [--lines N --vertices V] [--narrow] [--version 1-3] "
                 "[--library NAME]\n");
    return 2;
  }
  sample::MdmSpec plan = lines >= 0 ? sample::LinesMdm(lines, vertices) : sample::DemoMdm();
  if (narrow) plan.wideEntries = false;
  if (version != -1) plan.version = uint8_t(version);
  if (library) plan.library = library;
  if (!sample::WriteMdm(out, plan)) {
    std::fprintf(stderr, "mdm: cannot write %s\n", out);
    return 1;
  }
  return 0;
}
