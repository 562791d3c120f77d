// The exports of the raster-map library Tilvex, which the program loads by name for each use.
// Both sides keep their own memory: the caller owns the two 256-byte result buffers.
#pragma once

// The size of each result buffer of Show, in bytes: at most 255 characters and a terminator.
inline constexpr int kTilvexBufferBytes = 256;

extern "C" {
// (0, map path or null, x, y, text or null, text or null, out map path, out point name). With a
// null map path the chooser runs first, then the viewer. The low byte of the result is 1 when a
// point was picked, else 0.
typedef int (*TTilvexShow)(int mode, const char* mapPath, double x, double y, const char* text1,
                           const char* text2, char* chosenMap, char* chosenPoint);
// (map path, point name, text1, text2): attaches the two texts to the named point; 1 when found.
// Its presence marks a valid library; the program never calls it.
typedef int (*TTilvexLink)(const char* mapPath, const char* pointName, const char* text1,
                           const char* text2);
}
