// vorna-mksample jpg|tif|bmp: pattern pictures whose colour encodes the pixel position.
//
//   jpg OUT.jpg [--size W H] [--quality Q] [--progressive] [--grey] [--at TOP LEFT SIZE]
//   tif OUT.tif [--size W H] [--tile N] [--jpeg Q] [--reduced MIN] [--at TOP LEFT SIZE]
//   bmp OUT.bmp [--size W H] [--bits 8|24|32] [--at TOP LEFT SIZE]
//
// --at writes the picture's ".@@@" calibration beside it: pixel (0, 0) at plane (TOP, LEFT)
// (northing, zone-prefixed easting), SIZE metres per pixel, north up; two points at opposite
// corners.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tools/sampledata/image_writer.h"
#include "tools/sampledata/mol_writer.h"
#include "tools/vorna-mksample/commands.h"

namespace {

bool Number(const char* text, long min, long max, int* out) {
  char* end = nullptr;
  long v = std::strtol(text, &end, 10);
  if (!end || *end || end == text || v < min || v > max) return false;
  *out = int(v);
  return true;
}

// Reads "--size W H" at argv[*i]; false on a bad value.
bool Size(int argc, char** argv, int* i, int* w, int* h) {
  return *i + 2 < argc && Number(argv[*i + 1], 1, 200000, w) && Number(argv[*i + 2], 1, 200000, h) && (*i += 2, true);
}

int Written(bool ok, const char* path) {
  if (ok) return 0;
  std::fprintf(stderr, "vorna-mksample: cannot write %s\n", path);
  return 1;
}

struct Placement {
  bool wanted = false;
  double top = 0, left = 0, size = 0;
};

// Reads "--at TOP LEFT SIZE" at argv[*i]; false on a bad value.
bool At(int argc, char** argv, int* i, Placement* at) {
  if (*i + 3 >= argc) return false;
  char* end = nullptr;
  double v[3];
  for (int k = 0; k < 3; ++k) {
    v[k] = std::strtod(argv[*i + 1 + k], &end);
    if (!end || *end || !std::isfinite(v[k])) return false;
  }
  if (!(v[2] > 0)) return false;
  *at = Placement{true, v[0], v[1], v[2]};
  *i += 3;
  return true;
}

// The ".@@@" companion of `picture` for a w x h picture placed by `at`.
bool WriteCalibration(const std::string& picture, int w, int h, const Placement& at) {
  if (!at.wanted) return true;
  std::string path = picture;
  size_t dot = path.rfind('.'), slash = path.rfind('/');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) path.resize(dot);
  path += ".@@@";
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  std::fprintf(f, "0 0 0 0 0 0 0 0 0\n0 0 0 0 0 0 0 0 0\n0 0 %.3f %.3f\n%d %d %.3f %.3f", at.top, at.left, w, h,
               at.top - h * at.size, at.left + w * at.size);
  return std::fclose(f) == 0;
}

}  // namespace

int RunJpgCommand(int argc, char** argv) {
  if (argc < 1) return 2;
  sample::JpegSpec plan;
  Placement at;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--size")) {
      if (!Size(argc, argv, &i, &plan.width, &plan.height) || plan.width > 65500 || plan.height > 65500) return 2;
    } else if (!std::strcmp(argv[i], "--quality") && i + 1 < argc) {
      if (!Number(argv[++i], 1, 100, &plan.quality)) return 2;
    } else if (!std::strcmp(argv[i], "--progressive")) {
      plan.progressive = true;
    } else if (!std::strcmp(argv[i], "--grey")) {
      plan.grey = true;
    } else if (!std::strcmp(argv[i], "--at")) {
      if (!At(argc, argv, &i, &at)) return 2;
    } else {
      return 2;
    }
  }
  return Written(sample::WriteJpeg(argv[0], plan) && WriteCalibration(argv[0], plan.width, plan.height, at), argv[0]);
}

int RunTifCommand(int argc, char** argv) {
  if (argc < 1) return 2;
  sample::TiffSpec plan;
  Placement at;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--size")) {
      if (!Size(argc, argv, &i, &plan.width, &plan.height)) return 2;
    } else if (!std::strcmp(argv[i], "--tile") && i + 1 < argc) {
      if (!Number(argv[++i], 16, 4096, &plan.tileWidth) || plan.tileWidth % 16) return 2;
      plan.tileHeight = plan.tileWidth;
    } else if (!std::strcmp(argv[i], "--jpeg") && i + 1 < argc) {
      if (!Number(argv[++i], 1, 100, &plan.jpegQuality)) return 2;
      plan.compression = sample::TiffCompression::kJpeg;
    } else if (!std::strcmp(argv[i], "--reduced") && i + 1 < argc) {
      if (!Number(argv[++i], 1, 200000, &plan.reducedDownTo)) return 2;
    } else if (!std::strcmp(argv[i], "--at")) {
      if (!At(argc, argv, &i, &at)) return 2;
    } else {
      return 2;
    }
  }
  return Written(sample::WriteTiff(argv[0], plan) && WriteCalibration(argv[0], plan.width, plan.height, at), argv[0]);
}

int RunBmpCommand(int argc, char** argv) {
  if (argc < 1) return 2;
  sample::BmpSpec plan;
  Placement at;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--size")) {
      if (!Size(argc, argv, &i, &plan.width, &plan.height) || int64_t(plan.width) * plan.height > (int64_t(1) << 28))
        return 2;
    } else if (!std::strcmp(argv[i], "--bits") && i + 1 < argc) {
      if (!Number(argv[++i], 8, 32, &plan.bitsPerPixel) ||
          (plan.bitsPerPixel != 8 && plan.bitsPerPixel != 24 && plan.bitsPerPixel != 32))
        return 2;
    } else if (!std::strcmp(argv[i], "--at")) {
      if (!At(argc, argv, &i, &at)) return 2;
    } else {
      return 2;
    }
  }
  return Written(
      sample::SaveBytes(argv[0], sample::BmpBytes(plan)) && WriteCalibration(argv[0], plan.width, plan.height, at),
      argv[0]);
}
