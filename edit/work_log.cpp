#include "edit/work_log.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "base/save_report.h"
#include "base/text_utils.h"
#include "maps/mdm_map.h"
#include "platform/win.h"

namespace work_log {

namespace {

constexpr size_t kMaxPath = 255;
constexpr uint16_t kTagName = 9, kTagClass = 10;

bool Move(const std::string& from, const std::string& to) {
  return MoveFileW(PathToWide(from).c_str(), PathToWide(to).c_str()) != 0;
}

// The whole file, any bytes; false when it cannot be opened or read.
bool ReadAll(const std::string& path, std::string* out) {
  FILE* f = vfopen(path.c_str(), "rb");
  if (!f) return false;
  std::string text;
  char buffer[65536];
  size_t got;
  while ((got = fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, got);
  const bool ok = !ferror(f);
  fclose(f);
  if (ok) *out = std::move(text);
  return ok;
}

// The header line of a section, with or without a carriage return before its line feed (a log
// edited on a desktop keeps its sections).
bool IsHeader(const char* line, size_t length, const std::string& header) {
  const size_t n = header.size();  // "[NAME]"
  if (length < n + 1 || std::memcmp(line, header.data(), n) != 0) return false;
  if (length == n + 1) return line[n] == '\n';
  return length == n + 2 && line[n] == '\r' && line[n + 1] == '\n';
}

}  // namespace

std::string LogPathOf(const char* mapPath) {
  std::string path = mapPath ? mapPath : "";
  std::vector<char> buffer(path.begin(), path.end());
  buffer.push_back(0);
  StripExtension(buffer.data());
  return std::string(buffer.data()) + ".gtl";
}

std::string InsertIntoSection(const std::string& content, const char* section,
                              const std::string& line) {
  const std::string header = std::string("[") + section + "]";
  const std::string entry = line + "\n";
  std::string out;
  out.reserve(content.size() + header.size() + entry.size() + 2);
  bool found = false, inserted = false;
  size_t at = 0;
  while (at < content.size()) {
    size_t end = content.find('\n', at);
    end = end == std::string::npos ? content.size() : end + 1;
    const char* text = content.data() + at;
    const size_t length = end - at;
    if (!found) {
      found = IsHeader(text, length, header);
    } else if (!inserted && text[0] == '[') {
      out += entry;
      inserted = true;
    }
    out.append(text, length);
    at = end;
  }
  if (!inserted) {
    if (!out.empty() && out.back() != '\n') out += '\n';
    if (!found) out += header + "\n";
    out += entry;
  }
  return out;
}

int AppendToSection(const std::string& logPath, const char* section, const std::string& text) {
  if (logPath.empty() || logPath.size() > kMaxPath || !section) return kBadPath;
  const std::string temp = logPath + ".tmp";
  // A temporary without its log is the last failure's text: it takes the log's place first.
  if (!FileExists(logPath.c_str()) && FileExists(temp.c_str())) Move(temp, logPath);
  std::string content;
  if (FileExists(logPath.c_str()) && !ReadAll(logPath, &content)) return kNotWritten;
  // Written beside the log and put in its place in one step: the log is never without a file
  // under its name, and a full card leaves it as it was.
  const std::string out = InsertIntoSection(content, section, text);
  if (vwritefile(logPath.c_str(), out.data(), out.size()) != 0) {
    ReportSaveFailure(TSaveKind::kWorkLog, logPath.c_str());
    return kNotWritten;
  }
  return kOk;
}

bool MakeObjectTag(TMdmMap* map, uint16_t object, std::string* out) {
  if (!map || !out || object >= map->count) return false;
  char value[256] = {};
  std::string tag;
  if (map->GetStrAttr(object, kTagClass, value, sizeof value)) {
    tag = value;
  } else {
    tag = "tools";
    map->SetStrAttr(object, kTagClass, tag.c_str());
  }
  std::memset(value, 0, sizeof value);
  if (!map->GetStrAttr(object, kTagName, value, sizeof value)) {
    SYSTEMTIME t{};
    GetSystemTime(&t);
    std::snprintf(value, sizeof value, "%02i%02i%02i%02i%02i%02i", t.wYear % 100, t.wMonth, t.wDay,
                  t.wHour, t.wMinute, t.wSecond);
    map->SetStrAttr(object, kTagName, value);
  }
  *out = tag + "_" + value;
  return true;
}

}  // namespace work_log
