#include "tools/sampledata/demo_device.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "tools/sampledata/demo_pictures.h"
#include "tools/sampledata/demo_town.h"
#include "tools/sampledata/fake_receiver.h"
#include "tools/sampledata/jps_writer.h"
#include "tools/sampledata/mdm_writer.h"
#include "tools/sampledata/mol_writer.h"
#include "tools/sampledata/mvw_writer.h"
#include "tools/sampledata/ndb_writer.h"

namespace sample {
namespace {

namespace fs = std::filesystem;

// The settings store reads "\n", "\t" and "\\" as escapes, so a backslash before one of n, t or
// a backslash is doubled (a path such as "\Vorna\tracks" would otherwise read back with a tab).
std::string Escape(const std::string& value) {
  std::string out;
  for (size_t i = 0; i < value.size(); ++i) {
    out += value[i];
    if (value[i] == '\\' && i + 1 < value.size() &&
        (value[i + 1] == 'n' || value[i + 1] == 't' || value[i + 1] == '\\'))
      out += '\\';
  }
  return out;
}

std::string HostOf(const std::string& root, const std::string& devicePath) {
  if (devicePath == "\\") return root;
  std::string p = devicePath;
  for (char& c : p)
    if (c == '\\') c = '/';
  return (fs::path(root) / p.substr(1)).string();
}

class DeviceWriter {
 public:
  DeviceWriter(std::string root, DemoDeviceSummary* summary) : root(std::move(root)), summary(summary) {}

  bool Folder(const std::string& devicePath) {
    std::error_code ec;
    const std::string host = HostOf(root, devicePath);
    fs::create_directories(host, ec);
    if (ec || !fs::is_directory(host)) {
      error = "cannot make the folder " + host + ": " +
              (ec ? ec.message() : std::string("a file of that name is in the way"));
      return false;
    }
    return true;
  }

  bool File(const std::string& devicePath, const Bytes& bytes) {
    const std::string host = HostOf(root, devicePath);
    std::ofstream out(host, std::ios::binary | std::ios::trunc);
    if (out) out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (out) out.flush();
    if (!out) {
      error = "cannot write " + host + ": " + std::strerror(errno ? errno : EIO);
      return false;
    }
    if (summary) summary->files.push_back(devicePath);
    return true;
  }
  bool Text(const std::string& devicePath, const std::string& text) {
    return File(devicePath, Bytes(text.begin(), text.end()));
  }

  std::string root;
  DemoDeviceSummary* summary;
  std::string error;
};

}  // namespace

// The receiver's ride: once round the ring of streets about the town centre, clockwise from the
// south-west junction, by bicycle at 4.2 m a second, one epoch a second (about 14 minutes).
std::vector<WalkEpoch> DemoStreetWalk() {
  const double corners[][2] = {{0.5, 0.5}, {2.5, 0.5}, {2.5, 2.5}, {0.5, 2.5}, {0.5, 0.5}};
  std::vector<WalkEpoch> out;
  int second = 0;
  for (int leg = 0; leg < 4; ++leg) {
    const double* a = corners[leg];
    const double* b = corners[leg + 1];
    // Grid steps to metres as the town is drawn: 556.6 m north, 313.2 m east a step.
    const double north = (b[0] - a[0]) * 556.6, east = (b[1] - a[1]) * 313.2;
    const double length = std::hypot(north, east);
    const double course = std::fmod(std::atan2(east, north) * 180 / 3.14159265358979 + 360, 360);
    for (double d = 0; d < length; d += 4.2, ++second) {
      const double t = d / length;
      WalkEpoch e{};
      e.latDeg = 55.74 + 0.005 * (a[0] + (b[0] - a[0]) * t);
      e.lonDeg = 37.60 + 0.005 * (a[1] + (b[1] - a[1]) * t);
      e.speedKnots = 4.2 * 3.6 / 1.852;
      e.courseDeg = course;
      const int secs = 10 * 3600 + second;
      e.hour = secs / 3600 % 24;
      e.minute = secs / 60 % 60;
      e.second = secs % 60;
      e.day = 26;
      e.month = 12;
      e.year = 13;
      out.push_back(e);
    }
  }
  return out;
}

std::string DemoSettingsText() {
  std::string t = "[Ini]\n";
  auto key = [&t](const char* k, const std::string& v) { t += std::string(k) + "=" + Escape(v) + "\n"; };
  key("DefaultFile", kDemoProjectPath);
  // Save the project at exit as "\Vorna\Vorna.mpj" and open that next time; without it the
  // shutdown would empty DefaultFile and the second start would show nothing.
  key("SEVELASTPRJ", "1");
  key("DBGlobal", "DB\\Global.ndb");  // relative to the program folder
  for (const char* table : {"Cities", "Streets", "Houses", "Lists", "Objects", "ObjTypes",
                            "States", "Regions"})
    key((std::string("DB") + table).c_str(), std::string(kDemoDbFolder) + table + ".ndb");
  key("AlmAutoLoad", "1");
  key("AlmFile", kDemoReceiverPath);
  key("MapViewFill", "1");
  key("MapViewMarking", "0");
  key("MapViewGrid", "0");
  key("PDBDisplay", "1");
  key("SearchCityID", "1");
  return t;
}

std::string DemoProjectText() {
  double x1, y1, x2, y2;
  DemoTownExtent(&x1, &y1, &x2, &y2);
  char line[512];
  std::snprintf(line, sizeof(line), "%f\t%f\n%f\t%f", x1, y1, x2, y2);
  std::string t = line;
  // Relative paths: the project opens from wherever the maps' folder is.
  for (const DemoTownMap& m : DemoTownMaps()) {
    std::snprintf(line, sizeof(line), "\n%d\t%d\t%s", int(m.minScale), int(m.maxScale),
                  m.file.c_str());
    t += line;
    if (!m.scalePairs.empty()) t += "\t" + m.scalePairs;
  }
  return t;
}

std::string WriteDemoDevice(const std::string& root, DemoDeviceSummary* summary) {
  if (root.empty()) return "no device folder given";
  DeviceWriter w(root, summary);
  if (summary) *summary = {};
  try {
    if (!w.Folder("\\") || !w.Folder("\\Vorna\\Obj") || !w.Folder("\\Vorna\\Maps") ||
        !w.Folder("\\Vorna\\DB") || !w.Folder("\\Vorna\\GPS") || !w.Folder("\\Maps"))
      return w.error;
    if (!w.Text(kDemoIniPath, DemoSettingsText()) ||
        !w.File(kDemoPalettePath, PaletteBytes(DemoTownPalette())) ||
        !w.File(kDemoLibraryPath, WriteMol(DemoTownLibrary())))
      return w.error;
    for (const DemoTownMap& m : DemoTownMaps()) {
      if (!w.File(std::string(kDemoMapFolder) + m.file, BuildMdm(m.plan))) return w.error;
      if (summary) {
        summary->maps++;
        summary->objects += int(m.plan.objects.size());
      }
    }
    if (!w.Text(kDemoProjectPath, DemoProjectText())) return w.error;
    // The road graph of the Streets map: a node per street object, ids the objects' indices.
    if (!w.File(kDemoGraphPath, BuildMvw(DemoRoadGraph()))) return w.error;
    // Two tables LZW-packed, as the program meets both forms.
    for (const auto& [name, plan] : DemoTownTables()) {
      const bool packed = name == "Houses" || name == "Objects";
      const Bytes image = BuildNdb(plan);
      if (!w.File(std::string(kDemoDbFolder) + name + ".ndb", packed ? PackNdb(image) : image)) return w.error;
    }
    if (!w.File(kDemoReceiverPath, DemoJps())) return w.error;
    std::string track;
    for (const WalkEpoch& e : DemoStreetWalk())
      for (const std::string& line : EpochSentences(e)) track += line;
    if (!w.Text(kDemoTrackPath, track)) return w.error;
    // Pictures for the raster-map library's chooser, outside the project (the map view does not
    // show them).
    for (const DemoPicture& p : DemoTownPictures())
      if (!w.File(p.path, p.bytes) || !w.Text(p.idesPath, p.ides)) return w.error;
  } catch (const std::exception& e) {
    return std::string("cannot build the demo data: ") + e.what();
  }
  return {};
}

}  // namespace sample
