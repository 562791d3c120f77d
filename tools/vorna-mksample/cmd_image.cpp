// vorna-mksample jpg|tif|bmp: pattern pictures whose colour encodes the pixel position.
//
//   jpg OUT.jpg [--size W H] [--quality Q] [--progressive] [--grey]
//   tif OUT.tif [--size W H] [--tile N] [--jpeg Q] [--reduced MIN]
//   bmp OUT.bmp [--size W H] [--bits 8|24|32]
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

}  // namespace

int RunJpgCommand(int argc, char** argv) {
  if (argc < 1) return 2;
  sample::JpegSpec spec;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--size")) {
      if (!Size(argc, argv, &i, &spec.width, &spec.height) || spec.width > 65500 || spec.height > 65500) return 2;
    } else if (!std::strcmp(argv[i], "--quality") && i + 1 < argc) {
      if (!Number(argv[++i], 1, 100, &spec.quality)) return 2;
    } else if (!std::strcmp(argv[i], "--progressive")) {
      spec.progressive = true;
    } else if (!std::strcmp(argv[i], "--grey")) {
      spec.grey = true;
    } else {
      return 2;
    }
  }
  return Written(sample::WriteJpeg(argv[0], spec), argv[0]);
}

int RunTifCommand(int argc, char** argv) {
  if (argc < 1) return 2;
  sample::TiffSpec spec;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--size")) {
      if (!Size(argc, argv, &i, &spec.width, &spec.height)) return 2;
    } else if (!std::strcmp(argv[i], "--tile") && i + 1 < argc) {
      if (!Number(argv[++i], 16, 4096, &spec.tileWidth) || spec.tileWidth % 16) return 2;
      spec.tileHeight = spec.tileWidth;
    } else if (!std::strcmp(argv[i], "--jpeg") && i + 1 < argc) {
      if (!Number(argv[++i], 1, 100, &spec.jpegQuality)) return 2;
      spec.compression = sample::TiffCompression::kJpeg;
    } else if (!std::strcmp(argv[i], "--reduced") && i + 1 < argc) {
      if (!Number(argv[++i], 1, 200000, &spec.reducedDownTo)) return 2;
    } else {
      return 2;
    }
  }
  return Written(sample::WriteTiff(argv[0], spec), argv[0]);
}

int RunBmpCommand(int argc, char** argv) {
  if (argc < 1) return 2;
  sample::BmpSpec spec;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--size")) {
      if (!Size(argc, argv, &i, &spec.width, &spec.height) || int64_t(spec.width) * spec.height > (int64_t(1) << 28))
        return 2;
    } else if (!std::strcmp(argv[i], "--bits") && i + 1 < argc) {
      if (!Number(argv[++i], 8, 32, &spec.bitsPerPixel) ||
          (spec.bitsPerPixel != 8 && spec.bitsPerPixel != 24 && spec.bitsPerPixel != 32))
        return 2;
    } else {
      return 2;
    }
  }
  return Written(sample::SaveBytes(argv[0], sample::BmpBytes(spec)), argv[0]);
}
