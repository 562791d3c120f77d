// What the project dialogs ask of the parts of the program above the view: whether the GPS port
// is open with a valid fix, and whether the construction panel or the vertex bar is on screen.
// While any of these holds the working map must stay attached. The program installs its host at
// start-up; before that (a test, a tool) the answers are "closed" and "hidden".
#pragma once

class TProjectDialogHost {
 public:
  virtual bool IsGpsPortOpen() = 0;
  // The port's current fix carries the validity letter "A".
  virtual bool HasValidFix() = 0;
  virtual bool IsToolPanelShown() = 0;
  // The vertex-editing bar has a non-zero height (it is shown).
  virtual bool IsVertexBarShown() = 0;

 protected:
  ~TProjectDialogHost() = default;
};

// Installs `host` (null: the default answers again). The host outlives its use.
void SetProjectDialogHost(TProjectDialogHost* host);
TProjectDialogHost& ProjectDialogHost();
