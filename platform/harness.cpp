// The test harness: a headless device with a temporary root, injected input, pumping, the
// virtual clock, and scripted answers to message boxes and dialogs.
#include "platform/harness.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cwctype>
#include <filesystem>
#include <map>

#include "platform/core/internal.h"
#include "platform/core/state.h"
#include "platform/fresh_state.h"
#include "platform/sys/sys_internal.h"

// Provided by the other folders of the layer; weak so that the harness links before they land.
namespace vplat {
void SetDeviceRoot(const std::string& hostPath) __attribute__((weak));
bool SaveScreenPng(const char* hostPath) __attribute__((weak));
const uint32_t* ScreenPixels() __attribute__((weak));
int ScreenWidth() __attribute__((weak));
int ScreenHeight() __attribute__((weak));
}  // namespace vplat
extern "C" BOOL EndDialog(HWND dialog, INT_PTR result) __attribute__((weak));

namespace {

constexpr int kIdOk = 1, kIdCancel = 2, kIdAbort = 3, kIdRetry = 4, kIdIgnore = 5, kIdYes = 6,
              kIdNo = 7;

struct HarnessState {
  bool active = false;
  std::string root;
  bool tempRoot = false;
  struct BoxScript {
    std::wstring textPart;
    int answer;
    std::function<void()> before;  // may be empty
  };
  std::vector<BoxScript> boxScripts;  // newest last
  std::map<int, std::function<void(HWND)>> dialogScripts;
  std::vector<harness::ShownMessageBox> boxes;
  std::vector<int> dialogs;
};

HarnessState& H() {
  static HarnessState* h = new HarnessState;
  return *h;
}

std::string Utf8(const std::wstring& w) {
  std::string out;
  for (wchar_t wc : w) {
    auto c = (uint32_t)wc;
    if (c < 0x80) {
      out += (char)c;
    } else if (c < 0x800) {
      out += (char)(0xC0 | (c >> 6));
      out += (char)(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += (char)(0xE0 | (c >> 12));
      out += (char)(0x80 | ((c >> 6) & 0x3F));
      out += (char)(0x80 | (c & 0x3F));
    } else {
      out += (char)(0xF0 | (c >> 18));
      out += (char)(0x80 | ((c >> 12) & 0x3F));
      out += (char)(0x80 | ((c >> 6) & 0x3F));
      out += (char)(0x80 | (c & 0x3F));
    }
  }
  return out;
}

bool SameNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower((unsigned char)a[i]) != std::tolower((unsigned char)b[i])) return false;
  return true;
}

// The button a box's default answers with: its first, or the one MB_DEFBUTTON2/3 names.
int DefaultAnswer(UINT type) {
  std::vector<int> buttons;
  switch (type & 0xF) {
    case 1: buttons = {kIdOk, kIdCancel}; break;
    case 2: buttons = {kIdAbort, kIdRetry, kIdIgnore}; break;
    case 3: buttons = {kIdYes, kIdNo, kIdCancel}; break;
    case 4: buttons = {kIdYes, kIdNo}; break;
    case 5: buttons = {kIdRetry, kIdCancel}; break;
    default: buttons = {kIdOk}; break;
  }
  size_t def = (type >> 8) & 0xF;
  return buttons[std::min(def, buttons.size() - 1)];
}

}  // namespace

// ---- what the layer asks of the harness ----

namespace vplat {

bool HarnessActive() { return H().active; }

bool ScriptMessageBox(HWND, const wchar_t* text, const wchar_t* caption, UINT type, int* answer) {
  HarnessState& h = H();
  if (!h.active) return false;
  std::wstring t = text ? text : L"";
  int a = DefaultAnswer(type);
  std::function<void()> before;
  for (auto it = h.boxScripts.rbegin(); it != h.boxScripts.rend(); ++it) {
    if (it->textPart.empty() || t.find(it->textPart) != std::wstring::npos) {
      a = it->answer;
      before = it->before;  // a copy: the callback may add scripts itself
      break;
    }
  }
  // The box is on the list before its callback runs, so a box opened meanwhile comes after it.
  h.boxes.push_back(harness::ShownMessageBox{t, caption ? caption : L"", type, a});
  if (before) before();
  if (answer) *answer = a;
  return true;
}

bool ScriptDialog(int templateId, HWND dialog, bool modal) {
  HarnessState& h = H();
  if (!h.active) return false;
  h.dialogs.push_back(templateId);
  auto it = h.dialogScripts.find(templateId);
  if (it != h.dialogScripts.end()) {
    auto script = it->second;  // a copy: the script may register scripts itself
    script(dialog);
    return true;
  }
  if (!modal) return false;
  std::fprintf(stderr, "harness: dialog %d has no script; ended with IDCANCEL\n", templateId);
  if (!EndDialog) return false;
  EndDialog(dialog, kIdCancel);
  return true;
}

}  // namespace vplat

// ---- the harness interface ----

namespace harness {

void Start(const Options& options) {
  HarnessState& h = H();
  if (options.root.empty()) {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/vorna-XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back(0);
    if (!mkdtemp(buf.data())) {
      std::perror("harness: mkdtemp");
      std::abort();
    }
    h.root = buf.data();
    h.tempRoot = true;
  } else {
    h.root = options.root;
    h.tempRoot = false;
    std::error_code ec;
    std::filesystem::create_directories(h.root, ec);
  }
  std::error_code ec;
  std::filesystem::create_directories(h.root + "/Vorna", ec);
  setenv("VORNA_ROOT", h.root.c_str(), 1);
  if (vplat::SetDeviceRoot) vplat::SetDeviceRoot(h.root);
  vplat::core::SetVirtualClock(options.virtualClock);
  vplat::SetPresenter(nullptr);
  h.active = true;
}

void Stop() {
  HarnessState& h = H();
  std::vector<HWND> tops;
  for (HWND w = GetWindow(GetDesktopWindow(), GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
    tops.push_back(w);
  for (HWND w : tops)
    if (IsWindow(w)) DestroyWindow(w);
  // What the destroyed windows left queued goes with them, the quit a main window posts as it
  // is destroyed above all: left pending, it would hold every pump of a next case in this
  // process, and that case's timers would never fire.
  MSG m;
  while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
  }
  // The program's globals and the layer's own state as a fresh process has them, so that the
  // next case in this process starts as the first would; the root is still there for whatever a
  // destructor writes.
  vplat::RestoreFreshState();
  if (h.tempRoot && !h.root.empty()) {
    std::error_code ec;
    std::filesystem::remove_all(h.root, ec);
    h.tempRoot = false;  // a second Stop (after each case) leaves the name alone
  }
  h.active = false;
  vplat::sys::SetWriteBudget(-1);
  h.boxScripts.clear();
  h.dialogScripts.clear();
  h.boxes.clear();
  h.dialogs.clear();
}

std::string Root() { return H().root; }

void LimitFileWrites(long long bytes) { vplat::sys::SetWriteBudget(bytes); }

std::string HostPath(const std::wstring& devicePath) {
  namespace fs = std::filesystem;
  std::string path = H().root;
  std::string rest = Utf8(devicePath);
  size_t pos = 0;
  while (pos <= rest.size()) {
    size_t next = rest.find_first_of("\\/", pos);
    if (next == std::string::npos) next = rest.size();
    std::string part = rest.substr(pos, next - pos);
    pos = next + 1;
    if (part.empty() || part == ".") continue;
    // An existing name of another case is the same file on the device.
    std::string chosen = part;
    std::error_code ec;
    if (!fs::exists(path + "/" + part, ec)) {
      for (const auto& e : fs::directory_iterator(path, ec)) {
        std::string name = e.path().filename().string();
        if (SameNoCase(name, part)) {
          chosen = name;
          break;
        }
      }
    }
    path += "/" + chosen;
  }
  return path;
}

void PenDown(int x, int y) {
  vplat::InjectPen(vplat::PenEvent::Down, x, y);
  PumpUntilIdle();
}

void PenMove(int x, int y) {
  vplat::InjectPen(vplat::PenEvent::Move, x, y);
  PumpUntilIdle();
}

void PenUp(int x, int y) {
  vplat::InjectPen(vplat::PenEvent::Up, x, y);
  PumpUntilIdle();
}

// Whole gestures are queued before any of it is routed, so that a gesture recogniser looking
// ahead sees the pen-up of a tap.
void Tap(int x, int y) {
  vplat::InjectPen(vplat::PenEvent::Down, x, y);
  vplat::InjectPen(vplat::PenEvent::Up, x, y);
  PumpUntilIdle();
}

void Drag(int x0, int y0, int x1, int y1, int steps) {
  if (steps < 1) steps = 1;
  vplat::InjectPen(vplat::PenEvent::Down, x0, y0);
  for (int i = 1; i <= steps; ++i)
    vplat::InjectPen(vplat::PenEvent::Move, x0 + (x1 - x0) * i / steps, y0 + (y1 - y0) * i / steps);
  vplat::InjectPen(vplat::PenEvent::Up, x1, y1);
  PumpUntilIdle();
}

void Key(UINT vk) {
  vplat::InjectKey(vk, true);
  vplat::InjectKey(vk, false);
  PumpUntilIdle();
}

void KeyDown(UINT vk) {
  vplat::InjectKey(vk, true);
  PumpUntilIdle();
}

void KeyUp(UINT vk) {
  vplat::InjectKey(vk, false);
  PumpUntilIdle();
}

void Char(wchar_t ch) {
  vplat::InjectChar(ch);
  PumpUntilIdle();
}

void Type(const std::wstring& text) {
  for (wchar_t ch : text) vplat::InjectChar(ch);
  PumpUntilIdle();
}

void HardwareButton(int n) { Key((UINT)(0xC0 + n)); }

bool PumpUntilIdle() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage((int)msg.wParam);
      return false;
    }
    vplat::core::DispatchForLoop(msg);
  }
  return true;
}

void Advance(unsigned ms) {
  if (!vplat::IsVirtualClock()) {
    uint64_t end = vplat::NowMs() + ms;
    while (vplat::NowMs() < end) {
      PumpUntilIdle();
      ::Sleep(1);
    }
    PumpUntilIdle();
    return;
  }
  uint64_t target = vplat::NowMs() + ms;
  for (;;) {
    uint64_t due = vplat::core::NextTimerDue();
    if (due > target) break;
    vplat::core::SetVirtualNow(due);
    if (!PumpUntilIdle()) break;  // a quit holds the queue; timers wait for the caller's loop
  }
  vplat::core::SetVirtualNow(target);
  PumpUntilIdle();
}

uint64_t Now() { return vplat::NowMs(); }

void AnswerMessageBox(const std::wstring& textPart, int answer) {
  H().boxScripts.push_back({textPart, answer, nullptr});
}

void AnswerMessageBoxAfter(const std::wstring& textPart, std::function<void()> before,
                           int answer) {
  H().boxScripts.push_back({textPart, answer, std::move(before)});
}

void OnDialog(int templateId, std::function<void(HWND dialog)> script) {
  H().dialogScripts[templateId] = std::move(script);
}

const std::vector<ShownMessageBox>& MessageBoxes() { return H().boxes; }
void ClearMessageBoxes() { H().boxes.clear(); }
const std::vector<int>& DialogsOpened() { return H().dialogs; }

bool SaveScreen(const std::string& hostPath) {
  return vplat::SaveScreenPng && vplat::SaveScreenPng(hostPath.c_str());
}

COLORREF ScreenPixel(int x, int y) {
  if (!vplat::ScreenPixels || !vplat::ScreenWidth || !vplat::ScreenHeight) return 0xFFFFFFFF;
  int w = vplat::ScreenWidth(), hgt = vplat::ScreenHeight();
  const uint32_t* px = vplat::ScreenPixels();
  if (!px || x < 0 || y < 0 || x >= w || y >= hgt) return 0xFFFFFFFF;  // CLR_INVALID
  uint32_t argb = px[(size_t)y * w + x];
  return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
}

}  // namespace harness
