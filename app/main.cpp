// The host entry of the program: takes the device folder from --root (or VORNA_ROOT), sets up
// the device layer (root, module path, presenter) and hands over to WinMain with the first
// argument that is not an option. With a display and SDL2 the screen appears in a window;
// otherwise the device runs headless until the program quits, or, with
// --exit-after-first-frame, until its first frame is painted: the screen is then written to a
// PNG file and the program is told to exit.
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>

#include "app/main_window.h"
#include "app/winmain.h"
#include "maps/mdm_map.h"
#include "view/map_view.h"
#include "platform/core/internal.h"
#include "platform/host/presenter_sdl.h"
#include "platform/sys/instance_lock.h"
#include "platform/win.h"

namespace {

struct HostOptions {
  std::string root;
  std::string screenshot = "vorna-screen.png";
  std::string file;  // the first non-option argument
  bool haveFile = false;
  bool headless = false;
  bool exitAfterFirstFrame = false;
};

HostOptions g_options;

void Usage() {
  std::fprintf(stderr,
               "usage: vorna [--root DIR] [--headless] [--screenshot FILE.png]\n"
               "             [--exit-after-first-frame] [FILE]\n"
               "  --root DIR      the device folder (default: $VORNA_ROOT)\n"
               "  --headless      no window even where a display exists\n"
               "  --screenshot F  where a headless run writes the screen (default %s)\n"
               "  --exit-after-first-frame\n"
               "                  headless: write the screen once the first frame is painted,\n"
               "                  then exit as the exit command does\n"
               "  FILE            a device path of a map or project to open after asking\n",
               HostOptions().screenshot.c_str());
}

// Returns false (after a message) when the arguments are unusable.
bool ParseArgs(int argc, char** argv, HostOptions* opt) {
  if (const char* env = std::getenv("VORNA_ROOT")) opt->root = env;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if ((a == "--root" || a == "--screenshot") && i + 1 < argc) {
      (a == "--root" ? opt->root : opt->screenshot) = argv[++i];
    } else if (a == "--headless") {
      opt->headless = true;
    } else if (a == "--exit-after-first-frame") {
      opt->exitAfterFirstFrame = true;
    } else if (a == "--help" || a == "-h") {
      Usage();
      std::exit(0);
    } else if (a.rfind("--", 0) == 0) {
      std::fprintf(stderr, "vorna: unknown option %s\n", a.c_str());
      Usage();
      return false;
    } else if (!opt->haveFile) {
      opt->file = a;
      opt->haveFile = true;
    }
  }
  if (opt->root.empty()) {
    std::fprintf(stderr, "vorna: no device folder: give --root DIR or set VORNA_ROOT\n");
    return false;
  }
  struct stat st{};
  if (stat(opt->root.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    std::fprintf(stderr, "vorna: the device folder %s does not exist or is not a folder\n",
                 opt->root.c_str());
    return false;
  }
  if (access(opt->root.c_str(), W_OK) != 0) {
    std::fprintf(stderr, "vorna: the device folder %s is read-only; settings will not be saved\n",
                 opt->root.c_str());
  }
  return true;
}

// The command line WinMain gets: the file argument, in quotes when it holds a blank.
std::wstring CommandLineFor(const HostOptions& opt) {
  if (!opt.haveFile || opt.file.empty()) return std::wstring();
  int n = MultiByteToWideChar(CP_UTF8, 0, opt.file.c_str(), int(opt.file.size()), nullptr, 0);
  std::wstring wide(n > 0 ? size_t(n) : 0, L'\0');
  if (n > 0) MultiByteToWideChar(CP_UTF8, 0, opt.file.c_str(), int(opt.file.size()), wide.data(), n);
  if (wide.find(L' ') != std::wstring::npos) wide = L"\"" + wide + L"\"";
  return wide;
}

// Headless with --exit-after-first-frame: polled by a windowless timer until start-up is over,
// the main window has painted and nothing is queued; then the screen is written and the program
// is given the exit command. A start-up stuck on a message box (nobody can answer it headless)
// gives up after kStartupWaitMs: the screen shows the box, and the program quits unsaved.
constexpr UINT kFirstFramePollMs = 20;
constexpr DWORD kStartupWaitMs = 5000;
bool g_frameDone = false;
int g_hostCode = 0;
DWORD g_pollStart = 0;

bool WriteScreen() {
  if (!vplat::SaveScreenPng(g_options.screenshot.c_str())) {
    std::fprintf(stderr, "vorna: cannot write the screen to %s\n", g_options.screenshot.c_str());
    return false;
  }
  return true;
}

// After the exit command nobody is there to answer a box (a save that fails at exit says so
// in one): each box is written to standard error and closed with its first button, so that the
// run still ends and the message is not lost.
void CALLBACK ShutdownBoxProc(HWND, UINT, UINT_PTR, DWORD) {
  HWND box = FindWindowW(L"Dialog", nullptr);
  if (!box || !IsWindowVisible(box)) return;
  std::wstring text;
  for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    wchar_t kind[32] = {}, buffer[512] = {};
    GetClassNameW(c, kind, 32);
    GetWindowTextW(c, buffer, 512);
    if (std::wcscmp(kind, L"static") == 0 && buffer[0]) text += (text.empty() ? L"" : L" ") + std::wstring(buffer);
  }
  std::string utf8(text.size() * 4 + 1, '\0');
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), utf8.data(), int(utf8.size()), nullptr, nullptr);
  utf8.resize(n > 0 ? size_t(n) : 0);
  std::fprintf(stderr, "vorna: at exit: %s\n", utf8.c_str());
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

void CALLBACK FirstFrameProc(HWND, UINT, UINT_PTR id, DWORD) {
  if (g_frameDone) return;
  if (!g_pollStart) g_pollStart = GetTickCount();
  HWND main = FindWindowW(L"Vorna", nullptr);
  if (!g_StartupDone) {
    if (GetTickCount() - g_pollStart < kStartupWaitMs) return;
    g_frameDone = true;
    KillTimer(nullptr, id);
    WriteScreen();
    std::fprintf(stderr, "vorna: start-up is waiting for an answer to a message box; screen written "
                 "to %s; quitting without saving\n", g_options.screenshot.c_str());
    g_hostCode = 3;
    PostQuitMessage(3);
    return;
  }
  if (!main) return;
  RECT dirty;
  MSG pending;
  if (GetUpdateRect(main, &dirty, FALSE) || PeekMessageW(&pending, nullptr, 0, 0, PM_NOREMOVE))
    return;
  g_frameDone = true;
  KillTimer(nullptr, id);
  // One more full frame, timed: the first one also paid for reading the maps' geometry.
  const auto t0 = std::chrono::steady_clock::now();
  InvalidateMainView(1);
  UpdateWindow(main);
  const double frameMs =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
  int maps = 0, drawn = 0;
  for (int i = 0; i < g_MapView.GetVectorMapCount(); ++i) {
    const TMdmMap* map = g_MapView.GetVectorMap(i);
    if (!map || !map->objects) continue;
    ++maps;
    const uint8_t both = TMapObject::kInView | TMapObject::kPassesLevel;
    for (int k = 1; k < map->count; ++k)
      if ((map->objects[k].flags & both) == both && map->objects[k].code != 0) ++drawn;
  }
  if (!WriteScreen()) {
    g_hostCode = 1;
  } else {
    std::printf("vorna: %s: %d vector maps loaded, %d objects drawn at 1:%d, full frame %.1f ms; "
                "screen written to %s\n",
                g_options.root.c_str(), maps, drawn, int(g_MapView.GetScale()), frameMs,
                g_options.screenshot.c_str());
    std::fflush(stdout);
  }
  PostMessageW(main, WM_COMMAND, 40005, 0);  // the exit command, as the menu gives it
  SetTimer(nullptr, 0, kFirstFramePollMs, ShutdownBoxProc);
}

}  // namespace

int main(int argc, char** argv) {
  if (!ParseArgs(argc, argv, &g_options)) return 2;

  vplat::SetDeviceRoot(g_options.root);
  vplat::SetModulePath(L"\\Vorna\\Vorna.exe");

  // A second start on a device already running the program opens nothing: a host window opened
  // and closed again would take the keyboard from the first one where no window manager gives
  // it back. The program's own check (in WinMain) still settles a start racing this one.
  if (vplat::IsInstanceClaimed(kMainClassName)) return -1;  // exit status 255, as WinMain's

  vplat::Presenter* presenter = nullptr;
  if (!g_options.headless && (std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY"))) {
    presenter = vplat::MakeSdlPresenter(2);
  }
  vplat::SetPresenter(presenter);
  if (!presenter && g_options.exitAfterFirstFrame)
    SetTimer(nullptr, 0, kFirstFramePollMs, FirstFrameProc);

  std::wstring commandLine = CommandLineFor(g_options);
  int code = WinMain(GetModuleHandleW(nullptr), nullptr, commandLine.data(), SW_SHOW);

  vplat::SetPresenter(nullptr);
  delete presenter;
  return code != 0 ? code : g_hostCode;
}
