/* The image module Pelnor, loaded by name at run time: the records both sides exchange and the
 * four entry points. One C header for the module, the program and the raster-map library.
 *
 * Ownership: every block that crosses is taken with malloc and given back with free. The program
 * allocates the first record and its 52-byte bitmap header; the module allocates the chained
 * records (reduced levels) with their headers, the tile tables and all pixels. Whoever closes a
 * picture frees everything reachable from the first record.
 *
 * Pixels are 32 bits, bottom-up, BI_BITFIELDS with the red, green and blue masks 0x00FF0000,
 * 0x0000FF00, 0x000000FF. A tile's pixels fill a full tile-sized buffer: a tile of the last row,
 * h rows high, holds its rows at the end of the buffer (source y = tile height - h in a bottom-up
 * StretchDIBits), and a tile of the last column holds its pixels at the left of each row.
 *
 * Results: 0 success, 1 bad picture, 2 cannot open, 3 no memory. */
#ifndef VORNA_IMAGELIB_PELNOR_H
#define VORNA_IMAGELIB_PELNOR_H

#include <stdint.h>

#ifdef __cplusplus
#include "platform/win_types.h"
#else
typedef struct HDC__* HDC;
typedef struct HBITMAP__* HBITMAP;
#endif

#ifdef __cplusplus
extern "C" {
#endif

enum {
  PELNOR_OK = 0,
  PELNOR_BAD_PICTURE = 1,
  PELNOR_CANNOT_OPEN = 2,
  PELNOR_NO_MEMORY = 3
};

/* Size of the bitmap header block: a 40-byte information header and three colour masks. */
#define PELNOR_HEADER_BYTES 52

typedef struct PelnorTile {
  int32_t wanted;  /* written by the program before each tile load: 1 wanted, 0 not */
  void* pixels;    /* the tile's pixels, or null */
  int32_t x;       /* in the pixels of this tile's record (its level's grid) */
  int32_t y;
  int16_t width;   /* the part of the tile inside the picture */
  int16_t height;
} PelnorTile;

typedef struct PelnorImage {
  uint8_t format;        /* the module's: which decoder reads the file */
  int32_t tiled;         /* non-zero: read in tiles; zero: loaded whole */
  int32_t width;         /* of this record's level, in pixels */
  int32_t height;
  void* header;          /* PELNOR_HEADER_BYTES: bitmap header of the pixels or of a full tile */
  void* pixels;          /* a whole picture's pixels */
  PelnorTile* tiles;     /* tile table, row by row */
  int32_t tileCount;
  int16_t tileWidth;
  int16_t tileHeight;
  int32_t level;         /* the module's: directory number or scale divisor of this level */
  struct PelnorImage* next; /* the next smaller level, or null */
} PelnorImage;

#if defined(__cplusplus) || (defined(__STDC_VERSION__) && __STDC_VERSION__ >= 201112L)
#ifdef __cplusplus
#define PELNOR_ASSERT static_assert
#else
#define PELNOR_ASSERT _Static_assert
#endif
PELNOR_ASSERT(sizeof(void*) == 8, "the records are laid out for 64-bit pointers");
PELNOR_ASSERT(sizeof(PelnorTile) == 32, "tile entry layout");
PELNOR_ASSERT(__builtin_offsetof(PelnorTile, pixels) == 8, "tile entry layout");
PELNOR_ASSERT(__builtin_offsetof(PelnorTile, width) == 24, "tile entry layout");
PELNOR_ASSERT(sizeof(PelnorImage) == 64, "image record layout");
PELNOR_ASSERT(__builtin_offsetof(PelnorImage, tiled) == 4, "image record layout");
PELNOR_ASSERT(__builtin_offsetof(PelnorImage, header) == 16, "image record layout");
PELNOR_ASSERT(__builtin_offsetof(PelnorImage, tileCount) == 40, "image record layout");
PELNOR_ASSERT(__builtin_offsetof(PelnorImage, tileWidth) == 44, "image record layout");
PELNOR_ASSERT(__builtin_offsetof(PelnorImage, next) == 56, "image record layout");
#undef PELNOR_ASSERT
#endif

/* Fills the record's size, format and, for a tiled picture, its levels and tile tables (no
 * pixels). The record comes zeroed with its header block attached. */
typedef int (*TLoadMapImageHead)(const char* path, PelnorImage* image);
/* Decodes the whole picture of an untiled record into `pixels`. */
typedef int (*TLoadMapImageFull)(const char* path, PelnorImage* image);
/* Decodes the wanted tiles of one record that lack pixels, keeps the wanted ones it holds and
 * frees the others. */
typedef int (*TLoadMapImageTiles)(const char* path, PelnorImage* image);
/* Decodes a picture scaled to fit max width x max height into a DIB section made for `dc`; the
 * caller owns the bitmap. */
typedef int (*TLoadMapImage)(const char* path, HDC dc, int maxWidth, int maxHeight,
                             HBITMAP* bitmap, int* width, int* height);

int LoadMapImageHead(const char* path, PelnorImage* image);
int LoadMapImageFull(const char* path, PelnorImage* image);
int LoadMapImageTiles(const char* path, PelnorImage* image);
int LoadMapImage(const char* path, HDC dc, int maxWidth, int maxHeight, HBITMAP* bitmap,
                 int* width, int* height);

#ifdef __cplusplus
}
#endif

#endif
