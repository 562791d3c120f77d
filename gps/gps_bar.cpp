#include "gps/gps_bar.h"

#include <cctype>

#include "base/input_mode.h"
#include "base/ui/panel_window.h"

std::string g_DefaultPointName;

HWND TGpsBar::Create(HWND mainWindow, HINSTANCE instance) {
  window = panel_window::Create(mainWindow, instance, 0);
  return window;
}

void TGpsBar::Show(int on) {
  if (window) ShowWindow(window, on ? SW_SHOW : SW_HIDE);
}

void TGpsBar::Move(int top) {
  if (window) SetWindowPos(window, nullptr, 0, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

int TGpsBar::GetHeight() const { return panel_window::Height(window); }

void TGpsBar::ToggleMode() {
  SetInputMode(GetInputMode() == input_mode::kNormal ? input_mode::kNavigationPoint
                                                     : input_mode::kNormal);
}

void TGpsBar::SetValues(int warning, int stop) {
  warningSeconds = warning;
  stopSeconds = stop;
}

void AdvancePointName(int step) {
  std::string& name = g_DefaultPointName;
  size_t digits = name.size();
  while (digits > 0 && std::isdigit(static_cast<unsigned char>(name[digits - 1]))) --digits;
  if (digits == name.size()) {
    if (step > 0) name += "1";
    return;
  }
  // The number keeps its width when it shrinks ("007" - 1 is "006").
  std::string number = name.substr(digits);
  long long value = 0;
  for (char c : number) value = value * 10 + (c - '0');
  if (value > 999999999) return;  // no overflow into a different name
  value += step;
  if (value < 0) value = 0;
  std::string text = std::to_string(value);
  if (text.size() < number.size()) text.insert(0, number.size() - text.size(), '0');
  name = name.substr(0, digits) + text;
}
