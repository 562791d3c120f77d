// Creation and destruction: message order, a refused creation, destruction from inside the
// window's own handler, sibling order, lookups and geometry.
#include "core_test_util.h"

using namespace coretest;

namespace {

using Strings = std::vector<std::string>;

TEST_F(CoreTest, CreationSendsCreateBeforeReturningAndDestroyGoesParentFirstThenChildFirst) {
  HWND top = Make("P", WS_VISIBLE, CW_USEDEFAULT, 0, CW_USEDEFAULT, 0);
  ASSERT_TRUE(top);
  HWND child = Make("C", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, top, 1);
  HWND grand = Make("G", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, child, 2);
  ASSERT_TRUE(child && grand);
  EXPECT_EQ((Strings{"P:NCCREATE", "P:CREATE", "P:SIZE", "P:MOVE"}),
            Strings(Log().begin(), Log().begin() + 4));
  Log().clear();
  ASSERT_TRUE(DestroyWindow(top));
  Strings destroys;
  for (auto& e : Log())
    if (e.find("DESTROY") != std::string::npos) destroys.push_back(e);
  EXPECT_EQ((Strings{"P:DESTROY", "C:DESTROY", "G:DESTROY", "G:NCDESTROY", "C:NCDESTROY",
                     "P:NCDESTROY"}),
            destroys);
  EXPECT_FALSE(IsWindow(top));
  EXPECT_FALSE(IsWindow(child));
  EXPECT_FALSE(IsWindow(grand));
}

TEST_F(CoreTest, ChildrenAreStillUsableInsideTheParentsDestroyHandler) {
  HWND top = Make("P", 0, 0, 0, 100, 100);
  HWND child = Make("C", WS_CHILD, 0, 0, 10, 10, top, 7);
  SetWindowTextW(child, L"kept");
  std::wstring seen;
  OnMessage() = [&](HWND h, UINT m, WPARAM, LPARAM, LRESULT*) {
    if (h == top && m == WM_DESTROY) {
      wchar_t buf[16];
      GetWindowTextW(GetDlgItem(top, 7), buf, 16);
      seen = buf;
    }
    return false;
  };
  DestroyWindow(top);
  EXPECT_EQ(L"kept", seen);
}

TEST_F(CoreTest, MinusOneFromCreateFailsTheCreationAndDestroysTheWindow) {
  OnMessage() = [](HWND, UINT m, WPARAM, LPARAM, LRESULT* r) {
    if (m == WM_CREATE) {
      *r = -1;
      return true;
    }
    return false;
  };
  HWND h = Make("X", WS_VISIBLE, 0, 0, 10, 10);
  EXPECT_EQ(nullptr, h);
  EXPECT_EQ((Strings{"X:NCCREATE", "X:CREATE", "X:DESTROY", "X:NCDESTROY"}), Log());
  EXPECT_EQ(nullptr, FindWindowW(L"LogWnd", nullptr));
}

TEST_F(CoreTest, DestroyWindowInsideItsOwnHandlerIsSafeAndLaterMessagesFailHarmlessly) {
  HWND h = Make("W", WS_VISIBLE, 0, 30, 100, 100);
  int after = 0;
  OnMessage() = [&](HWND hwnd, UINT m, WPARAM, LPARAM, LRESULT*) {
    if (m == WM_USER) {
      DestroyWindow(hwnd);
      DestroyWindow(hwnd);  // twice: the second finds nothing
      // The handler still runs after its window is gone.
      after = (int)SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0) + 1;
    }
    return false;
  };
  PostMessageW(h, WM_USER, 0, 0);
  PostMessageW(h, WM_USER, 0, 0);  // queued behind: must be dropped once the window is gone
  EXPECT_TRUE(harness::PumpUntilIdle());
  EXPECT_EQ(1, after);
  EXPECT_FALSE(IsWindow(h));
  EXPECT_EQ(1u, Filter("W:USER").size());
  EXPECT_EQ(0, SendMessageW(h, WM_USER, 0, 0));
  EXPECT_FALSE(PostMessageW(h, WM_USER, 0, 0));
  EXPECT_FALSE(ShowWindow(h, SW_SHOW));
  RECT r;
  EXPECT_FALSE(GetWindowRect(h, &r));
  EXPECT_EQ(ERROR_INVALID_WINDOW_HANDLE, (long)GetLastError());
}

TEST_F(CoreTest, CloseThroughTheDefaultProcedureDestroys) {
  HWND h = Make("W", 0, 0, 0, 10, 10);
  SendMessageW(h, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(h));
}

TEST_F(CoreTest, DestroyingAWindowClearsFocusCaptureAndTimers) {
  HWND top = Make("P", WS_VISIBLE, 0, 26, 240, 294);
  HWND child = Make("C", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, top, 1);
  SetFocus(child);
  SetCapture(child);
  SetTimer(child, 5, 10, nullptr);
  DestroyWindow(child);
  EXPECT_EQ(nullptr, GetFocus());
  EXPECT_EQ(nullptr, GetCapture());
  EXPECT_FALSE(KillTimer(child, 5));
  harness::Advance(50);
  EXPECT_TRUE(Filter(":TIMER").empty());
}

TEST_F(CoreTest, SiblingsComeInCreationOrderWhateverTheStacking) {
  HWND top = Make("P", 0, 0, 0, 100, 100);
  HWND a = Make("A", WS_CHILD, 0, 0, 10, 10, top, 1);
  HWND b = Make("B", WS_CHILD, 0, 0, 10, 10, top, 2);
  HWND c = Make("C", WS_CHILD, 0, 0, 10, 10, top, 3);
  SetWindowPos(a, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(a, GetWindow(top, GW_CHILD));
  EXPECT_EQ(b, GetWindow(a, GW_HWNDNEXT));
  EXPECT_EQ(c, GetWindow(b, GW_HWNDNEXT));
  EXPECT_EQ(nullptr, GetWindow(c, GW_HWNDNEXT));
  EXPECT_EQ(a, GetWindow(c, GW_HWNDFIRST));
  EXPECT_EQ(b, GetDlgItem(top, 2));
  EXPECT_EQ(nullptr, GetDlgItem(top, 99));
  EXPECT_EQ(3, GetDlgCtrlID(c));
  EXPECT_EQ(top, GetParent(b));
  EXPECT_TRUE(IsChild(top, b));
  DestroyWindow(b);
  EXPECT_EQ(c, GetWindow(a, GW_HWNDNEXT));
  HWND owned = Make("O", WS_POPUP, 0, 0, 10, 10, a);
  EXPECT_EQ(top, GetWindow(owned, GW_OWNER));
  EXPECT_EQ(nullptr, GetParent(owned));
  DestroyWindow(top);
  EXPECT_FALSE(IsWindow(owned));  // owned windows go with their owner
}

TEST_F(CoreTest, FindWindowMatchesClassWithoutCaseAndTitleExactly) {
  HWND a = Make("Alpha", 0, 0, 0, 10, 10);
  HWND b = Make("Beta", 0, 0, 0, 10, 10);
  Make("Child", WS_CHILD, 0, 0, 10, 10, a, 1);
  EXPECT_EQ(a, FindWindowW(L"logwnd", nullptr));
  EXPECT_EQ(b, FindWindowW(L"LogWnd", L"Beta"));
  EXPECT_EQ(b, FindWindowW(nullptr, L"Beta"));
  EXPECT_EQ(nullptr, FindWindowW(nullptr, L"beta"));
  EXPECT_EQ(nullptr, FindWindowW(nullptr, L"Child"));  // top-level windows only
  EXPECT_EQ(nullptr, FindWindowW(L"NoSuchClass", nullptr));
}

TEST_F(CoreTest, RegisteringAClassTwiceKeepsTheFirstAndUnknownClassesFail) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.lpszClassName = L"LOGWND";
  ATOM again = RegisterClassW(&wc);
  EXPECT_NE(0, again);
  EXPECT_EQ(ERROR_CLASS_ALREADY_EXISTS, (long)GetLastError());
  HWND h = Make("W", 0, 0, 0, 10, 10);
  EXPECT_EQ(1u, Filter("W:CREATE").size());  // still the logging procedure
  wchar_t name[32];
  EXPECT_EQ(6, GetClassNameW(h, name, 32));
  EXPECT_STREQ(L"LogWnd", name);
  EXPECT_EQ(nullptr, CreateWindowExW(0, L"Nope", L"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr,
                                     nullptr));
  EXPECT_EQ(ERROR_CLASS_DOES_NOT_EXIST, (long)GetLastError());
}

TEST_F(CoreTest, GeometryOfDefaultCaptionedAndBorderedWindows) {
  HWND main = Make("M", WS_VISIBLE, CW_USEDEFAULT, 0, CW_USEDEFAULT, 0);
  RECT r;
  GetWindowRect(main, &r);
  EXPECT_EQ((RECT{0, 26, 240, 320}).top, r.top);
  EXPECT_EQ(0, r.left);
  EXPECT_EQ(240, r.right);
  EXPECT_EQ(320, r.bottom);
  HWND cap = Make("D", WS_CAPTION, 10, 40, 200, 200);
  GetClientRect(cap, &r);
  EXPECT_EQ(200, r.right);
  EXPECT_EQ(174, r.bottom);
  POINT p{0, 0};
  ClientToScreen(cap, &p);
  EXPECT_EQ(10, p.x);
  EXPECT_EQ(66, p.y);
  HWND bord = Make("B", WS_CHILD | WS_BORDER, 5, 5, 20, 20, main, 1);
  GetClientRect(bord, &r);
  EXPECT_EQ(18, r.right);
  EXPECT_EQ(18, r.bottom);
  p = POINT{0, 0};
  ClientToScreen(bord, &p);
  EXPECT_EQ(6, p.x);
  EXPECT_EQ(32, p.y);
  POINT q{3, 4};
  MapWindowPoints(bord, cap, &q, 1);
  EXPECT_EQ(-1, q.x);
  EXPECT_EQ(-30, q.y);
  ScreenToClient(bord, &p);
  EXPECT_EQ(0, p.x);
  EXPECT_EQ(0, p.y);
}

TEST_F(CoreTest, MoveAndSizeSendTheirMessagesOnlyOnChange) {
  HWND h = Make("W", 0, 0, 0, 10, 10);
  Log().clear();
  MoveWindow(h, 5, 6, 10, 10, TRUE);
  EXPECT_EQ((Strings{"W:MOVE"}), Log());
  Log().clear();
  SetWindowPos(h, nullptr, 0, 0, 30, 40, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ((Strings{"W:SIZE"}), Log());
  RECT r;
  GetWindowRect(h, &r);
  EXPECT_EQ(5, r.left);
  EXPECT_EQ(46, r.bottom);
}

TEST_F(CoreTest, WindowLongsAndExtraBytes) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.cbWndExtra = DLGWINDOWEXTRA + 4;
  wc.lpszClassName = L"Extra";
  RegisterClassW(&wc);
  HWND h = CreateWindowExW(0, L"Extra", L"", WS_CHILD, 0, 0, 1, 1,
                           Make("P", 0, 0, 0, 10, 10), (HMENU)42, nullptr, nullptr);
  ASSERT_TRUE(h);
  int local = 0;
  SetWindowLongW(h, DWL_USER, (LONG_PTR)&local);
  EXPECT_EQ((LONG_PTR)&local, GetWindowLongW(h, DWL_USER));  // a whole pointer survives
  SetWindowLongW(h, DLGWINDOWEXTRA, -5);  // only 4 bytes left there
  EXPECT_EQ(-5, GetWindowLongW(h, DLGWINDOWEXTRA));
  EXPECT_EQ(0, GetWindowLongW(h, DLGWINDOWEXTRA + 1));  // past the end
  EXPECT_EQ(ERROR_INVALID_PARAMETER, (long)GetLastError());
  EXPECT_EQ(42, GetWindowLongW(h, GWL_ID));
  SetWindowLongW(h, GWL_USERDATA, 1234);
  EXPECT_EQ(1234, GetWindowLongW(h, GWL_USERDATA));
  EXPECT_EQ((LONG_PTR)DefWindowProcW, GetWindowLongW(h, GWL_WNDPROC));
  EXPECT_TRUE(GetWindowLongW(h, GWL_STYLE) & WS_CHILD);
}

TEST_F(CoreTest, TextGoesThroughMessagesAndIsCutToTheBuffer) {
  HWND h = Make("W", 0, 0, 0, 10, 10);
  EXPECT_TRUE(SetWindowTextW(h, L"Selmik"));
  EXPECT_EQ(6, GetWindowTextLengthW(h));
  wchar_t buf[4];
  EXPECT_EQ(3, GetWindowTextW(h, buf, 4));
  EXPECT_STREQ(L"Sel", buf);
}

}  // namespace
