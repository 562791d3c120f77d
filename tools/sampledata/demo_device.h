// The demo device: one folder that the program runs on (`vorna --root FOLDER`), holding the demo
// town and everything the program reads at start-up, each where the program looks for it:
//
//   Vorna/Vorna.ini           settings: DefaultFile names the project, the database and almanac
//                             keys point at the files below
//   Vorna/Obj/Vorna.rgb       the shared palette
//   Vorna/Obj/Town.mol        the object library of the town's maps
//   Vorna/Maps/Demo.mpj       the project: Land, Streets and Demo with their scale ranges
//   Vorna/Maps/*.mdm          the three maps
//   Vorna/Maps/Streets.mvw    the road graph of the Streets map (bound by its name)
//   Vorna/DB/*.ndb            the address tables ("DB\Global.ndb" is the default database)
//   Vorna/GPS/Demo.jps        a receiver file with an almanac, loaded at start-up
//   Vorna/GPS/Demo.nmea       a receiver's NMEA output for replay
//   Maps/town.bmp, .ides      raster pictures of the town with named points for the raster-map
//   Maps/overview.jpg, .ides  library (demo_pictures.h); no project names them
#pragma once

#include <string>
#include <vector>

#include "tools/sampledata/fake_receiver.h"

namespace sample {

// Device paths of what the writer puts down.
inline constexpr const char* kDemoIniPath = "\\Vorna\\Vorna.ini";
inline constexpr const char* kDemoPalettePath = "\\Vorna\\Obj\\Vorna.rgb";
inline constexpr const char* kDemoLibraryPath = "\\Vorna\\Obj\\Town.mol";
inline constexpr const char* kDemoProjectPath = "\\Vorna\\Maps\\Demo.mpj";
inline constexpr const char* kDemoMapFolder = "\\Vorna\\Maps\\";
inline constexpr const char* kDemoGraphPath = "\\Vorna\\Maps\\Streets.mvw";
inline constexpr const char* kDemoDbFolder = "\\Vorna\\DB\\";
inline constexpr const char* kDemoReceiverPath = "\\Vorna\\GPS\\Demo.jps";
inline constexpr const char* kDemoTrackPath = "\\Vorna\\GPS\\Demo.nmea";

struct DemoDeviceSummary {
  int maps = 0;
  int objects = 0;                  // over all maps
  std::vector<std::string> files;   // device paths written, in order
};

// The receiver's ride round the ring of streets of the demo town (kDemoTrackPath holds it as
// NMEA; vorna-fakegps replays it): one epoch a second, about 14 minutes.
std::vector<WalkEpoch> DemoStreetWalk();

// The settings file's text: a header line and "key=value" lines, values escaped as the settings
// store reads them.
std::string DemoSettingsText();
// The project file's text (no final line break, as the program writes projects).
std::string DemoProjectText();

// Writes the whole device below the host folder `root`, creating it when it is missing. Returns
// an empty text on success, else a message naming the path that could not be made or written
// and why. Files already there are replaced; nothing else in the folder is touched.
std::string WriteDemoDevice(const std::string& root, DemoDeviceSummary* summary = nullptr);

}  // namespace sample
