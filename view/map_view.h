// The map view, which is also the open project: the vector and raster maps in drawing order,
// the shared palette and object libraries, the display switches, the screen <-> plane <->
// geodetic chain with its scale, the GPS marker state and the highlight list.
//
// Invariants:
// - The view owns every map in its two lists and the database layer. When a working map
//   exists it is the last vector map.
// - A map the working-map layer holds is never deleted behind the layer's back: the layer is
//   closed (and so saves once) before the view deletes that map, and a map whose save failed
//   is not deleted at all (the layer keeps it).
// - Indexes outside 0 .. count - 1 (negative ones included) name no map: the operation does
//   nothing and answers 0, -1 or null.
// - Plane coordinates are metres, X northing (up on the screen), Y easting with the zone in the
//   millions; k (pixelsPerMetre) is screen pixels per plane metre, 0 before the first fit.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "maps/font_table.h"
#include "maps/mdm_map.h"
#include "maps/object_library.h"
#include "maps/palette.h"
#include "maps/user_layer.h"
#include "platform/win_types.h"
#include "view/db_layer_holder.h"
#include "view/file_stamp.h"
#include "view/highlight.h"
#include "view/point_lists.h"
#include "view/raster_holder.h"

class TBackBuffer;
class TMapView;

// Optional source of the point on which SetScale re-centres (tools point, edited vertex, GPS
// position); it may replace the centre it is given.
typedef void (*TPositionHook)(double* planeX, double* planeY);
// Draws a map with the working-map mark; installed by the map drawing.
typedef void (*TDrawWorkingMapFn)(TMapView* view, TMdmMap* map, HDC dc);

// One vector map of the project with the per-map fields of the project file.
struct TVectorMapSlot {
  std::unique_ptr<TMdmMap> map;
  int32_t minScale = 0, maxScale = 0;  // scale denominators, 0 = no limit
  int32_t inScale = 0, prevInScale = 0;
  TLoadFailure loadFailure;  // objects that would not load when the map came into view
};

// The 21 fixed scale denominators, ascending.
extern const int32_t kScaleTable[21];
// The table entry after / before s (the ends stay); -1 when s is no entry.
int32_t NextScale(int32_t s);
int32_t PrevScale(int32_t s);
// The nearest entry; a tie goes up; with `upward` the entry above (an exact entry: the next).
int32_t NearestScale(int32_t s, int upward);

// Override conversions of the active raster map (do nothing while none is remembered).
void RasterPlaneToScreen(double x, double y, int32_t* sx, int32_t* sy);
void RasterScreenToPlane(int32_t sx, int32_t sy, double* x, double* y);

class TMapView {
 public:
  TMapView();
  ~TMapView();
  TMapView(const TMapView&) = delete;
  TMapView& operator=(const TMapView&) = delete;

  // ---- start-up ----
  // 0, or 6 when the palette cannot be read (after the message and the remaining steps).
  int LoadStartupResources(const char* programFolderPath, TBackBuffer* buffer);
  void ReadScreenResolution(HWND window);
  // 0; the layer is made once (when a factory is installed) and takes the path each time.
  int CreateDbLayer(const char* databasePath, TGeoToScreenFn toScreen, TScreenToGeoFn toGeo);

  // ---- map lists ----
  int AddVectorMap(const char* filePath, int fit);
  TMdmMap* CreateVectorMap(const char* filePath, const char* libraryName);
  int LoadVectorMapObjects(int i);
  int AddRasterMap(const char* filePath, int fit);
  int ActivateRasterMap(int i);
  int SetActiveRasterMap(int i);
  int ActivateLastRasterMap();
  TMdmMap* GetVectorMap(int i) const;
  TVectorMapSlot* GetVectorSlot(int i);
  TRasterMap* GetRasterMap(int i) const;
  int GetVectorMapCount() const { return int(vectorMaps.size()); }
  int GetRasterMapCount() const { return int(rasterMaps.size()); }
  TMdmMap* FindVectorMapByPath(const char* name) const;
  int FindVectorMapByName(const char* name);
  int FindVectorMapIndex(const char* filePath) const;
  // The raster map listed under the path (without regard to case), or -1.
  int FindRasterMapIndex(const char* filePath) const;
  int IsWorkingMap(int i) const;
  int IsVectorMapSaved(int i) const;
  int RemoveVectorMap(int i);
  int MoveVectorMap(int from, int to);
  int MoveVectorMapToEnd(int i);
  int RemoveRasterMap(int i);
  int MoveRasterMap(int from, int to);
  void CloseAllMaps();
  void KeepWorkingMapOnly();
  int SetMapLibrary(int i, const char* libraryName);
  // Lists the raster maps, the vector maps, then the kept lines of maps not opened (marked as
  // not found); the counts are of the maps alone, so kept rows follow row rasterCount +
  // vectorCount.
  void FillMapListBox(HWND listBox, int* rasterCount, int* vectorCount) const;
  // The kept lines of maps not opened: their number, and removal of one (the user gave it up).
  int GetUnopenedLineCount() const { return int(unopenedLines.size()); }
  void RemoveUnopenedLine(int i);
  // Drops the kept lines of the map at the path: it was added again.
  void DropUnopenedLine(const char* filePath);

  // ---- display switches: 1 when the value changed ----
  int SetFill(int on);
  int SetMarking(int on);
  int SetGrid(int on);
  int ShowVectorMaps(int on);
  int ShowRasterMaps(int on);
  int AreVectorMapsShown() const { return vectorShown; }
  int AreRasterMapsShown() const { return rasterShown; }
  int SetDbPointsMode(int mode);

  // ---- objects by map name ----
  int SelectObjectInMap(const char* mapName, uint16_t object);
  int CenterOnObject(uint16_t object);
  // Objects within `tolerancePx` of a screen point in map `mapIndex` (-1: every map in scale),
  // map by map and in object order, at most `capacity` (view/map_pick.cpp).
  int FindObjectsAt(int mapIndex, int32_t screenX, int32_t screenY, TObjectRef* out, int capacity,
                    double tolerancePx, int kindFilter);
  int GetObjectCenter(uint16_t object, double* x, double* y) const;
  int GetObjectCenterInMap(const char* mapName, uint16_t object, double* x, double* y);

  // ---- highlights ----
  int AddHighlight(const TObjectRef& ref);
  int FindHighlight(const TObjectRef& ref) const;
  void ClearHighlights();
  int GetHighlightCount() const { return int(highlights.size()); }

  // ---- GPS marker ----
  void SetGpsState(uint8_t state) { gpsState = state; }
  // 1 when the marker moved, 0 when the position is within 3.1415926e-07 rad of the last one.
  int UpdateGpsPosition(double latitude, double longitude, double course, double altitude,
                        int* changed, RECT* rect, double* x, double* y);

  // ---- project file ----
  // Results besides 0: the project cannot be opened for reading, or written; the file is no
  // project (its corners do not read, or none of its lines is a map line): refused with a
  // message naming it, the maps open left as they were.
  static constexpr int kProjectNotOpened = 7;
  static constexpr int kProjectNotAProject = 8;
  static constexpr int kProjectNotWritten = 9;
  // `sayNotOpened` false: the maps that do not open are kept without a box (the project editor's
  // Cancel puts back a project whose missing maps the user has already been told of).
  int OpenProject(const char* filePath, TUserLayer* layer, int keepWorkingMap, bool sayNotOpened = true);
  int SaveProject(const char* filePath);
  int OpenFile(const char* filePath, TUserLayer* layer, int fit);

  // ---- coordinate chain ----
  void PlaneToScreen(double x, double y, int32_t* sx, int32_t* sy, int useOverride) const;
  void PlaneToScreenPoint(double x, double y, POINT* p) const;
  void ScreenToPlane(int32_t sx, int32_t sy, double* x, double* y, int useOverride) const;
  // False, outputs untouched (and an unset zone still unset), when the point cannot be converted.
  bool GeoToPlane(double latitude, double longitude, double* x, double* y);
  bool PlaneToGeo(double x, double y, double* latitude, double* longitude) const;
  int32_t GetScale() const { return scale; }
  void SetTransformCallbacks(TPlaneToScreenHook toScreen, TScreenToPlaneHook toPlane);
  int UpdateLayers(int reset);
  void SetScale(int32_t s);
  double SetPixelScale(double k);
  double SnapPixelScale(double k);
  void ZoomIn();
  void ZoomOut();
  void ZoomToScreenRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
  void ZoomToAll();
  void ShowRect(double x1, double y1, double x2, double y2);
  // The union of the maps' frames (vector maps, or the raster maps when there is none); a frame
  // with X1 and X2 both 0 (a map that failed to load) is skipped. All zeros when none is left.
  void GetExtents(double out[6]);
  void GetCenter(double* x, double* y, int plain) const;
  void CenterOn(double x, double y, int noUpdate);
  void MoveView(int32_t x, int32_t y, int update);
  int EnsureVisible(double x, double y);
  void UpdateViewZone();
  void InitViewFromExtent();

  // ---- view preparation ----
  // TMdmMap::PrepareView of a map for the rectangle; what the working-map layer asks for.
  void PrepareMap(TMdmMap* map, const RECT& rect);
  // The working-map layer reaches the view through this.
  IWorkingMapHost* WorkingMapHost() { return &host; }

  // ---- fields ----
  uint8_t zone = 255;               // Gauss-Kruger zone of the view, 255 = not set
  char projectFolder[256] = {};     // folder of the last project read, separator kept
  int32_t showVertices = 0;
  int32_t currentVertex = -1;
  int32_t currentCalibrationPoint = 0;
  TPositionHook positionHook = nullptr;
  double lastFixLatitude = 0, lastFixLongitude = 0;  // radians
  RECT viewRect = {0, 0, 0, 0};
  double extent[6] = {6170000.0, 7407000.0, 0, 6172000.0, 7409000.0, 0};
  int32_t followGps = 0;
  int32_t centreOnGps = 0;
  double gpsX = 0, gpsY = 0;
  double gpsCourse = 0;  // degrees clockwise from north
  double gpsAltitude = 0;
  uint8_t gpsState = 0;  // 0 no marker, 1 valid fix, 2 no valid fix
  int32_t gpsOffsetX = 0, gpsOffsetY = 0;  // whole metres, set by start-up
  int32_t followMargin = 50;  // pixels
  int32_t lookAhead = 50;     // pixels
  int32_t currentMark = 0;
  TViewLists lists;  // markers and the active raster map's calibration points
  TBackBuffer* backBuffer = nullptr;
  double pixelsPerMetre = 0;  // k
  double originX = 0, originY = 0;  // plane point at screen x 0, y bottom
  TPlaneToScreenHook planeToScreenOverride = nullptr;
  TScreenToPlaneHook screenToPlaneOverride = nullptr;
  int32_t viewInitialised = 0;
  int32_t transformsValid = 0;
  int32_t layersReset = 0;
  int32_t scale = 0;
  int32_t fill = 1;
  int32_t marking = 0;
  int32_t grid = 0;
  int32_t vectorShown = 1;
  int32_t rasterShown = 1;
  int32_t dbPointsMode = 0;
  double devicePixelsPerMetre = 0;
  int32_t foundMap = 0;
  std::vector<TObjectRef> highlights;
  int32_t activeRaster = -1;
  char programFolder[256] = {};
  TPalette palette;
  TFontTable fonts;
  TObjectLibraryList libraries;
  std::vector<TVectorMapSlot> vectorMaps;  // drawing order, the working map last
  std::vector<std::unique_ptr<TRasterMap>> rasterMaps;
  std::unique_ptr<TDbLayer> dbLayer;
  // A project line whose map could not be opened: kept as read and written back by SaveProject
  // before the map it stood before (`before` counts the maps of its kind opened ahead of it), so
  // that a card out at start costs the project nothing. `working`: the file's working map.
  struct TUnopenedLine {
    std::string text;
    bool raster;
    int before;
    bool working;
    std::string path;  // the map's whole path, as the line names it
  };
  std::vector<TUnopenedLine> unopenedLines;  // emptied with the maps (CloseAllMaps, KeepWorkingMapOnly)
  // The layer whose working map the view protects; the program's one layer unless told.
  TUserLayer* workingLayer = &g_UserLayer;
  TDrawWorkingMapFn drawWorkingMap = nullptr;

 private:
  class Host : public IWorkingMapHost {
   public:
    explicit Host(TMapView* v) : view(v) {}
    TMdmMap* GetVectorMap(int number) override { return view->GetVectorMap(number); }
    void LoadVectorMapObjects(int number) override { view->LoadVectorMapObjects(number); }
    void PrepareMap(TMdmMap* map, const RECT& rect) override { view->PrepareMap(map, rect); }
    void DrawWorkingMap(TMdmMap* map, HDC dc) override {
      if (view->drawWorkingMap) view->drawWorkingMap(view, map, dc);
    }

   private:
    TMapView* view;
  };

  // Closes the working-map layer first when it holds `map`; false when the layer kept it (its save failed), and the map must then stay.
  bool ReleaseFromLayer(TMdmMap* map);
  // Highlights name their map by its place in the list. When places change, each highlight
  // follows its map to `places[old place]` (-1: the map is gone, and so is the highlight), so
  // none lands on another map's object. A place out of the old list's range is left as it is.
  void FollowMapPlaces(const std::vector<int>& places);
  // The extent of a map's objects (smallest and largest plane X and Y of their first corners).
  bool ObjectCenter(int mapIndex, uint16_t object, double* x, double* y) const;

  Host host{this};
};

// The program's one map view and project.
extern TMapView g_MapView;
