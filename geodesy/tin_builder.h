// The triangulation behind the rubber-sheet transform: a Delaunay triangulation of the control
// points in pixel space, built by sweeping the points in row order and repairing with edge flips.
// It lives only while a transform is built.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "geodesy/tin_geometry.h"

struct TTinPixel {
  int32_t x = 0;
  int32_t y = 0;
};

// Map coordinates in hundredths of a map unit, truncated toward zero. 64-bit: Gauss-Kruger
// eastings carry the zone in their millions and pass 2^31 hundredths from zone 21 on.
struct TTinMapPoint {
  int64_t X = 0;
  int64_t Y = 0;
};

// Three vertex indexes (from 0) into the point arrays, walked so that SignedDistance of the third
// vertex from the first two is positive.
using TTinTriangle = std::array<uint32_t, 3>;

class TTinBuilder {
 public:
  // Borrows both arrays; Triangulate reorders them in step.
  TTinBuilder(std::vector<TTinPixel>& pixels, std::vector<TTinMapPoint>& map);

  // Sorts the points by pixel row then column and triangulates them. Returns no triangles for
  // fewer than 3 distinct points or points that all lie within 1 pixel of one line.
  std::vector<TTinTriangle> Triangulate();

  // What went wrong inside the triangulation, for a debug log; empty when nothing did.
  const std::string& Log() const { return log_; }

 private:
  struct Edge {
    uint32_t a, b;  // start and end vertex
    int32_t t1;     // triangle walking a -> b, -1 for none
    int32_t t2;     // triangle walking b -> a, -1 for none (always so on the hull)
  };
  struct Slot {
    uint32_t edge;
    uint8_t dir;  // 0: walked a -> b, 1: walked b -> a
  };
  struct Triangle {
    Slot s[3];
  };

  TTinXY Pt(uint32_t v) const;
  // Sign of the side of p against a -> b: 1 inside (as a triangle walks it), 0 on the line.
  int Orient(uint32_t a, uint32_t b, uint32_t p) const;
  uint32_t SlotStart(Slot s) const;
  uint32_t SlotEnd(Slot s) const;
  uint32_t AddEdge(uint32_t a, uint32_t b);
  int32_t AddTriangle(Slot s0, Slot s1, Slot s2);
  void SetSlot(int32_t t, int k, Slot s);
  bool RotateToSlot0(int32_t t, uint32_t edge);
  void Note(const char* text);

  void SortPoints();
  bool Seed(uint32_t& s2, uint32_t& s3);
  void Insert(uint32_t p);
  void InsertInside(uint32_t p);
  void Fan(uint32_t p, size_t first, size_t count);
  int32_t SplitHullEdge(size_t hullPos, uint32_t p);
  void SplitInnerEdge(uint32_t e, uint32_t p);
  void SplitTriangle(int32_t t, uint32_t p);
  void Flip(uint32_t e, int depth);
  bool TooThin() const;

  std::vector<TTinPixel>& pixels_;
  std::vector<TTinMapPoint>& map_;
  std::vector<uint32_t> hull_;  // edge numbers around the hull, each end to the next start
  std::vector<Edge> edges_;
  std::vector<Triangle> triangles_;
  bool stop_ = false;
  std::string log_;
};
