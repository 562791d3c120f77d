#include <gtest/gtest.h>

#include "platform/ui/models.h"

using vplat::ui::StringList;
using vplat::ui::TreeModel;

TEST(StringListTest, FindStartsAfterTheGivenItemAndWraps) {
  StringList l;
  for (const wchar_t* s : {L"Alpha", L"beta", L"alpine", L"Gamma"}) l.Add(s, false);
  EXPECT_EQ(l.Find(-1, L"al", false), 0);
  EXPECT_EQ(l.Find(0, L"AL", false), 2);   // case-insensitive, after item 0
  EXPECT_EQ(l.Find(2, L"al", false), 0);   // wraps round
  EXPECT_EQ(l.Find(3, L"gamma", true), 3); // the start item itself is reached last
  EXPECT_EQ(l.Find(-1, L"alp", true), -1);
  EXPECT_EQ(l.Find(99, L"beta", true), 1); // a start past the end searches from the top
  StringList cyr;
  cyr.Add(L"Москва", false);
  EXPECT_EQ(cyr.Find(-1, L"мос", false), 0);
}

TEST(StringListTest, IndexRulesAndSelectionFollowsEdits) {
  StringList l;
  EXPECT_EQ(l.Insert(1, L"x"), -1);
  EXPECT_EQ(l.Delete(0), -1);
  EXPECT_EQ(l.Find(-1, L"", false), -1);
  l.Add(L"b", true);
  l.Add(L"a", true);
  l.Add(L"C", true);
  EXPECT_EQ(l.At(0)->text, L"a");
  EXPECT_EQ(l.At(2)->text, L"C");
  l.cursel = 1;
  l.Insert(0, L"z");
  EXPECT_EQ(l.cursel, 2);
  EXPECT_EQ(l.Delete(2), 3);
  EXPECT_EQ(l.cursel, -1);
}

TEST(TreeModelTest, InsertSortAndVisibleOrder) {
  TreeModel t;
  auto* a = t.Insert(TVI_ROOT, TVI_LAST, L"b");
  auto* b = t.Insert(TVI_ROOT, TVI_FIRST, L"a");
  auto* c1 = t.Insert(TreeModel::Handle(a), TVI_LAST, L"z");
  auto* c2 = t.Insert(TreeModel::Handle(a), TVI_SORT, L"m");
  EXPECT_EQ(t.FirstRoot(), b);
  EXPECT_EQ(a->firstChild, c2);
  EXPECT_EQ(c2->next, c1);
  EXPECT_EQ(t.NextVisible(a), nullptr);  // collapsed
  a->state |= TVIS_EXPANDED;
  EXPECT_EQ(t.NextVisible(a), c2);
  EXPECT_EQ(t.LastVisible(), c1);
  EXPECT_EQ(t.PrevVisible(c2), a);
  t.SortChildren(a, false);
  EXPECT_EQ(a->firstChild, c2);
  int deleted = 0;
  t.Delete(a, [&](TreeModel::Node*) { ++deleted; });
  EXPECT_EQ(deleted, 3);
  EXPECT_EQ(t.Get(TreeModel::Handle(c1)), nullptr);  // a deleted handle is refused
  EXPECT_EQ(t.Insert(TreeModel::Handle(a), TVI_LAST, L"x"), nullptr);
  EXPECT_EQ(t.Count(), 1);
}

TEST(StringListTest, CaseFreeComparisonSortsAsTheSortedList) {
  const std::vector<std::wstring> texts = {L"ёлка", L"Яблоко", L"Ель", L"  (НЕ ВЫБРАНО)", L"apple",
                                           L"Apple", L"app", L"Ёж", L"жук", L"Z", L""};
  StringList sorted;
  for (const auto& t : texts) sorted.Add(t, true);
  for (int i = 0; i + 1 < sorted.Count(); ++i) {
    EXPECT_LE(lstrcmpiW(sorted.At(i)->text.c_str(), sorted.At(i + 1)->text.c_str()), 0) << i;
    EXPECT_EQ(lstrcmpiW(sorted.At(i)->text.c_str(), sorted.At(i + 1)->text.c_str()) < 0,
              vplat::ui::CompareNoCase(sorted.At(i)->text, sorted.At(i + 1)->text) < 0);
  }
  EXPECT_EQ(sorted.At(0)->text, L"");
  EXPECT_EQ(sorted.At(1)->text, L"  (НЕ ВЫБРАНО)");
  EXPECT_EQ(lstrcmpiW(L"ЁЖ", L"ёж"), 0);
  EXPECT_LT(lstrcmpiW(L"app", L"Apple"), 0);  // a prefix first
  EXPECT_EQ(lstrcmpiW(nullptr, L""), 0);
  EXPECT_GT(lstrcmpiW(L"б", L"А"), 0);
}
