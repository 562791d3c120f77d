// Shared by the core tests: a harness fixture and a window class that logs what it receives.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/harness.h"

namespace coretest {

// "name:MSG" entries, in arrival order.
inline std::vector<std::string>& Log() {
  static std::vector<std::string> log;
  return log;
}

inline std::map<HWND, std::string>& Names() {
  static std::map<HWND, std::string> names;
  return names;
}

// The name the next window created through Make takes.
inline std::string& Pending() {
  static std::string pending;
  return pending;
}

// Per-window reactions: return true with *result set to answer instead of the default.
using Hook = std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT*)>;
inline Hook& OnMessage() {
  static Hook hook;
  return hook;
}

inline const char* MsgName(UINT m) {
  switch (m) {
    case WM_NCCREATE: return "NCCREATE";
    case WM_CREATE: return "CREATE";
    case WM_SIZE: return "SIZE";
    case WM_MOVE: return "MOVE";
    case WM_DESTROY: return "DESTROY";
    case WM_NCDESTROY: return "NCDESTROY";
    case WM_PAINT: return "PAINT";
    case WM_TIMER: return "TIMER";
    case WM_SETFOCUS: return "SETFOCUS";
    case WM_KILLFOCUS: return "KILLFOCUS";
    case WM_ACTIVATE: return "ACTIVATE";
    case WM_LBUTTONDOWN: return "LDOWN";
    case WM_LBUTTONUP: return "LUP";
    case WM_LBUTTONDBLCLK: return "LDBL";
    case WM_MOUSEMOVE: return "MOVEPEN";
    case WM_KEYDOWN: return "KEYDOWN";
    case WM_KEYUP: return "KEYUP";
    case WM_CHAR: return "CHAR";
    case WM_HOTKEY: return "HOTKEY";
    case WM_COMMAND: return "COMMAND";
    case WM_CAPTURECHANGED: return "CAPTURECHANGED";
    case WM_ENABLE: return "ENABLE";
    case WM_SHOWWINDOW: return "SHOWWINDOW";
    case WM_USER: return "USER";
    case WM_CLOSE: return "CLOSE";
    default: return nullptr;
  }
}

inline LRESULT CALLBACK LogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE && !Pending().empty()) {
    Names()[hwnd] = Pending();
    Pending().clear();
  }
  if (const char* n = MsgName(msg)) {
    auto it = Names().find(hwnd);
    Log().push_back((it == Names().end() ? std::string("?") : it->second) + ":" + n);
  }
  if (OnMessage()) {
    LRESULT r = 0;
    if (OnMessage()(hwnd, msg, wp, lp, &r)) return r;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

inline void RegisterLogClass(UINT style = 0, int extra = 0) {
  WNDCLASSW wc{};
  wc.style = style;
  wc.lpfnWndProc = LogProc;
  wc.cbWndExtra = extra;
  wc.lpszClassName = L"LogWnd";
  RegisterClassW(&wc);
}

// Creates a "LogWnd" window known in the log as `name` from its first message on.
inline HWND Make(const std::string& name, DWORD style, int x, int y, int w, int h,
                 HWND parent = nullptr, int id = 0, DWORD exStyle = 0) {
  Pending() = name;
  HWND hwnd = CreateWindowExW(exStyle, L"LogWnd", std::wstring(name.begin(), name.end()).c_str(),
                              style, x, y, w, h, parent, (HMENU)(intptr_t)id, nullptr, nullptr);
  Pending().clear();
  return hwnd;
}

// Log entries of one kind, e.g. Filter(":PAINT").
inline std::vector<std::string> Filter(const std::string& part) {
  std::vector<std::string> out;
  for (auto& e : Log())
    if (e.find(part) != std::string::npos) out.push_back(e);
  return out;
}

class CoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    harness::Start();
    Log().clear();
    Names().clear();
    OnMessage() = nullptr;
    RegisterLogClass();
  }
  void TearDown() override {
    OnMessage() = nullptr;
    harness::Stop();
  }
};

}  // namespace coretest
