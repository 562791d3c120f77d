// The chooser's tree of folders and pictures, built from the device before the tree control is
// filled, and the nearest-picture search over it.
#pragma once

#include <string>
#include <vector>

namespace tilvex {

inline constexpr int kMaxScanEntries = 20000;  // a host symlink loop must not recurse for ever

struct ChooserNode {
  std::wstring text;
  bool folder = false;
  int parent = -1;
  std::vector<int> children;
};

class ChooserTree {
 public:
  // Node 0 is the root "\".
  ChooserTree();
  // Scans the device root and prunes folders without pictures below them.
  void Build();
  // The node the "\Rastr.ini" line names, or -1.
  int Reselect(const std::string& iniBytes) const;
  // The picture whose ".ides" pair lies nearest to (x, y), first in tree order on a tie; -1 when
  // none has a readable pair or x, y are not finite.
  int Nearest(double x, double y) const;
  // "\a\b.bmp": the texts from below the root down to `node`, each after a backslash.
  std::wstring PathOf(int node) const;
  // The "Rastr.ini" bytes for a chosen node; false when the path has no 8-bit form.
  bool IniLine(int node, std::string* out) const;

  const std::vector<ChooserNode>& nodes() const { return nodes_; }
  int entriesSeen() const { return seen_; }

 private:
  void Scan(int parent, const std::wstring& folder, int depth);
  void Prune(int node);
  int Add(int parent, const std::wstring& text, bool folder);

  std::vector<ChooserNode> nodes_;
  int seen_ = 0;
};

// Whether the chooser lists the file: its name holds ".bmp", ".jpg" or ".JPG".
bool IsListedName(const std::wstring& name);
// The picture type of a name from its last three characters: 0 "bmp", 1 "jpg"/"JPG", else -1.
int TypeOfChoice(const std::wstring& text);
// The type a path given to Show opens as: 1 for ".jpg"/".jpeg" in any case, else 0.
int TypeOfPath(const std::string& path);

}  // namespace tilvex
