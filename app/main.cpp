// The host entry of the program: takes the device folder from --root (or VORNA_ROOT), sets up
// the device layer (root, module path, presenter) and runs the device's message loop. With a
// display and SDL2 the screen appears in a window; otherwise the device runs headless and the
// screen is written to a PNG file so the run leaves something to look at.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/core/internal.h"
#include "platform/host/presenter_sdl.h"
#include "platform/win.h"

namespace {

struct HostOptions {
  std::string root;
  std::string screenshot = "vorna-screen.png";
  bool headless = false;
};

void Usage() {
  std::fprintf(stderr,
               "usage: vorna [--root DIR] [--headless] [--screenshot FILE.png] [FILE]\n"
               "  --root DIR      the device folder (default: $VORNA_ROOT)\n"
               "  --headless      no window even where a display exists\n"
               "  --screenshot F  where a headless run writes the screen (default %s)\n",
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
    } else if (a == "--help" || a == "-h") {
      Usage();
      std::exit(0);
    } else if (a.rfind("--", 0) == 0) {
      std::fprintf(stderr, "vorna: unknown option %s\n", a.c_str());
      Usage();
      return false;
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

}  // namespace

int main(int argc, char** argv) {
  HostOptions opt;
  if (!ParseArgs(argc, argv, &opt)) return 2;

  vplat::SetDeviceRoot(opt.root);
  vplat::SetModulePath(L"\\Vorna\\Vorna.exe");

  vplat::Presenter* presenter = nullptr;
  if (!opt.headless && (std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY"))) {
    presenter = vplat::MakeSdlPresenter(2);
  }
  vplat::SetPresenter(presenter);

  int code = 0;
  if (presenter) {
    presenter->Present();
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    code = static_cast<int>(msg.wParam);
  } else {
    // Headless: run what is queued, then leave the picture of the screen behind.
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) break;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (!vplat::SaveScreenPng(opt.screenshot.c_str())) {
      std::fprintf(stderr, "vorna: cannot write the screen to %s\n", opt.screenshot.c_str());
      code = 1;
    } else {
      std::printf("vorna: device %s started headless; screen %dx%d written to %s\n",
                  opt.root.c_str(), vplat::ScreenWidth(), vplat::ScreenHeight(),
                  opt.screenshot.c_str());
    }
  }
  vplat::SetPresenter(nullptr);
  delete presenter;
  return code;
}
