// What a map file looked like when it last failed to load: present or not, its size and its last
// write time. A map that failed is read again when it comes into view again, or sooner when its
// file changes (a storage card put back, a copy finished): comparing stamps costs one directory
// look-up a frame, where reading a large map again would cost the whole file.
#pragma once

#include <cstdint>

struct TFileStamp {
  bool present = false;
  uint64_t size = 0;
  uint64_t written = 0;  // 100 ns units

  // The stamp of the file at an 8-bit device path now.
  static TFileStamp Of(const char* path);
  bool operator==(const TFileStamp& o) const {
    return present == o.present && size == o.size && written == o.written;
  }
};

// A map's record of failed loads, kept with the map by the view.
struct TLoadFailure {
  int32_t failed = 0;  // the last load failed; not tried again until it leaves the view or its file changes
  int32_t told = 0;    // the user has been told, once, until the map loads
  TFileStamp stamp;    // the file as it was at that failure

  // True when a map in view should be tried (again) now.
  bool ShouldTry(const char* path) const { return !failed || !(TFileStamp::Of(path) == stamp); }
  // Records a failure; true when the user has not been told yet (and now counts as told).
  bool Failed(const char* path) {
    failed = 1;
    stamp = TFileStamp::Of(path);
    if (told) return false;
    told = 1;
    return true;
  }
  void Loaded() { failed = told = 0; }
  // The map left the view: the next time it comes into view it is read again.
  void LeftView() { failed = 0; }
};
