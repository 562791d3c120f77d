// A headless device for the controls' tests, a parent window that records the notifications it
// gets, and helpers to reach a control's screen position.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/harness.h"
#include "platform/win.h"

struct Note {
  UINT msg;
  int id;
  UINT code;
};

inline std::vector<Note>& Notes() {
  static std::vector<Note> notes;
  return notes;
}

// A test's own handling of the parent's messages (after recording); true when it answered.
using ParentHook = std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT*)>;
inline ParentHook& Hook() {
  static ParentHook hook;
  return hook;
}

inline LRESULT CALLBACK RecordingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_COMMAND) Notes().push_back({msg, LOWORD(wParam), HIWORD(wParam)});
  if (msg == WM_NOTIFY) {
    auto* h = reinterpret_cast<NMHDR*>(lParam);
    Notes().push_back({msg, static_cast<int>(h->idFrom), h->code});
  }
  if (msg == WM_HSCROLL || msg == WM_VSCROLL || msg == WM_INITMENUPOPUP)
    Notes().push_back({msg, 0, LOWORD(wParam)});
  LRESULT r = 0;
  if (Hook() && Hook()(hwnd, msg, wParam, lParam, &r)) return r;
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

class UiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    harness::Start();
    Notes().clear();
    Hook() = nullptr;
    WNDCLASSW wc{};
    wc.lpfnWndProc = RecordingProc;
    wc.lpszClassName = L"UiTestParent";
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<intptr_t>(COLOR_WINDOW + 1));
    RegisterClassW(&wc);
    parent = CreateWindowExW(0, L"UiTestParent", L"Test", WS_VISIBLE, 0, 26, 240, 294, nullptr,
                             nullptr, nullptr, nullptr);
    ASSERT_NE(parent, nullptr);
  }
  void TearDown() override {
    harness::Stop();
    Hook() = nullptr;
  }

  HWND Make(const wchar_t* cls, DWORD style, int id, int x, int y, int w, int h,
            const wchar_t* text = L"") {
    HWND c = CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                             reinterpret_cast<HMENU>(static_cast<intptr_t>(id)), nullptr, nullptr);
    EXPECT_NE(c, nullptr) << "class " << (cls ? "" : "(null)");
    harness::PumpUntilIdle();
    return c;
  }
  // Screen point of a control's client point.
  static POINT At(HWND hwnd, int x, int y) {
    POINT p{x, y};
    ClientToScreen(hwnd, &p);
    return p;
  }
  static void TapAt(HWND hwnd, int x, int y) {
    POINT p = At(hwnd, x, y);
    harness::Tap(p.x, p.y);
  }
  static int Count(UINT msg, UINT code) {
    int n = 0;
    for (const Note& note : Notes()) n += note.msg == msg && note.code == code;
    return n;
  }

  HWND parent = nullptr;
};
