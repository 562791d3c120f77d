// The settings file: any file loads, and what was loaded saves to a file that reads back to the
// same pairs (a second save is byte for byte the first).
#include <fstream>
#include <iterator>
#include <string>

#include "base/ini_file.h"
#include "fuzz_device.h"

namespace {

std::string Slurp(const char* devicePath) {
  std::ifstream in(fuzzdev::Host(devicePath), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzdev::Start();
  if (!fuzzdev::Put("\\F.ini", data, size)) return 0;
  TIniFile ini;
  if (ini.Load("\\F.ini") != TIniFile::kOk) return 0;
  ini.GetInt("LangFile");
  ini.GetFloat("Scale");
  FUZZ_CHECK(ini.SaveAs("\\G.ini") == TIniFile::kOk);
  TIniFile again;
  FUZZ_CHECK(again.Load("\\G.ini") == TIniFile::kOk);
  FUZZ_CHECK(again.SaveAs("\\H.ini") == TIniFile::kOk);
  FUZZ_CHECK(Slurp("\\G.ini") == Slurp("\\H.ini"));
  return 0;
}
