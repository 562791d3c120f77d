// The hardware-button table: which action each hardware key runs. Not built yet: Load reads
// nothing and the table stays empty.
#pragma once

class TButtonTable {
 public:
  void Load() {}
  int count = 0;
};

extern TButtonTable g_ButtonTable;
