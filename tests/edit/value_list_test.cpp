#include "edit/value_list_dialog.h"

#include "tests/edit/edit_fixture.h"

namespace {

// Runs the dialog on `text` and answers it with `answer` after `pick` (when given) acted on it.
class ValueList : public edittest::EditTest {
 protected:
  int Run(std::string& text, uint16_t table, int multiple, int button,
          std::function<void(HWND)> pick = {}) {
    harness::OnDialog(TValueListDialog::kTemplate, [=, this](HWND d) {
      const HWND list = GetDlgItem(d, multiple ? TValueListDialog::kMultipleList
                                               : TValueListDialog::kSingleList);
      shownCount = int(SendMessageW(list, LB_GETCOUNT, 0, 0));
      shownEnabled = IsWindowEnabled(list) != 0;
      hiddenVisible = IsWindowVisible(GetDlgItem(
                          d, multiple ? TValueListDialog::kSingleList
                                      : TValueListDialog::kMultipleList)) != 0;
      current = int(SendMessageW(list, LB_GETCURSEL, 0, 0));
      selected.clear();
      for (int i = 0; i < shownCount; ++i)
        if (SendMessageW(list, LB_GETSEL, i, 0) > 0) selected.push_back(i);
      wchar_t first[64] = {};
      SendMessageW(list, LB_GETTEXT, 0, LPARAM(first));
      firstLine = first;
      if (pick) pick(list);
      PostMessageW(d, WM_COMMAND, button, 0);
    });
    return g_ValueListDialog.Run(nullptr, GetModuleHandleW(nullptr), &library, table, text,
                                 multiple, 0);
  }

  int shownCount = 0, current = -1;
  bool shownEnabled = false, hiddenVisible = true;
  std::vector<int> selected;
  std::wstring firstLine;
};

TEST_F(ValueList, SinglePreselectsTheLastEqualEntryAndOkCopiesTheChoice) {
  std::string text = "one";
  EXPECT_EQ(Run(text, 2, 0, IDOK), IDOK);
  EXPECT_EQ(shownCount, 5);
  EXPECT_FALSE(hiddenVisible);
  EXPECT_EQ(current, 3);  // entries 0 and 3 both read "one"
  EXPECT_EQ(text, "one");

  Run(text, 2, 0, IDOK, [](HWND list) { SendMessageW(list, LB_SETCURSEL, 4, 0); });
  EXPECT_EQ(text, "five");
  Run(text, 2, 0, IDCANCEL, [](HWND list) { SendMessageW(list, LB_SETCURSEL, 0, 0); });
  EXPECT_EQ(text, "five");
  Run(text, 2, 0, IDOK, [](HWND list) { SendMessageW(list, LB_SETCURSEL, 1, 0); });
  EXPECT_EQ(text, "");  // an entry without text gives an empty value
}

TEST_F(ValueList, SingleWithoutMatchKeepsTheTextOnOk) {
  std::string text = "tarmac";
  Run(text, 1, 0, IDOK);
  EXPECT_EQ(current, -1);
  EXPECT_EQ(text, "tarmac");
}

TEST_F(ValueList, MultipleDropsUnmatchedPiecesAndWritesTableOrder) {
  std::string text = "dirt,tarmac,asphalt";
  Run(text, 1, 1, IDOK);
  EXPECT_FALSE(hiddenVisible);
  EXPECT_EQ(selected, (std::vector<int>{0, 2}));
  EXPECT_EQ(text, "asphalt,dirt");

  text = "nothing";
  Run(text, 1, 1, IDOK);
  EXPECT_EQ(text, "");
}

TEST_F(ValueList, MultipleTakesManyPiecesWithoutHarm) {
  std::string text;
  for (int i = 0; i < 300; ++i) text += i % 2 ? "gravel," : "x,";
  Run(text, 1, 1, IDOK);
  EXPECT_EQ(text, "gravel");
}

TEST_F(ValueList, WithoutTableShowsTheNoticeAndKeepsTheText) {
  std::string text = "asphalt";
  Run(text, 77, 0, IDOK);
  EXPECT_EQ(shownCount, 1);
  EXPECT_FALSE(shownEnabled);
  EXPECT_EQ(firstLine, L"НЕТ СЛОВАРЯ");
  EXPECT_EQ(text, "asphalt");
}

TEST_F(ValueList, ReadOnlyDisablesTheListButOkStillWrites) {
  std::string text = "gravel,dirt";
  harness::OnDialog(TValueListDialog::kTemplate, [this](HWND d) {
    shownEnabled = IsWindowEnabled(GetDlgItem(d, TValueListDialog::kMultipleList)) != 0;
    PostMessageW(d, WM_COMMAND, IDOK, 0);
  });
  g_ValueListDialog.Run(nullptr, GetModuleHandleW(nullptr), &library, 1, text, 1, 1);
  EXPECT_FALSE(shownEnabled);
  EXPECT_EQ(text, "gravel,dirt");
}

// Table 2 holds the entry "a,b": a stored "one,a,b" is two values, and opening the list and
// pressing OK must give back the same text, and the map must store and show both values.
TEST_F(ValueList, AnEntryHoldingACommaStaysWholeThroughOkAndTheMap) {
  std::string text = "one,a,b";
  Run(text, 2, 1, IDOK);
  EXPECT_EQ(selected, (std::vector<int>{0, 2}));
  EXPECT_EQ(text, "one,a,b");
  text = "a,b,tarmac,five";  // the unknown piece is dropped, the rest kept whole
  Run(text, 2, 1, IDOK);
  EXPECT_EQ(selected, (std::vector<int>{2, 4}));
  EXPECT_EQ(text, "a,b,five");

  LoadMaps();
  TMdmMap* map = g_MapView.GetVectorMap(0);
  uint8_t stored[64] = {};
  uint16_t size = sizeof stored;
  ASSERT_EQ(map->ParseAttr("a,b,five", mdm::kAttrIndexList, stored, &size, 2), 1);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(stored), size), "3,5");
  char shown[64] = {};
  ASSERT_NE(map->FormatAttr(mdm::kAttrIndexList, stored, shown, sizeof shown, size, 2), nullptr);
  EXPECT_STREQ(shown, "a,b,five");
}

}  // namespace
