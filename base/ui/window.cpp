#include "base/ui/window.h"

#include <algorithm>
#include <vector>

#include "platform/core/wincore.h"

namespace {
// Only the interface thread makes instances and receives their messages: no lock.
std::vector<TWindow*>& Instances() {
  static std::vector<TWindow*> instances;
  return instances;
}
}  // namespace

TWindow::TWindow() { Register(this); }

TWindow::~TWindow() {
  auto& all = Instances();
  all.erase(std::remove(all.begin(), all.end(), this), all.end());
}

LRESULT TWindow::WindowProc(HWND, UINT, WPARAM, LPARAM) { return 0; }

void TWindow::Register(TWindow* instance) {
  auto& all = Instances();
  if (!instance || std::find(all.begin(), all.end(), instance) != all.end()) return;
  all.push_back(instance);
}

int TWindow::FindByHandle(HWND hwnd) {
  if (!hwnd) return -1;
  const auto& all = Instances();
  for (size_t i = 0; i < all.size(); ++i)
    if (all[i]->window == hwnd) return static_cast<int>(i);
  return -1;
}

int TWindow::InstanceCount() { return static_cast<int>(Instances().size()); }

TWindow* TWindow::InstanceAt(int index) {
  const auto& all = Instances();
  return index >= 0 && static_cast<size_t>(index) < all.size() ? all[static_cast<size_t>(index)] : nullptr;
}

LRESULT TWindow::WindowProcThunk(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  int index = FindByHandle(hwnd);
  if (index < 0) return message == WM_NCCREATE ? TRUE : 0;
  LRESULT result = Instances()[static_cast<size_t>(index)]->WindowProc(hwnd, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    // The instance may have deleted itself meanwhile: look it up again.
    int again = FindByHandle(hwnd);
    if (again >= 0) Instances()[static_cast<size_t>(again)]->window = nullptr;
  }
  return result;
}
