// Drawing of one prepared vector map, and the highlight of one of its objects.
#pragma once

#include <cstdint>

#include "platform/win.h"

class TMdmMap;
struct TMapObject;

// Sets the clip window from the map's view rectangle and draws every visible object (in-view
// and level-of-detail flags both set): with `byKind` all areas, lines, points, then texts,
// results ignored; else one pass in index order that stops at the first object whose drawing
// fails and returns that result. Vertex marks (marking on) and, for a working map, the frame
// of its extent follow in both cases. 0 for a map that is not loaded.
int DrawVectorMap(TMdmMap* map, HDC dc, int byKind);
// The frame of the map's extent: black, 3 pixels wide.
void DrawMapExtentFrame(TMdmMap* map, HDC dc);
// The marking-mode marks of one object; 3 when its point array cannot be made.
int DrawVertexMarks(TMdmMap* map, HDC dc, TMapObject* object);
// The highlight of object `index`: red circle and ticks with the tag for a point, a wide red
// line for the rest, and the vertices when `showVertices` is set (`currentVertex` filled red).
// 3 when its point array cannot be made; nothing for an index past the objects.
int DrawSelectedObject(TMdmMap* map, HDC dc, uint16_t index, const char tag[4], int showVertices,
                       int currentVertex);
