// One vector map in memory and its file.
//
// Invariants the code relies on:
// - objects[0] is always a placeholder record of code 0; objects read from the file start at
//   index 1. The array never holds more than 65536 records, so every index fits a uint16.
// - The 77 header bytes are kept as read and written back; the fields this class changes
//   (flags, table end, lengths, count, frame of a new map) are patched into them.
// - Attribute lists are the packed bytes of the file; their lengths are uint16.
// - Map units are int32 offsets from the frame origin, never negative; one unit is exactly
//   10^(e-3) metres, e the header's unit exponent. The float `unit` is kept for callers that
//   read it, but every conversion uses the exact power of ten in double.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "maps/attr_list.h"
#include "maps/map_object.h"
#include "maps/mdm_format.h"

class TObjectLibrary;
class TObjectLibraryList;
struct TOwnerDrawRow;  // base/ui/owner_draw_list.h

// Screen hooks of the view: when set they replace the linear plane-to-screen step.
typedef void (*TPlaneToScreenHook)(double planeX, double planeY, int32_t* screenX,
                                   int32_t* screenY);
typedef void (*TScreenToPlaneHook)(int32_t screenX, int32_t screenY, double* planeX,
                                   double* planeY);

// What the view hands every map before drawing.
struct TMapViewDesc {
  int32_t left, top, right, bottom;
  double originX, originY;  // plane position at the rectangle's bottom edge and screen x 0
  double pixelsPerMetre;
  TPlaneToScreenHook toScreen;
  TScreenToPlaneHook toPlane;
};

// {view-scale threshold, nominal scale}, ascending by threshold (from the project file).
struct TScalePair {
  int32_t threshold;
  int32_t scale;
};

// Result codes of map files.
enum : int { kMdmOk = 0, kMdmFormat = 1, kMdmNoFile = 2, kMdmNoMemory = 3, kMdmNoLibrary = 5 };

// What the drawing of one map needs besides its data: the symbol scale the draw loop computes
// before each map (read again by labels and picking) and the fill and marking switches the view
// copies in before drawing. Never stored in the file.
struct TMapDrawState {
  float symbolScale = 0.0f;  // screen pixels per millimetre of the map at its nominal scale
  int32_t fill = 1;          // areas are filled
  int32_t marking = 0;       // vertices of all objects are marked
};

class TMdmMap {
 public:
  // Index of a record that cannot exist; the largest valid index is 65535.
  static constexpr int32_t kMaxRecords = 65536;
  // A vertex array holds at most this many vertices (its count was 16 bits in the file's era).
  static constexpr int32_t kMaxVertices = 65535;

  TMdmMap();
  ~TMdmMap();
  TMdmMap(const TMdmMap&) = delete;
  TMdmMap& operator=(const TMdmMap&) = delete;

  // ---- file ----
  int OpenHeader(const char* filePath);
  int Load();
  void BuildGroups();
  int Save(const char* filePath, int regroup);
  // Objects the last save wrote back as stored because they are damaged or unreadable.
  int32_t damagedObjects = 0;
  // False when the new array could not be made (the order is then unchanged).
  bool RegroupByKind();
  void Close();
  void FreeItems();
  int BindLibrary(TObjectLibraryList* list);
  TObjectLibrary* GetLibrary() const { return library; }
  void MarkSaved() { header[mdm::kOffFlags] |= mdm::kFlagWritten; }
  bool IsSavedFlag() const { return (header[mdm::kOffFlags] & mdm::kFlagWritten) != 0; }

  uint8_t Version() const { return header[mdm::kOffVersion]; }
  uint8_t HeaderFlags() const { return header[mdm::kOffFlags]; }
  int UnitExponent() const { return header[mdm::kOffFlags] >> mdm::kUnitShift; }
  uint32_t HeaderScale() const { return mdm::GetU32(header + mdm::kOffScale); }
  // The nominal scale denominator in the header (written with the map) and in force now.
  void SetNominalScale(uint32_t scale) {
    mdm::PutU32(header + mdm::kOffScale, scale);
    nominalScale = scale;
  }
  uint16_t HeaderListLength() const { return mdm::GetU16(header + mdm::kOffHeaderListLen); }
  uint16_t EntryCount() const { return mdm::GetU16(header + mdm::kOffEntryCount); }
  // Header frame value i: 0 X1, 1 Y1, 2 reserved, 3 X2, 4 Y2, 5 reserved.
  double HeaderFrame(int i) const { return mdm::GetF64(header + mdm::kOffFrame + 8 * i); }
  void SetHeaderFrame(int i, double v) { mdm::PutF64(header + mdm::kOffFrame + 8 * i, v); }

  // ---- object records ----
  // Index of a new zeroed record at the end of the array, -1 when none can be made.
  int32_t NewRecord();
  TMapObject* GetObjectRecord(uint16_t index);
  bool IsValidObjectIndex(uint16_t index) const { return index < count; }
  // Frees every object and leaves the placeholder alone in the table.
  void ResetObjects();

  // ---- attributes ----
  // `buffer` holds at least `bufferSize` bytes; a value that does not fit (with the NUL of
  // types 5 and 7) or is 256 bytes or more is not returned.
  int GetAttr(uint16_t index, uint16_t tag, uint8_t type, void* buffer, uint16_t* size,
              size_t bufferSize = 256);
  int GetStrAttr(uint16_t index, uint16_t tag, char* buffer, size_t bufferSize = 256);
  int GetIntAttr(uint16_t index, uint16_t tag, float* value);
  // Types 5 and 7 take a NUL-terminated text; others a value of their fixed size.
  int SetAttr(uint16_t index, uint16_t tag, uint8_t type, const void* value);
  int SetStrAttr(uint16_t index, uint16_t tag, const char* text);
  int SetIntAttr(uint16_t index, uint16_t tag, float value);
  int AddAttr(uint16_t index, uint16_t tag, uint8_t type, const void* value, uint16_t size);
  // Fills `item` with the item at `pos`; returns the next position, or 0xFFFF when none follows.
  uint32_t NextAttr(uint16_t index, uint32_t pos, TAttrItem* item);
  // Both keep the object's name (its label and list entry) as its text attribute now gives it.
  int ClearAttrs(uint16_t index);
  int CopyAttrs(uint16_t dst, uint16_t src);
  int SetObjectName(uint16_t index, const char* text);
  // The object's name taken again from its text attribute; none without one.
  void RenewName(uint16_t index);
  char* FormatAttr(uint8_t type, const void* value, char* text, size_t bufferSize,
                   uint16_t storedSize, int tableId);
  // Text to a typed value; 0 when it is none. A number must be exactly one number that its type
  // holds (ScanAttrNumber); the stored value is never another one.
  int ParseAttr(const char* text, uint8_t type, void* value, uint16_t* size, int tableId);
  void ComputeObjectLevels();
  // The levels again over the objects as they are now, for a map whose objects change in
  // memory (the working map): the ranking is relative to the largest and smallest object, so a
  // long track or a new object re-ranks every other object, as the next load of the file would.
  // True when a level or the range changed; the level pass then runs again.
  bool RefreshObjectLevels();

  // ---- coordinates ----
  // Metres per map unit, exact in double; 0 while no header gives one.
  double UnitMetres() const;
  void MapToPlane(int32_t x, int32_t y, double* planeX, double* planeY) const;
  void PlaneToMap(double planeX, double planeY, int32_t* x, int32_t* y) const;
  void MapToScreen(int32_t x, int32_t y, int32_t* screenX, int32_t* screenY) const;
  void ScreenToMap(int32_t screenX, int32_t screenY, int32_t* x, int32_t* y) const;
  TMapPoint MapToScreenPacked(int32_t x, int32_t y) const;
  TMapPoint ScreenToMapPt(TMapPoint screen) const;
  void MapToPlanePacked(int32_t x, int32_t y, double out[2]) const;
  void PlaneToMapBuf(double planeX, double planeY, TMapPoint* out) const;
  // Plane points of the view: the output zone's plane. A map shown in another zone than its own
  // takes them through its own zone, so a point lands on the ground it names; in its own zone
  // these are MapToPlane and PlaneToMap.
  bool ShownInAnotherZone() const;
  void MapToViewPlane(int32_t x, int32_t y, double* planeX, double* planeY) const;
  void ViewPlaneToMap(double planeX, double planeY, int32_t* x, int32_t* y) const;
  // A plane point moved between the output zone and the map's own one, in place; unchanged in
  // its own zone or where the geodesy cannot move it.
  void ToOwnZone(double* planeX, double* planeY) const;
  void ToOutputZone(double* planeX, double* planeY) const;
  void SetOutputZone(uint8_t zoneNumber);
  void UpdateFrameBounds();
  void ConvertFrame(double out[6]) const;
  void SetViewTransform(const TMapViewDesc& view);
  void SetTransformHook(TPlaneToScreenHook toScreen, TScreenToPlaneHook toPlane);
  void SelectNominalScale(int32_t viewScale);
  // Takes a copy of the pairs; false when out of memory (the old pairs are kept).
  bool SetScalePairs(const TScalePair* pairs, uint8_t n);

  // ---- editing ----
  int32_t AddObject(uint16_t code, uint8_t kindByte);
  int32_t AddPointObject(uint16_t code, int32_t x, int32_t y, int force);
  int32_t AddEmptyObject(uint16_t code);
  int32_t CopyObjectFrom(TMdmMap* source, uint16_t sourceIndex);
  int SetObjectVertices(uint16_t index, TPointBuf* points);
  // All or nothing, for the editing tools: 1 when every vertex lies inside the extent and the
  // list was written (SetObjectVertices, which closes an area's ring); else 0 and the object as
  // it was: a vertex outside posts notice 16 once, a deleted (code 0) record is refused.
  int ReplaceObjectVertices(uint16_t index, TPointBuf* points);
  // Leaves a line, area or text without vertices, as it was made (the construction tools' undo
  // of the last one). 0 for an index out of range or a deleted record.
  int ClearObjectVertices(uint16_t index);
  // Both corners of a point object or neither: 1 when both lie inside and were set; else 0,
  // nothing changed, notice 14 once when a corner is outside.
  int MovePointCorners(uint16_t index, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
  int AppendVertex(uint16_t index, int32_t x, int32_t y);
  int MovePointObject(uint16_t index, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
  int SetPointPosition(uint16_t index, int32_t x, int32_t y, int force);
  int SetObjectCode(uint16_t index, uint16_t newCode);
  int DeleteObject(uint16_t index);
  uint16_t GetObjectCode(uint16_t index) const;
  int GetObjectBounds(uint16_t index, TMapPoint* corner1, TMapPoint* corner2) const;
  int32_t GetVertexCount(uint16_t index) const;
  int CopyVertices(uint16_t index, TPointBuf* points, size_t bufferBytes) const;
  int GetObjectVertices(uint16_t index, TPointBuf* points) const;
  // The named points as list rows: name and plane position, the type code, the index as data.
  std::vector<TOwnerDrawRow> ListPointObjects() const;
  // Strictly inside the extent: 1; else notice 14 and 0.
  int CheckInside(int32_t x, int32_t y) const;
  bool IsInside(int32_t x, int32_t y) const;
  // Removes the vertices outside the extent in place, keeping order; returns how many remain.
  int32_t DropOutsideVertices(TPointBuf* points) const;

  // ---- geometry loading ----
  int MarkVisibleItems();
  int LoadVisibleGeometry();
  int LoadVisibleObjects();
  int ReadItemValue(TMapObject* object);
  // Before a frame: level of detail, in-view marking, then reading and freeing geometry for the
  // screen rectangle (defined with the view). Returns 0.
  int PrepareView(int32_t left, int32_t top, int32_t right, int32_t bottom);

  // ---- fields ----
  TMapObject* objects = nullptr;
  int32_t count = 0;
  int32_t capacity = 0;
  int32_t extXMax = 0, extXMin = 0, extYMax = 0, extYMin = 0;  // map units
  uint8_t outputZone = 0;
  TObjectLibrary* library = nullptr;
  float unit = 0.0f;  // metres per map unit (see UnitMetres for the exact value)
  uint8_t zone = 255;
  uint32_t levelPassDone = 0;
  uint32_t nominalScale = 0;
  uint8_t* headerList = nullptr;
  TScalePair* scalePairs = nullptr;
  uint8_t scalePairCount = 0;
  uint32_t opened = 0;
  uint32_t working = 0;
  uint32_t loadAll = 0;
  // The object the working-map recorder is recording into (0: none). A save keeps it though it
  // has no vertex yet: a track begun before the first moving fix gets its vertices later.
  uint16_t recordedObject = 0;
  // The map the user edits: the working flag without the keep-all flag, which a bound road map
  // carries beside it only to keep all its geometry resident.
  bool IsWorkingMap() const { return working && !loadAll; }
  uint32_t wideEntries = 0;
  uint8_t header[mdm::kHeaderSize] = {};
  double outFrame[6] = {};
  char libraryName[256] = {};
  uint32_t loaded = 0;
  char path[256] = {};
  uint32_t lastBackup = 0;  // tick count of the last backup, 0 = none yet
  bool backupMade = false;  // the tick count may be 0 at a real backup on the virtual clock
  float largestExtent = 0.0f, smallestExtent = 0.0f;

  // view
  int32_t viewLeft = 0, viewTop = 0, viewRight = 0, viewBottom = 0;
  double pixelScale = 0.0;  // screen pixels per map unit
  double viewOriginX = 0.0, viewOriginY = 0.0;  // map units of the output frame
  // The turn of the map's north in the view (labels and symbols follow it): 0 and 1 in its own
  // zone; the meridian convergence between the zones at the view's centre otherwise.
  double rotSin = 0.0, rotCos = 1.0;
  // How a map shown in another zone reaches the screen. kZoneEachVertex converts every vertex;
  // kZoneLocalFit, chosen by SetViewTransform when it holds to half a pixel over the whole view,
  // is the tangent map of that conversion at the view's centre: output plane = fitPlane +
  // fitJ (units - fitOrigin), and for the linear view screen = fitScreen likewise.
  enum : uint8_t { kZoneOwn = 0, kZoneEachVertex = 1, kZoneLocalFit = 2 };
  uint8_t zoneStep = kZoneOwn;
  double fitOrigin[2] = {};  // map units of the view's centre
  double fitPlane[2] = {};   // its output-zone plane point, metres
  double fitJ[4] = {};       // dX/dx, dX/dy, dY/dx, dY/dy: metres of the output plane per unit
  double fitScreen[6] = {};  // screen x at fitOrigin, per unit x, per unit y; screen y likewise
  double fitBox[4] = {};     // units from fitOrigin the fit was checked over: x, y low; x, y high
  double viewPlaneX = 0.0, viewPlaneY = 0.0, viewPixelsPerMetre = 0.0;  // the view description
  // Set while a frame is drawn, also through a map the caller holds as const.
  mutable TMapDrawState drawState;
  TPlaneToScreenHook toScreenHook = nullptr;
  TScreenToPlaneHook toPlaneHook = nullptr;

 private:
  void FreeObjects();
  // Grows the capacity, in steps of 100 records, to hold `records`; false when out of memory.
  bool Reserve(int32_t records);
  bool MakePlaceholder();
  void SetHeaderListLength(uint16_t n) { mdm::PutU16(header + mdm::kOffHeaderListLen, n); }
  void SyncEntryCount();
  struct TWrittenObject;
  struct TSaveImage;
  // The new file of a save, built without changing the map: `order` names the objects written.
  int BuildSaveImage(const std::vector<int32_t>& order, TSaveImage* image) const;
  // A damaged object's stored bytes from the old file (open, `oldSize` bytes long), as they go
  // into the new one; `lastInFile` when its record is the last of the file.
  int ReadStoredBytes(FILE* old, uint64_t oldSize, const TMapObject& o, bool lastInFile,
                      TWrittenObject* w) const;
  // Takes over the regrouped order into `fresh` (capacity + 1 records, made beforehand).
  void ApplyRegroup(TMapObject* fresh, const std::vector<int32_t>& order);
  void Notice(unsigned code) const;
  // The other-zone steps of MapToScreen and SetViewTransform.
  void AcrossZonesToScreen(int32_t x, int32_t y, int32_t* screenX, int32_t* screenY) const;
  void ViewPlaneToScreen(double planeX, double planeY, int32_t* screenX, int32_t* screenY) const;
  bool ScreenToViewPlane(int32_t screenX, int32_t screenY, double* planeX, double* planeY) const;
  void FitToView();
};

// A map missing under its name because a save was cut short between renaming the old file aside
// and putting the new one in its place (as writers before the one-step replace did): the save's
// temporary "<path>.tmp" when it is a whole map, else the old file "<path>.old", takes the map's
// name again. 1 when the map was taken up; else 0, and `copy` names the newest backup copy
// ("<name>_bakN<ext>") or the unusable old file when one lies there, or is empty.
int RecoverMapFile(const char* path, char* copy, size_t copySize);

// x' = x cos + y sin, y' = -x sin + y cos, each truncated toward zero.
// Metres of one map unit for the header's unit exponent e: 10^(e-3).
double UnitOfExponent(int e);
void RotateScalePoint(int32_t* x, int32_t* y, double sine, double cosine);
double ArcTan2(double y, double x);
