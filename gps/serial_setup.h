// The serial set-up shared by the GPS port and the echo sounder: both receivers talk NMEA at 8N1
// without flow control, and both readers poll, so a read must return at once with what the
// device has buffered.
#pragma once

#include "platform/win.h"

// Sets the port to `baudRate` 8N1 (DTR and RTS on, no handshake) and its time-outs to
// immediate reads and writes of 10 ms a byte plus a second. False when the device refuses any of
// it; the handle stays open for the caller to close.
bool ConfigureNmeaPort(HANDLE port, DWORD baudRate);
