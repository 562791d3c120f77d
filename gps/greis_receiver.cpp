#include "gps/greis_receiver.h"


void TGreisReceiver::Bind(TGpsPort* p, const char* path) {
  port = p;
  backupPath = path ? path : "";
}

void TGreisReceiver::SetAntennaType(const char* text) { antennaType = text ? text : ""; }

int TGreisReceiver::Command(const char* /*line*/, char* reply) {
  if (reply) reply[0] = 0;
  return 0;
}

void TGreisReceiver::GetCurrentLog(char* buffer) const {
  if (buffer) buffer[0] = 0;  // logName stays empty until logging exists
}

bool TGreisReceiver::GetMemory(int*, int*) { return false; }

bool TGreisReceiver::GetPower(float*) { return false; }
