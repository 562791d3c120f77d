// Calendar conversions on the one clock, and the harness's scripted answers.
#include <chrono>
#include <cmath>
#include <filesystem>

#include "core_test_util.h"
#include "platform/core/internal.h"
#include "tests/support/wait_until.h"

using namespace coretest;

namespace {

SYSTEMTIME St(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
  SYSTEMTIME st{};
  st.wYear = (WORD)y;
  st.wMonth = (WORD)mo;
  st.wDay = (WORD)d;
  st.wHour = (WORD)h;
  st.wMinute = (WORD)mi;
  st.wSecond = (WORD)s;
  st.wMilliseconds = (WORD)ms;
  return st;
}

uint64_t Ticks(const FILETIME& ft) { return ((uint64_t)ft.dwHighDateTime << 32) | ft.dwLowDateTime; }

TEST(Time, FileTimeGoldensAndRoundTrips) {
  FILETIME ft;
  SYSTEMTIME epoch = St(1601, 1, 1);
  ASSERT_TRUE(SystemTimeToFileTime(&epoch, &ft));
  EXPECT_EQ(0u, Ticks(ft));
  SYSTEMTIME unix = St(1970, 1, 1);
  ASSERT_TRUE(SystemTimeToFileTime(&unix, &ft));
  EXPECT_EQ(116444736000000000ull, Ticks(ft));
  // Leap days, the turn of centuries and the last millisecond of a day.
  for (SYSTEMTIME st : {St(2000, 2, 29, 23, 59, 59, 999), St(1900, 3, 1), St(2024, 12, 31, 12),
                        St(1601, 1, 1, 0, 0, 0, 1), St(30827, 12, 31, 23, 59, 59, 999)}) {
    ASSERT_TRUE(SystemTimeToFileTime(&st, &ft));
    SYSTEMTIME back{};
    ASSERT_TRUE(FileTimeToSystemTime(&ft, &back));
    EXPECT_EQ(st.wYear, back.wYear);
    EXPECT_EQ(st.wMonth, back.wMonth);
    EXPECT_EQ(st.wDay, back.wDay);
    EXPECT_EQ(st.wHour, back.wHour);
    EXPECT_EQ(st.wMinute, back.wMinute);
    EXPECT_EQ(st.wSecond, back.wSecond);
    EXPECT_EQ(st.wMilliseconds, back.wMilliseconds);
  }
  SYSTEMTIME sat = St(2000, 1, 1);
  SystemTimeToFileTime(&sat, &ft);
  FileTimeToSystemTime(&ft, &sat);
  EXPECT_EQ(6, sat.wDayOfWeek);  // a Saturday
}

TEST(Time, InvalidCalendarFieldsAreRefused) {
  FILETIME ft;
  for (SYSTEMTIME st : {St(2001, 2, 29), St(2000, 13, 1), St(2000, 0, 1), St(2000, 1, 32),
                        St(2000, 1, 1, 24), St(1600, 12, 31), St(2000, 1, 1, 0, 60)}) {
    EXPECT_FALSE(SystemTimeToFileTime(&st, &ft));
  }
  FILETIME huge{0, 0x80000000u};
  SYSTEMTIME st;
  EXPECT_FALSE(FileTimeToSystemTime(&huge, &st));
}

TEST(Time, OleDateGoldens) {
  double v = -1;
  SYSTEMTIME st = St(1899, 12, 30);
  ASSERT_TRUE(SystemTimeToVariantTime(&st, &v));
  EXPECT_EQ(0.0, v);
  st = St(2000, 1, 1);
  ASSERT_TRUE(SystemTimeToVariantTime(&st, &v));
  EXPECT_EQ(36526.0, v);
  st = St(1900, 1, 1, 12);
  ASSERT_TRUE(SystemTimeToVariantTime(&st, &v));
  EXPECT_EQ(2.5, v);
  // Before the epoch the fraction still counts forward from the day.
  st = St(1899, 12, 29, 6);
  ASSERT_TRUE(SystemTimeToVariantTime(&st, &v));
  EXPECT_EQ(-1.25, v);
  SYSTEMTIME back{};
  ASSERT_TRUE(VariantTimeToSystemTime(-1.25, &back));
  EXPECT_EQ(29, back.wDay);
  EXPECT_EQ(6, back.wHour);
  ASSERT_TRUE(VariantTimeToSystemTime(36526.5 + 1.0 / 86400, &back));
  EXPECT_EQ(2000, back.wYear);
  EXPECT_EQ(12, back.wHour);
  EXPECT_EQ(1, back.wSecond);
  // Just under midnight rounds to the next day, not to 24:00.
  ASSERT_TRUE(VariantTimeToSystemTime(36526.0 - 0.1 / 86400, &back));
  EXPECT_EQ(1, back.wDay);
  EXPECT_EQ(0, back.wHour);
  EXPECT_FALSE(VariantTimeToSystemTime(NAN, &back));
  EXPECT_FALSE(VariantTimeToSystemTime(3e6, &back));
}

TEST(Time, OleDateRoundTripsEverySecondOfADay) {
  SYSTEMTIME st = St(2023, 7, 14);
  for (int s = 0; s < 86400; s += 7) {
    st.wHour = (WORD)(s / 3600);
    st.wMinute = (WORD)(s / 60 % 60);
    st.wSecond = (WORD)(s % 60);
    double v;
    ASSERT_TRUE(SystemTimeToVariantTime(&st, &v));
    SYSTEMTIME back{};
    ASSERT_TRUE(VariantTimeToSystemTime(v, &back));
    ASSERT_EQ(st.wHour, back.wHour) << s;
    ASSERT_EQ(st.wMinute, back.wMinute) << s;
    ASSERT_EQ(st.wSecond, back.wSecond) << s;
    ASSERT_EQ(14, back.wDay) << s;
  }
}

TEST(Time, LocalAndSystemFileTimesConvertBothWays) {
  SYSTEMTIME st = St(2010, 6, 1, 12);
  FILETIME ft, local, back;
  SystemTimeToFileTime(&st, &ft);
  ASSERT_TRUE(FileTimeToLocalFileTime(&ft, &local));
  ASSERT_TRUE(LocalFileTimeToFileTime(&local, &back));
  EXPECT_EQ(Ticks(ft), Ticks(back));
  EXPECT_EQ(0, CompareFileTime(&ft, &back));
}

TEST_F(CoreTest, WallTimeAndTickCountMoveWithTheVirtualClockOnly) {
  EXPECT_TRUE(vplat::IsVirtualClock());
  SYSTEMTIME set = St(2021, 3, 4, 5, 6, 7);
  ASSERT_TRUE(SetSystemTime(&set));
  DWORD t0 = GetTickCount();
  // Real time has to pass for this: Sleep on the virtual clock only yields, so the test waits
  // until the real clock has moved 20 ms. Nothing else moves the virtual clock meanwhile.
  const auto realStart = std::chrono::steady_clock::now();
  Sleep(20);
  ASSERT_TRUE(test_wait::Until([&] {
    return std::chrono::steady_clock::now() - realStart >= std::chrono::milliseconds(20);
  }));
  EXPECT_EQ(t0, GetTickCount());
  harness::Advance(61500);
  EXPECT_EQ(t0 + 61500, GetTickCount());
  SYSTEMTIME now;
  GetSystemTime(&now);
  EXPECT_EQ(7, now.wMinute);
  EXPECT_EQ(8, now.wSecond);
  EXPECT_EQ(500, now.wMilliseconds);
  SYSTEMTIME local;
  GetLocalTime(&local);
  FILETIME a, b;
  SystemTimeToFileTime(&now, &a);
  SystemTimeToFileTime(&local, &b);
  FILETIME c;
  FileTimeToLocalFileTime(&a, &c);
  EXPECT_EQ(Ticks(b), Ticks(c));
}

TEST_F(CoreTest, MessageBoxScriptsNewestMatchWinsAndDefaultsFollowTheButtons) {
  int a = 0;
  EXPECT_TRUE(vplat::HarnessActive());
  ASSERT_TRUE(vplat::ScriptMessageBox(nullptr, L"Save?", L"Vorna", 4 /*YESNO*/, &a));
  EXPECT_EQ(6, a);  // IDYES
  vplat::ScriptMessageBox(nullptr, L"Sure?", L"", 1 /*OKCANCEL*/, &a);
  EXPECT_EQ(1, a);
  vplat::ScriptMessageBox(nullptr, L"Sure?", L"", 3 | 0x100 /*YESNOCANCEL, 2nd default*/, &a);
  EXPECT_EQ(7, a);
  harness::AnswerMessageBox(L"", 2);
  harness::AnswerMessageBox(L"map", 7);
  vplat::ScriptMessageBox(nullptr, L"Open the map?", L"", 4, &a);
  EXPECT_EQ(7, a);
  vplat::ScriptMessageBox(nullptr, L"Other", L"", 1, &a);
  EXPECT_EQ(2, a);
  const auto& shown = harness::MessageBoxes();
  ASSERT_EQ(5u, shown.size());
  EXPECT_EQ(L"Save?", shown[0].text);
  EXPECT_EQ(L"Vorna", shown[0].caption);
  EXPECT_EQ(7, shown[3].answer);
  harness::ClearMessageBoxes();
  EXPECT_TRUE(harness::MessageBoxes().empty());
}

int g_boxTicks = 0;
void CALLBACK CountBoxTick(HWND, UINT, UINT_PTR, DWORD) { ++g_boxTicks; }

TEST_F(CoreTest, ABoxScriptCanLetTimePassWhileTheBoxIsUp) {
  g_boxTicks = 0;
  HWND w = Make("T", WS_VISIBLE, 0, 0, 240, 320);
  ASSERT_NE(SetTimer(w, 1, 500, CountBoxTick), 0u);
  int ticksWhenAnswered = -1;
  harness::AnswerMessageBoxAfter(
      L"link", [&] { harness::Advance(10000); }, IDNO);
  // A later plain script for another text does not hide this one.
  harness::AnswerMessageBox(L"other", IDYES);
  const int answer = MessageBoxW(w, L"No link: reconnect?", L"", MB_YESNO);
  ticksWhenAnswered = g_boxTicks;
  EXPECT_EQ(answer, IDNO);
  EXPECT_EQ(ticksWhenAnswered, 20);  // 10 s of 500 ms ticks passed before the answer came
  ASSERT_EQ(harness::MessageBoxes().size(), 1u);
  EXPECT_EQ(harness::MessageBoxes()[0].answer, IDNO);
  EXPECT_EQ(MessageBoxW(w, L"other", L"", MB_YESNO), IDYES);
  EXPECT_EQ(g_boxTicks, 20);  // the plain script lets no time pass
  KillTimer(w, 1);
}

TEST_F(CoreTest, DialogScriptsRunByTemplateAndAreRecorded) {
  HWND seen = nullptr;
  harness::OnDialog(122, [&](HWND d) { seen = d; });
  HWND d = Make("D", WS_VISIBLE, 0, 26, 240, 294);
  EXPECT_TRUE(vplat::ScriptDialog(122, d, true));
  EXPECT_EQ(d, seen);
  EXPECT_FALSE(vplat::ScriptDialog(7, d, false));  // modeless and unscripted: left alone
  EXPECT_EQ((std::vector<int>{122, 7}), harness::DialogsOpened());
}

TEST(Harness, StartMakesARootAndStopRemovesIt) {
  harness::Start();
  std::string root = harness::Root();
  EXPECT_TRUE(std::filesystem::is_directory(root + "/Vorna"));
  std::filesystem::create_directories(root + "/Maps/Sub");
  EXPECT_EQ(root + "/Maps/Sub/a.mdm", harness::HostPath(L"\\maps\\SUB\\a.mdm"));
  EXPECT_EQ(root + "/Vorna/Vorna.ini", harness::HostPath(L"\\Vorna\\Vorna.ini"));
  harness::Stop();
  EXPECT_FALSE(std::filesystem::exists(root));
  EXPECT_FALSE(vplat::HarnessActive());
}

// A second start in the same process begins clean: the quit a main window posts as it is
// destroyed, the boxes shown and the dialogs opened go with the first, and the next case's
// timers fire as the clock is advanced.
LRESULT CALLBACK QuitOnDestroy(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcW(w, m, wp, lp);
}
int g_ticks = 0;
void CALLBACK CountTick(HWND, UINT, UINT_PTR, DWORD) { ++g_ticks; }

TEST(Harness, ASecondStartInTheSameProcessBeginsClean) {
  harness::Start();
  WNDCLASSW wc{};
  wc.lpfnWndProc = QuitOnDestroy;
  wc.lpszClassName = L"QuitOnDestroy";
  RegisterClassW(&wc);
  ASSERT_NE(CreateWindowExW(0, L"QuitOnDestroy", L"", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                            nullptr),
            nullptr);
  harness::AnswerMessageBox(L"", IDOK);
  MessageBoxW(nullptr, L"first case", L"", MB_OK);
  ASSERT_EQ(harness::MessageBoxes().size(), 1u);
  harness::Stop();  // destroys the window: its quit is posted

  harness::Start();
  EXPECT_TRUE(harness::MessageBoxes().empty());
  HWND w = CreateWindowExW(0, L"QuitOnDestroy", L"", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                           nullptr);
  ASSERT_NE(w, nullptr);
  g_ticks = 0;
  ASSERT_NE(SetTimer(w, 1, 500, CountTick), 0u);
  harness::Advance(1600);
  EXPECT_EQ(g_ticks, 3);
  KillTimer(w, 1);
  harness::Stop();
}

}  // namespace
