// What the settings pages need of the program's top: re-applying the settings to the running
// program, the echo sounder's start and stop, the track-recording switch and the elevation mask
// that the navigation start otherwise reads from the receiver. app/ installs its host at
// start-up; until then (and in tests that install nothing) a host answers that does nothing and
// reports the echo sounder closed.
#pragma once

#include "platform/win_types.h"

class ISettingsHost {
 public:
  // View, GPS offset, almanac base, working map, sight rings, autosave and automatic actions
  // from the store.
  virtual void ApplyViewSettings() = 0;
  // Opens (1) or closes (0) the echo sounder on the port the store names; 1 when it is open
  // afterwards.
  virtual int OpenEchoPort(HWND owner, int open) = 0;
  // "NaviSaveLog" changed: the menu, the bar and a running track follow it.
  virtual void UpdateTrackLogMenu() = 0;
  // The receiver's elevation mask, degrees, as the geodesy page has just written it.
  virtual void SetElevationMask(double degrees) = 0;

 protected:
  ~ISettingsHost() = default;
};

// Installs `host` (null: the host that does nothing again). The host outlives its use.
void SetSettingsHost(ISettingsHost* host);
ISettingsHost& SettingsHost();
