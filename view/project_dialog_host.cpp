#include "platform/fresh_state.h"
#include "view/project_dialog_host.h"


namespace {

class TIdleHost final : public TProjectDialogHost {
 public:
  bool IsGpsPortOpen() override { return false; }
  bool HasValidFix() override { return false; }
  bool IsToolPanelShown() override { return false; }
  bool IsVertexBarShown() override { return false; }
};

TIdleHost g_idleHost;
TProjectDialogHost* g_host = &g_idleHost;
const vplat::FreshStateHook kFresh(4, [] { g_host = &g_idleHost; });

}  // namespace

void SetProjectDialogHost(TProjectDialogHost* host) { g_host = host ? host : &g_idleHost; }

TProjectDialogHost& ProjectDialogHost() { return *g_host; }
