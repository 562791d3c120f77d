// "demo": writes the demo device, a folder the program runs on with `vorna --root FOLDER`.
//
//   demo FOLDER        settings, palette, object library, the town's project and three maps,
//                      road graph, address tables, receiver file and NMEA track (see
//                      tools/sampledata/demo_device.h); FOLDER is made when missing
#include <cstdio>
#include <string>

#include "tools/sampledata/demo_device.h"

int RunDemoCommand(int argc, char** argv) {
  if (argc != 1 || argv[0][0] == '-') {
    std::fprintf(stderr, "usage: vorna-mksample demo FOLDER\n");
    return 2;
  }
  sample::DemoDeviceSummary summary;
  const std::string error = sample::WriteDemoDevice(argv[0], &summary);
  if (!error.empty()) {
    std::fprintf(stderr, "vorna-mksample demo: %s\n", error.c_str());
    return 1;
  }
  std::printf("demo device in %s: %d maps, %d objects, %zu files\n", argv[0], summary.maps,
              summary.objects, summary.files.size());
  return 0;
}
