// A frame of the map: preparing the maps for the map area, drawing the layers (raster maps,
// vector maps, grid, database points, scale bar) that the back buffer then captures, and the
// GPS position marker drawn last over everything.
//
// These work on the one view; they take it as their first argument.
#pragma once

#include <cstdint>

#include "platform/win.h"

class TMapView;

// The map area in client pixels: fits or keeps the view, decides which maps are in scale and in
// view, loads or frees their data, hands them the transform and prepares what they will draw.
// Draws nothing. 0.
int PrepareFrame(TMapView& view, int left, int top, int right, int bottom);
// Sets each map's in-scale flag and hands the transform to the maps whose flag changed.
void SelectMapsForView(TMapView& view, int left, int top, int right, int bottom);
// Loads the data of the maps in scale and frees that of the others. A map that cannot be loaded
// keeps its frame and is tried again when it next comes into view or its file changes; the user
// is told once until it loads. 0.
int LoadVisibleMaps(TMapView& view);
// Raster maps, vector maps, grid, database points and scale bar, and a line saying so when a
// picture could be shown only in part. 0 whatever the maps return.
int DrawLayers(TMapView& view, HDC dc);
int DrawGrid(TMapView& view, HDC dc);
int DrawScaleBar(TMapView& view, HDC dc);
int DrawGpsPosition(TMapView& view, HDC dc);
// x' = x cos(angle) + y sin(angle), y' = -x sin(angle) + y cos(angle), each cut toward zero.
// On the screen (y down) a negative angle turns clockwise.
POINT RotateArrowPoint(int32_t x, int32_t y, double angle);
// Makes the view draw its working map through the draw loop.
void InstallMapDrawing(TMapView& view);
