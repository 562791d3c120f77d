// The chooser's tree of folders and pictures, built from the device before the tree control is
// filled, and the nearest-picture search over it.
#pragma once

#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

namespace tilvex {

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
  // Scans the device root and prunes folders without pictures below them. A folder reached
  // through a link is not entered when it is the folder the link lies in or one above it, so a
  // link back up the tree ends there and the scan needs no cap on its entries: every picture of
  // the device is listed.
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
  // A folder's volume and file index; false when they cannot be read.
  using FolderId = std::tuple<uint32_t, uint32_t, uint32_t>;
  struct Ancestor {
    std::wstring path;
    bool read = false, known = false;  // the id looked up (only once a link is met), and found
    FolderId id{};
  };
  void Scan(int parent, const std::wstring& folder, int depth);
  // Whether the folder a link names is one the scan is inside: the link would lead back into
  // itself. A folder whose id cannot be read is entered (its path length still ends a descent).
  bool LeadsBack(const std::wstring& folder);
  void Prune(int node);
  int Add(int parent, const std::wstring& text, bool folder);

  std::vector<ChooserNode> nodes_;
  int seen_ = 0;
  // The folders being scanned, the root first.
  std::vector<Ancestor> chain_;
};

// Whether the chooser lists the file: its name holds ".bmp", ".jpg" or ".JPG".
bool IsListedName(const std::wstring& name);
// The picture type of a name from its last three characters: 0 "bmp", 1 "jpg"/"JPG", else -1.
int TypeOfChoice(const std::wstring& text);
// The type a path given to Show opens as: 1 for ".jpg"/".jpeg" in any case, else 0.
int TypeOfPath(const std::string& path);

}  // namespace tilvex
