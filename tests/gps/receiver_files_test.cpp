// The receiver file manager through the harness: the port on the fake receiver, the dialogs
// scripted, the real clock.
#include <fstream>
#include <iterator>
#include <string>

#include "base/ini_file.h"
#include "gps/receiver_files_dlg.h"
#include "tests/gps/greis_fixture.h"

namespace {

using greistest::Count;
using greistest::GreisLink;
using Fault = sample::FakeGreis::Fault;

TEST(ReceiverFilesTexts, EstimatesAndSizeColumn) {
  greistest::LoadLanguage();
  EXPECT_EQ(TReceiverFilesDlg::EstimateSeconds(1048576), 145);  // 1048576 x 8 / 115200 x 2
  EXPECT_EQ(TReceiverFilesDlg::EstimateText(1048576), L"2 мин.");
  EXPECT_EQ(TReceiverFilesDlg::EstimateText(1), L"1 сек.");
  EXPECT_EQ(TReceiverFilesDlg::EstimateText(0), L"1 сек.");
  EXPECT_EQ(TReceiverFilesDlg::EstimateText(int64_t(3) << 31), L"14913 мин.");
  EXPECT_EQ(TReceiverFilesDlg::SizeText(1000), L"      1000");  // int((7 - 3) x 1.7) blanks
  EXPECT_EQ(TReceiverFilesDlg::SizeText(0), std::wstring(11, L' ') + L"0");
  EXPECT_EQ(TReceiverFilesDlg::SizeText(-1), std::wstring(11, L' ') + L"--");
  EXPECT_EQ(TReceiverFilesDlg::SizeText(123456789), L"123456789");
}

std::string ReadHost(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::wstring Cell(HWND list, int row, int column) {
  wchar_t text[128] = {};
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = 128;
  SendMessageW(list, LVM_GETITEMTEXTW, WPARAM(row), LPARAM(&item));
  return text;
}

class ReceiverFiles : public GreisLink {
 protected:
  void SetUp() override {
    GreisLink::SetUp();
    CreateDirectoryW(L"\\Logs", nullptr);
    g_Ini.SetString("JFMSaveFolder", "\\Logs");  // without its final '\'
    for (int i = 1; i <= 3; ++i) fake.AddLog("f" + std::to_string(i), 700 * i);
    // The progress dialog closes itself when the worker is done.
    harness::OnDialog(TReceiverFilesDlg::kProgressTemplate, [](HWND) {});
  }
  // Runs the manager; `script` works in dialog 171 and the manager is closed after it.
  void RunManager(std::function<void(HWND)> script) {
    harness::OnDialog(TReceiverFilesDlg::kTemplate, [script](HWND d) {
      script(d);
      SendMessageW(d, WM_COMMAND, TReceiverFilesDlg::kClose, 0);
    });
    ASSERT_EQ(TReceiverFilesDlg::Run(owner, GetModuleHandleW(nullptr)), 1);
  }
  static HWND List(HWND d) { return GetDlgItem(d, TReceiverFilesDlg::kList); }
  static int Rows(HWND d) { return int(SendMessageW(List(d), LVM_GETITEMCOUNT, 0, 0)); }
  static void Select(HWND d, std::initializer_list<int> rows) {
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED;
    item.state = 0;
    SendMessageW(List(d), LVM_SETITEMSTATE, WPARAM(-1), LPARAM(&item));
    item.state = LVIS_SELECTED;
    for (int row : rows) SendMessageW(List(d), LVM_SETITEMSTATE, WPARAM(row), LPARAM(&item));
  }
  static bool Enabled(HWND d, int id) { return IsWindowEnabled(GetDlgItem(d, id)) != 0; }
  static std::string Copy(const std::string& name) {
    return harness::HostPath(L"\\Logs") + "/" + name + ".jps";
  }
};

TEST_F(ReceiverFiles, RowsAndACopyThatAsksBeforeReplacing) {
  fake.AddLog("empty", 0);
  fake.SetReply("print,/log/f3&size", " nope");  // no size: shown as one digit
  std::ofstream(Copy("f2"), std::ios::binary) << "older";
  RunManager([&](HWND d) {
    ASSERT_EQ(Rows(d), 4);
    EXPECT_EQ(Cell(List(d), 0, 0), L"f1");
    EXPECT_EQ(Cell(List(d), 0, 1), TReceiverFilesDlg::SizeText(700));
    EXPECT_EQ(Cell(List(d), 0, 2), L"1 сек.");
    EXPECT_EQ(Cell(List(d), 3, 1), TReceiverFilesDlg::SizeText(0));
    EXPECT_TRUE(Enabled(d, TReceiverFilesDlg::kCopy));
    wchar_t caption[128] = {};
    GetDlgItemTextW(d, TReceiverFilesDlg::kCaption, caption, 128);
    EXPECT_EQ(std::wstring(caption).rfind(L"TRIUMPH-1 ID:00A1B2C3 ", 0), 0u);
    harness::PumpUntilIdle();
    EXPECT_TRUE(harness::SaveScreen(std::string(VORNA_BINARY_DIR) + "/receiver_files.png"));
    // Yes replaces f2; f1 and the empty file are copied too.
    harness::AnswerMessageBox(L"f2.jps", IDYES);
    Select(d, {0, 1, 3});
    SendMessageW(d, WM_COMMAND, TReceiverFilesDlg::kCopy, 0);
  });
  EXPECT_EQ(ReadHost(Copy("f1")), fake.LogData("f1"));
  EXPECT_EQ(ReadHost(Copy("f2")), fake.LogData("f2"));
  EXPECT_EQ(ReadHost(Copy("empty")), "");
  EXPECT_TRUE(fake.Removed().empty());
  EXPECT_EQ(host.starts, 0);  // the port was open already
  EXPECT_EQ(host.stops, 0);
  std::string folder;
  EXPECT_TRUE(g_Ini.GetString("JFMSaveFolder", folder));
  EXPECT_EQ(folder, "\\Logs");
  // The receiver dialogue is over: the fixes flow again.
  EXPECT_FALSE(port.HoldsCommandMode());
  EXPECT_TRUE(greistest::WaitFor([this] { return fake.NmeaOn(); }));
}

TEST_F(ReceiverFiles, NoSkipsCancelEndsAndOnlyCompleteCopiesAreMoved) {
  std::ofstream(Copy("f2"), std::ios::binary) << "older";
  const std::string f1 = fake.LogData("f1"), f3 = fake.LogData("f3");
  // Cancel at the replace question ends the batch: f3 is not copied, and the notice says so.
  harness::AnswerMessageBox(L"", IDOK);
  harness::AnswerMessageBox(L"f2.jps", IDCANCEL);
  RunManager([&](HWND d) {
    Select(d, {0, 1, 2});
    SendMessageW(d, WM_COMMAND, TReceiverFilesDlg::kCopy, 0);
  });
  EXPECT_EQ(ReadHost(Copy("f1")), f1);
  EXPECT_EQ(ReadHost(Copy("f2")), "older");
  EXPECT_FALSE(std::ifstream(Copy("f3")).good());
  EXPECT_NE(harness::MessageBoxes().back().text.find(L"f3"), std::wstring::npos);

  // Move with f2 skipped by No: f1 and f3 are copied and removed, f2 stays on the receiver.
  harness::AnswerMessageBox(L"f1.jps", IDYES);
  harness::AnswerMessageBox(L"f2.jps", IDNO);
  RunManager([&](HWND d) {
    Select(d, {0, 1, 2});
    SendMessageW(d, WM_COMMAND, TReceiverFilesDlg::kMove, 0);
    EXPECT_EQ(Rows(d), 1);  // filled again
  });
  EXPECT_EQ(fake.Removed(), (std::vector<std::string>{"f1", "f3"}));
  EXPECT_EQ(ReadHost(Copy("f2")), "older");
  EXPECT_EQ(ReadHost(Copy("f3")), f3);
}

TEST_F(ReceiverFiles, AMoveWithAnIncompleteOrGrowingFileRemovesOnlyWhatIsVerified) {
  sample::FakeGreis::Transfer t;
  t.onlyFor = "f2";
  t.lastLength = 513;  // f2's copy never completes
  fake.SetTransfer(t);
  harness::AnswerMessageBox(L"", IDOK);  // the notice of the files left uncopied
  RunManager([&](HWND d) {
    Select(d, {0, 1, 2});
    SendMessageW(d, WM_COMMAND, TReceiverFilesDlg::kMove, 0);
  });
  EXPECT_TRUE(fake.Removed().empty());
  ASSERT_FALSE(harness::MessageBoxes().empty());
  EXPECT_NE(harness::MessageBoxes().back().text.find(L"f2"), std::wstring::npos);
  EXPECT_EQ(ReadHost(Copy("f1")), fake.LogData("f1"));
  EXPECT_FALSE(std::ifstream(Copy("f2")).good());

  // A log that grows once copied stays on the receiver; the others go.
  t = {};
  t.onlyFor = "f3";
  t.growAfter = "more";
  fake.SetTransfer(t);
  harness::AnswerMessageBox(L"", IDYES);  // replace the copies of the first round
  RunManager([&](HWND d) {
    Select(d, {0, 2});
    SendMessageW(d, WM_COMMAND, TReceiverFilesDlg::kMove, 0);
  });
  EXPECT_EQ(fake.Removed(), (std::vector<std::string>{"f1"}));
}

TEST_F(ReceiverFiles, DeleteRemovesEachSafeRowAndNoOtherName) {
  fake.AddLog("a\"b", 10);
  fake.AddLog("..", 10);
  harness::AnswerMessageBox(L"", IDYES);
  fake.ClearTranscript();
  RunManager([&](HWND d) {
    ASSERT_EQ(Rows(d), 5);
    Select(d, {1, 3, 4});
    SendMessageW(d, WM_COMMAND, TReceiverFilesDlg::kDelete, 0);
    EXPECT_EQ(Rows(d), 4);
  });
  EXPECT_EQ(fake.Removed(), (std::vector<std::string>{"f2"}));
  EXPECT_EQ(Count(fake.Transcript(), "%%remove"), 1);
  // A hostile name is never copied either.
  harness::AnswerMessageBox(L"", IDOK);
  RunManager([&](HWND d) {
    Select(d, {2});  // "a\"b"
    SendMessageW(d, WM_COMMAND, TReceiverFilesDlg::kCopy, 0);
  });
  EXPECT_EQ(fake.Transcript().find("%%get,\"/log/a\""), std::string::npos);
}

TEST_F(ReceiverFiles, CancelInTheProgressDialogEndsTheWorkerAndTheDialogue) {
  fake.AddLog("big", 65536);
  sample::FakeGreis::Transfer t;
  t.baud = 115200;
  fake.SetTransfer(t);
  harness::AnswerMessageBox(L"", IDYES);  // the cancel question (and the notice after)
  harness::OnDialog(TReceiverFilesDlg::kProgressTemplate, [](HWND d) {
    harness::PumpUntilIdle();
    harness::SaveScreen(std::string(VORNA_BINARY_DIR) + "/receiver_progress.png");
    PostMessageW(d, WM_COMMAND, IDCANCEL, 0);
  });
  const auto start = greistest::Clock::now();
  RunManager([&](HWND d) {
    Select(d, {3});
    SendMessageW(d, WM_COMMAND, TReceiverFilesDlg::kMove, 0);
  });
  EXPECT_LT(greistest::ElapsedMs(start), 10000);
  EXPECT_TRUE(fake.Removed().empty());
  EXPECT_FALSE(std::ifstream(Copy("big")).good());
  EXPECT_FALSE(port.HoldsCommandMode());
  EXPECT_FALSE(receiver.IsDownloading());
  EXPECT_TRUE(greistest::WaitFor([this] { return fake.NmeaOn(); }));
}

TEST_F(ReceiverFiles, APortNotOnAReceiverOffersNothing) {
  port.Close();
  RunManager([&](HWND d) {
    EXPECT_EQ(Rows(d), 0);
    EXPECT_FALSE(Enabled(d, TReceiverFilesDlg::kCopy));
    EXPECT_FALSE(Enabled(d, TReceiverFilesDlg::kMove));
    EXPECT_FALSE(Enabled(d, TReceiverFilesDlg::kDelete));
  });
  EXPECT_EQ(host.starts, 1);  // opened by the navigation start, without questions
  EXPECT_EQ(host.stops, 1);   // and closed again
  // An NMEA receiver on the port: no receiver command at all.
  port.SetSourceType(TGpsPort::kNmea);
  port.Open(owner, L"COM6:", 115200, greistest::FixTimerProc, greistest::ReaderProc, 0);
  ASSERT_TRUE(port.IsOpen());
  fake.ClearTranscript();
  RunManager([&](HWND d) {
    EXPECT_EQ(Rows(d), 0);
    EXPECT_FALSE(Enabled(d, TReceiverFilesDlg::kCopy));
  });
  EXPECT_EQ(host.starts, 1);
  EXPECT_EQ(fake.Transcript().find("print,"), std::string::npos);
}

}  // namespace
