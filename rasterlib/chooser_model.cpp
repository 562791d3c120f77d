#include "rasterlib/chooser_model.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "platform/win.h"
#include "rasterlib/raster_files.h"

namespace tilvex {

bool IsListedName(const std::wstring& n) {
  return n.find(L".bmp") != std::wstring::npos || n.find(L".jpg") != std::wstring::npos ||
         n.find(L".JPG") != std::wstring::npos;
}

int TypeOfChoice(const std::wstring& t) {
  if (t.size() < 3) return -1;
  std::wstring e = t.substr(t.size() - 3);
  if (e == L"bmp") return 0;
  if (e == L"jpg" || e == L"JPG") return 1;
  return -1;
}

int TypeOfPath(const std::string& path) {
  size_t slash = path.find_last_of('\\');
  size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return 0;
  std::string e;
  for (char c : path.substr(dot)) e.push_back(static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c));
  return e == ".jpg" || e == ".jpeg" ? 1 : 0;
}

ChooserTree::ChooserTree() { nodes_.push_back(ChooserNode{L"\\", true, -1, {}}); }

int ChooserTree::Add(int parent, const std::wstring& text, bool folder) {
  int id = static_cast<int>(nodes_.size());
  nodes_.push_back(ChooserNode{text, folder, parent, {}});
  nodes_[size_t(parent)].children.push_back(id);
  return id;
}

namespace {

bool ReadFolderId(const std::wstring& folder, std::tuple<uint32_t, uint32_t, uint32_t>* id) {
  HANDLE h = CreateFileW(folder.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info{};
  const bool known = GetFileInformationByHandle(h, &info) != 0;
  CloseHandle(h);
  if (known) *id = {info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
  return known;
}

}  // namespace

void ChooserTree::Build() {
  chain_.clear();
  Scan(0, L"\\", 0);
  Prune(0);
}

bool ChooserTree::LeadsBack(const std::wstring& folder) {
  FolderId id;
  if (!ReadFolderId(folder, &id)) return false;
  for (Ancestor& a : chain_) {
    if (!a.read) {
      a.known = ReadFolderId(a.path, &a.id);
      a.read = true;
    }
    if (a.known && a.id == id) return true;
  }
  return false;
}

void ChooserTree::Scan(int parent, const std::wstring& folder, int depth) {
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((folder + L"*.*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return;
  // Names first, so the handle is closed before descending.
  struct Entry {
    std::wstring name;
    bool folder, link;
  };
  std::vector<Entry> entries;
  do {
    std::wstring name = fd.cFileName;
    if (name == L"." || name == L"..") continue;
    ++seen_;
    std::string narrow;
    if (!Narrow(name, &narrow)) continue;  // 8-bit paths could never reach it
    entries.push_back({name, (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                       (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0});
  } while (FindNextFileW(h, &fd));
  FindClose(h);
  chain_.push_back({folder});
  for (const Entry& e : entries) {
    if (e.folder) {
      std::wstring sub = folder + e.name + L"\\";
      if (sub.size() > kMaxPath) continue;
      int id = Add(parent, e.name, true);
      if (!e.link || !LeadsBack(sub)) Scan(id, sub, depth + 1);
    } else if (IsListedName(e.name)) {
      Add(parent, e.name, false);
    }
  }
  chain_.pop_back();
}

void ChooserTree::Prune(int node) {
  std::vector<int> keep;
  for (int c : nodes_[size_t(node)].children) {
    if (!nodes_[size_t(c)].children.empty()) Prune(c);
    if (nodes_[size_t(c)].children.empty() && !IsListedName(nodes_[size_t(c)].text)) continue;
    keep.push_back(c);
  }
  nodes_[size_t(node)].children = std::move(keep);
}

int ChooserTree::Reselect(const std::string& ini) const {
  if (ini.empty() || ini[0] == ';') return -1;
  // Components after the leading backslash, up to ';' or the end of the line.
  std::vector<std::string> parts;
  std::string cur;
  size_t i = 1;
  bool ended = false;
  for (; i < ini.size(); ++i) {
    char c = ini[i];
    if (c == ';' || c == '\n' || c == '\r') {
      ended = true;
      break;
    }
    if (c == '\\') {
      parts.push_back(cur);
      cur.clear();
    } else {
      cur.push_back(c);
    }
  }
  (void)ended;
  parts.push_back(cur);
  int level = 0;  // look among the children of this node
  int current = -1;
  for (const std::string& part : parts) {
    std::wstring want = Widen(part);
    int found = -1;
    for (int c : nodes_[size_t(level)].children)
      if (nodes_[size_t(c)].text == want) {
        found = c;
        break;
      }
    if (found < 0) return -1;
    current = found;
    if (nodes_[size_t(found)].children.empty()) break;  // a picture stays the current item
    level = found;
  }
  return current;
}

std::wstring ChooserTree::PathOf(int node) const {
  std::wstring path;
  for (int n = node; n > 0; n = nodes_[size_t(n)].parent) path = L"\\" + nodes_[size_t(n)].text + path;
  return path;
}

bool ChooserTree::IniLine(int node, std::string* out) const {
  if (!Narrow(PathOf(node), out)) return false;
  *out += ";\n";
  return true;
}

int ChooserTree::Nearest(double x, double y) const {
  if (!std::isfinite(x) || !std::isfinite(y)) return -1;
  int best = -1;
  double bestD = 0;
  // Depth first in tree order.
  std::vector<int> stack{0};
  while (!stack.empty()) {
    int n = stack.back();
    stack.pop_back();
    const ChooserNode& node = nodes_[size_t(n)];
    for (auto it = node.children.rbegin(); it != node.children.rend(); ++it) stack.push_back(*it);
    if (n == 0 || !node.children.empty()) continue;
    std::string path8;
    if (!Narrow(CompanionPath(PathOf(n), L".ides"), &path8)) continue;
    FILE* f = vfopen(path8.c_str(), "rb");
    if (!f) continue;
    char line[512] = {};
    bool got = std::fgets(line, sizeof line, f) != nullptr;
    std::fclose(f);
    if (!got) continue;
    char* end = nullptr;
    double a = std::strtod(line, &end);
    if (end == line) continue;
    char* end2 = nullptr;
    double b = std::strtod(end, &end2);
    if (end2 == end || !std::isfinite(a) || !std::isfinite(b)) continue;
    double d = std::sqrt((a - x) * (a - x) + (b - y) * (b - y));
    if (best < 0 || d < bestD) {
      best = n;
      bestD = d;
    }
  }
  return best;
}

}  // namespace tilvex
