// The link to a geodetic receiver that speaks GREIS over the GPS port: logging on the receiver,
// Stop&Go events, the state backup. Until the receiver dialogue is built this object only keeps
// what it is given; it sends nothing and answers no command.
#pragma once

#include <string>

class TGpsPort;

class TGreisReceiver {
 public:
  // Binds the receiver to the port and remembers the path of its state backup file.
  void Bind(TGpsPort* port, const char* backupPath);
  // Stores the antenna type name sent with Stop&Go events.
  void SetAntennaType(const char* text);
  // Sends one command line; 0: no reply came (nothing is sent yet).
  int Command(const char* line, char* reply);
  // True when the bound port is open on a GREIS receiver; every exchange asks first.
  bool IsReady() const { return false; }
  // Memory size and free bytes of the receiver's log store; true when either query answered.
  bool GetMemory(int* size, int* freeBytes);
  // Board supply voltage (volts); 0 when the receiver does not answer.
  bool GetPower(float* volts);
  void EnterCommandMode() {}
  void LeaveCommandMode() {}
  // The receiver's current log name; empty: no log is being recorded.
  void GetCurrentLog(char* buffer) const;
  void StartLogging(int /*resume*/) {}
  void StopLogging() {}

  TGpsPort* port = nullptr;
  std::string backupPath;
  std::string antennaType;
  char logName[256] = {};  // 8-bit name of the log being recorded, empty when none
};

extern TGreisReceiver g_GreisReceiver;
