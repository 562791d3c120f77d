#include "gps/serial_setup.h"

bool ConfigureNmeaPort(HANDLE port, DWORD baudRate) {
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(port, &dcb)) return false;
  dcb.BaudRate = baudRate;
  dcb.fBinary = 1;
  dcb.fParity = 1;
  dcb.Parity = NOPARITY;
  dcb.ByteSize = 8;
  dcb.StopBits = ONESTOPBIT;
  dcb.fOutxCtsFlow = 0;
  dcb.fOutxDsrFlow = 0;
  dcb.fDtrControl = DTR_CONTROL_ENABLE;
  dcb.fDsrSensitivity = 0;
  dcb.fTXContinueOnXoff = 1;
  dcb.fOutX = 0;
  dcb.fInX = 0;
  dcb.fErrorChar = 0;
  dcb.fNull = 0;
  dcb.fRtsControl = RTS_CONTROL_ENABLE;
  dcb.fAbortOnError = 0;
  if (!SetCommState(port, &dcb)) return false;

  COMMTIMEOUTS t{};
  if (!GetCommTimeouts(port, &t)) return false;
  t.ReadIntervalTimeout = MAXDWORD;  // a read returns at once with what is buffered
  t.ReadTotalTimeoutMultiplier = 0;
  t.ReadTotalTimeoutConstant = 0;
  t.WriteTotalTimeoutMultiplier = 10;
  t.WriteTotalTimeoutConstant = 1000;
  return SetCommTimeouts(port, &t);
}
