// The chooser's tree: what is listed, pruning, "\Rastr.ini", the limits and the nearest picture.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>

#include "rasterlib/chooser_model.h"
#include "tests/platform_sys/sys_test_root.h"

using tilvex::ChooserTree;

namespace {

// "\a\b" for every node, in tree order.
std::vector<std::wstring> Paths(const ChooserTree& t) {
  std::vector<std::wstring> out;
  std::function<void(int)> walk = [&](int n) {
    for (int c : t.nodes()[size_t(n)].children) {
      out.push_back(t.PathOf(c));
      walk(c);
    }
  };
  walk(0);
  return out;
}

// A file with its folders.
void Make(const TempDeviceRoot& root, const std::string& rel, const std::string& content = "") {
  size_t cut = rel.rfind('/');
  if (cut != std::string::npos) root.MakeDir(rel.substr(0, cut));
  root.MakeFile(rel, content);
}

int Find(const ChooserTree& t, const std::wstring& path) {
  for (size_t i = 1; i < t.nodes().size(); ++i)
    if (t.PathOf(int(i)) == path) return int(i);
  return -1;
}

}  // namespace

TEST(Chooser, ListsPicturesAndPrunesFoldersWithoutThem) {
  TempDeviceRoot root;
  Make(root, "Maps/b.jpg");
  Make(root, "Maps/a.bmp");
  Make(root, "Maps/notes.txt");
  Make(root, "Maps/C.JPG");
  Make(root, "Maps/d.Jpg");
  Make(root, "Text/only.txt");
  Make(root, "Odd.bmp/readme.txt");
  Make(root, "x.bmp.txt");
  Make(root, "Карты/ё/план.bmp");
  Make(root, "Greek/Χάρτης.bmp");
  Make(root, "Far/地図.bmp");
  ChooserTree t;
  t.Build();
  // Byte order of names within each folder.
  EXPECT_EQ(Paths(t), (std::vector<std::wstring>{L"\\Maps", L"\\Maps\\C.JPG", L"\\Maps\\a.bmp",
                                                 L"\\Maps\\b.jpg", L"\\Odd.bmp", L"\\x.bmp.txt",
                                                 L"\\Карты", L"\\Карты\\ё", L"\\Карты\\ё\\план.bmp"}));
  EXPECT_EQ(tilvex::TypeOfChoice(L"x.bmp.txt"), -1);
  EXPECT_EQ(tilvex::TypeOfChoice(L"C.JPG"), 1);
  EXPECT_EQ(tilvex::TypeOfPath("\\a.JPEG"), 1);
  EXPECT_EQ(tilvex::TypeOfPath("\\a.jpeg.bmp"), 0);
  EXPECT_EQ(tilvex::TypeOfPath("\\a.d\\plan"), 0);
}

TEST(Chooser, RastrIniReselectsACyrillicPathWrittenIn1251) {
  TempDeviceRoot root;
  Make(root, "Карты/ё/план.bmp");
  Make(root, "Карты/ё/другой.bmp");
  ChooserTree t;
  t.Build();
  int plan = Find(t, L"\\Карты\\ё\\план.bmp");
  ASSERT_GT(plan, 0);
  std::string line;
  ASSERT_TRUE(t.IniLine(plan, &line));
  EXPECT_EQ(line, "\\\xCA\xE0\xF0\xF2\xFB\\\xB8\\\xEF\xEB\xE0\xED.bmp;\n");
  EXPECT_EQ(t.Reselect(line), plan);
  EXPECT_EQ(t.Reselect(""), -1);
  EXPECT_EQ(t.Reselect(";"), -1);
  EXPECT_EQ(t.Reselect("\\Gone\\a.bmp;\n"), -1);
  EXPECT_EQ(t.Reselect("\\" + std::string(1 << 20, 'a') + ";\n"), -1);
  // A path that stops at a folder selects the folder's first child's line... only when named.
  EXPECT_EQ(t.Reselect("\\\xCA\xE0\xF0\xF2\xFB;\n"), Find(t, L"\\Карты"));
}

TEST(Chooser, DeepFoldersStopAt255CharactersAndLoopsEnd) {
  TempDeviceRoot root;
  std::string deep;
  for (int i = 0; i < 6; ++i) deep += std::string(45, char('a' + i)) + "/";
  Make(root, deep.substr(0, 46 * 2) + "near.bmp");
    Make(root, deep + "far.bmp");
  Make(root, "Loop/in.bmp");
  // Two links back up: without a guard the names below "Loop" double at each level.
  std::filesystem::create_directory_symlink(root.path() + "/Loop", root.path() + "/Loop/again");
  std::filesystem::create_directory_symlink(root.path() + "/Loop", root.path() + "/Loop/more");
  // A link to a folder elsewhere leads nowhere back: that folder is listed under both names.
  Make(root, "Outside/o.bmp");
  std::filesystem::create_directory_symlink(root.path() + "/Outside", root.path() + "/Link");
  // Deeper down, a link to the root.
  Make(root, "Loop/Sub/deep.bmp");
  std::filesystem::create_directory_symlink(root.path(), root.path() + "/Loop/Sub/top");
  ChooserTree t;
  t.Build();  // ends
  auto listed = [&](const std::wstring& path) {
    const std::vector<std::wstring> all = Paths(t);
    return std::find(all.begin(), all.end(), path) != all.end();
  };
  EXPECT_FALSE(listed(L"\\Loop\\again")) << "entered once, under its first name";
  EXPECT_FALSE(listed(L"\\Loop\\more"));
  EXPECT_FALSE(listed(L"\\Loop\\Sub\\top"));
  EXPECT_TRUE(listed(L"\\Loop\\Sub\\deep.bmp"));
  EXPECT_TRUE(listed(L"\\Link\\o.bmp"));
  EXPECT_TRUE(listed(L"\\Outside\\o.bmp"));
  bool nearListed = false, farListed = false;
  for (const std::wstring& p : Paths(t)) {
    EXPECT_LE(p.size(), 255u);
    nearListed |= p.find(L"near.bmp") != std::wstring::npos;
    farListed |= p.find(L"far.bmp") != std::wstring::npos;
  }
  EXPECT_TRUE(nearListed);
  EXPECT_FALSE(farListed);
  EXPECT_GT(Find(t, L"\\Loop\\in.bmp"), 0);
}

// A card with a folder of 25,000 small files before the maps' folder in name order: the
// picture after them is listed, and so is every picture of the big folder.
TEST(Chooser, APictureAfterTwentyFiveThousandEntriesIsListed) {
  TempDeviceRoot root;
  root.MakeDir("Storage Card/Aerial");
  for (int i = 0; i < 25000; ++i)
    root.MakeFile("Storage Card/Aerial/" + std::to_string(100000 + i) + (i % 1000 == 0 ? ".jpg" : ".txt"));
  Make(root, "Storage Card/Maps/scan.bmp");
  ChooserTree t;
  t.Build();
  EXPECT_EQ(t.entriesSeen(), 25000 + 4);  // the files, two folders, the picture and the card
  EXPECT_GT(Find(t, L"\\Storage Card\\Maps\\scan.bmp"), 0);
  const int aerial = Find(t, L"\\Storage Card\\Aerial");
  ASSERT_GT(aerial, 0);
  EXPECT_EQ(t.nodes()[size_t(aerial)].children.size(), 25u);
  EXPECT_GT(Find(t, L"\\Storage Card\\Aerial\\124000.jpg"), 0);
  EXPECT_EQ(t.Reselect("\\Storage Card\\Maps\\scan.bmp;\n"), Find(t, L"\\Storage Card\\Maps\\scan.bmp"));
}

TEST(Chooser, UnreadableFolderIsLeftOut) {
  if (geteuid() == 0) GTEST_SKIP() << "root reads every folder";
  TempDeviceRoot root;
  Make(root, "Shut/a.bmp");
  Make(root, "Open/b.bmp");
  std::filesystem::permissions(root.path() + "/Shut", std::filesystem::perms::none);
  ChooserTree t;
  t.Build();
  EXPECT_EQ(Find(t, L"\\Shut"), -1);
  EXPECT_GT(Find(t, L"\\Open\\b.bmp"), 0);
  std::filesystem::permissions(root.path() + "/Shut", std::filesystem::perms::owner_all);
}

TEST(Chooser, NearestPictureByItsIdesPair) {
  TempDeviceRoot root;
  Make(root, "A/one.bmp");
  Make(root, "A/one.ides", "100 100\n1:2:p;\n");
  Make(root, "A/two.jpg");
  Make(root, "A/two.ides", "10 10");  // no final line feed
  Make(root, "B/three.bmp");
  Make(root, "B/three.ides", "10 10\n");  // same distance, later in tree order
  Make(root, "B/bad.bmp");
  Make(root, "B/bad.ides", "abc def\n");
  Make(root, "B/nan.bmp");
  Make(root, "B/nan.ides", "nan 0\n");
  Make(root, "B/none.bmp");
  Make(root, "x.bmp.txt");
  Make(root, "x.bmp.ides", "12 12\n");
  ChooserTree t;
  t.Build();
  EXPECT_EQ(t.Nearest(9, 9), Find(t, L"\\A\\two.jpg"));
  // "x.bmp.ides" holds ".bmp", so it is listed too and is its own companion; it comes before
  // "x.bmp.txt" in byte order and wins the tie.
  EXPECT_EQ(t.Nearest(12, 13), Find(t, L"\\x.bmp.ides"));
  EXPECT_GT(Find(t, L"\\x.bmp.txt"), 0);
  EXPECT_EQ(t.Nearest(90, 90), Find(t, L"\\A\\one.bmp"));
  EXPECT_EQ(t.Nearest(std::nan(""), 0), -1);
  ChooserTree empty;
  EXPECT_EQ(empty.Nearest(0, 0), -1);
}
