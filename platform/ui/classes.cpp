// Registration of the layer's window classes. They exist from the start, so that a template or
// CreateWindowExW can name "button" or "SysListView32" before anyone calls InitCommonControls.
#include "platform/ui/control.h"

namespace vplat::ui {

void RegisterButtonClasses();
void RegisterEditClass();
void RegisterListBoxClass();
void RegisterComboBoxClasses();
void RegisterListViewClass();
void RegisterScrollBarClass();
void RegisterTreeViewClass();
void RegisterTabClass();
void RegisterBarClasses();
void RegisterDateTimeClass();

void RegisterControlClasses() {
  RegisterButtonClasses();
  RegisterEditClass();
  RegisterListBoxClass();
  RegisterComboBoxClasses();
  RegisterListViewClass();
  RegisterScrollBarClass();
  RegisterTreeViewClass();
  RegisterTabClass();
  RegisterBarClasses();
  RegisterDateTimeClass();
}


namespace {
// The window manager keeps its class table in a function-local static, so this may run from a
// static constructor of the layer.
const bool kRegistered = (EnsureClasses(), true);
}  // namespace

}  // namespace vplat::ui
