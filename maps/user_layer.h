// The working-map recorder: the one map of the project into which GPS tracks are recorded and
// new objects are put, with its "saved" state and save triggers.
#pragma once

#include <cstdint>
#include <vector>

#include "maps/mdm_map.h"
#include "platform/win_types.h"

// What the recorder needs of the map view, which holds the project's maps and draws them. The
// view implements it; the recorder only calls it.
class IWorkingMapHost {
 public:
  virtual ~IWorkingMapHost() = default;
  // The project's vector map of that number, or null.
  virtual TMdmMap* GetVectorMap(int number) = 0;
  // Brings the map's object table in (reads it when the project has not yet).
  virtual void LoadVectorMapObjects(int number) = 0;
  // Prepares the map for a frame of the given screen rectangle.
  virtual void PrepareMap(TMdmMap* map, const RECT& rect) = 0;
  // Draws the map with the working-map mark.
  virtual void DrawWorkingMap(TMdmMap* map, HDC dc) = 0;
};

// Told by the recorder before it lets the working map go (another map made working, the project
// closed), while the map is still attached: a holder of an index of one of its objects (the
// geodetic receiver's occupation) finishes that object there and drops the index, for the next
// working map numbers its objects anew. Installed at start-up by the side that holds one.
class IWorkingMapLetGo {
 public:
  virtual ~IWorkingMapLetGo() = default;
  virtual void BeforeWorkingMapLetGo() = 0;
};

class TUserLayer {
 public:
  TUserLayer() = default;
  TUserLayer(const TUserLayer&) = delete;
  TUserLayer& operator=(const TUserLayer&) = delete;

  int Attach(IWorkingMapHost* view, int mapNumber);
  void SetLetGoListener(IWorkingMapLetGo* listener) { letGo = listener; }
  // Tells the let-go listener, ends the current object, saves and lets the map go: 1. When the save fails the map is kept
  // (still working, resident and unsaved) and the user told so: 0, and callers that were about
  // to close or replace that map leave it as it is.
  int Close();
  // unitExponent: one map unit is 10^unitExponent m (-3..4). 1 when the map was made and
  // written, 0 otherwise.
  int CreateMap(uint32_t scale, int unitExponent, double planeX, double planeY,
                uint8_t outZone);
  int32_t NewObject(uint16_t code);
  // Index of the new track object; 0 when the map has no room for it, which stops recording
  // with a message (once per attached map).
  int32_t BeginObject();
  // Plane points here and in AddObject and GetObjectBox are the view's (the map's output zone).
  // 1 when the point was stored; 0 when nothing was (not recording: it becomes the pending
  // point; refused by the map; no object to take it).
  int AddPoint(double planeX, double planeY);
  int EndObject();
  // Stops adding positions to the object being recorded without ending it: it stays the map's
  // recorded object (kept by saves even without a vertex yet) until ResumeObject goes on with
  // it, or EndObject or BeginObject ends it. 1 when a recording was paused.
  int PauseObject();
  // 1 when a paused object records again.
  int ResumeObject();
  int IsPaused() const { return paused ? 1 : 0; }
  // The map writer's result (0 also when nothing needed writing). A failure is shown once a
  // run; the layer stays unsaved, so the next trigger tries again.
  int Save(int regroup);
  // Panels that hold object indexes of the working map (the selection panel, the tools panel,
  // the vertex-editing bar) pin it while shown: a regrouping save renumbers the objects, so
  // while pinned Save writes without regrouping and the regroup waits for an unpinned save.
  void Pin() { ++pins; }
  void Unpin() {
    if (pins > 0) --pins;
  }
  int IsPinned() const { return pins > 0; }
  // Non-zero while Save runs (its failure box pumps messages, timers included).
  int IsSaving() const { return saving; }
  int32_t AddObject(uint16_t code, double planeX, double planeY, const char* text);
  int SetObjectCode(uint16_t index, uint16_t code);
  int CopyAttrs(uint16_t dst, uint16_t src);
  // Keeps the slot (code 0); the map then needs saving.
  int DeleteObject(uint16_t index);
  void SetModified() { saved = 0; }
  uint16_t GetObjectCode(uint16_t index) const;
  TObjectLibrary* GetLibrary() const;
  // The code a new object of `kind` (1 point, 2 line) gets: `wanted` when it is of that kind,
  // else the library's first type of the kind, else the bare kind. Code 0 would make an object
  // that counts as deleted, so with its setting unset no object could be kept.
  uint16_t NewCodeOfKind(uint16_t wanted, uint8_t kind) const;
  // The code a new point gets from `pointCode` ("GPSDefCodePoint"), as above.
  uint16_t NewPointCode() const { return NewCodeOfKind(pointCode, mdm::kKindPoint); }
  int PrepareView(const RECT& rect);
  int Draw(HDC dc);
  // Plane x, y of the object's first box corner and 0; all zero when closed.
  void GetObjectBox(uint16_t index, double out[3]) const;
  int GetRecordingStats(double* lengthMetres, uint32_t* seconds) const;
  std::vector<TOwnerDrawRow> ListPointCoordinates();  // the working map's named points
  // At exit: writes the map with regrouping when it is not saved.
  int Flush();

  TMdmMap* GetMap() const { return map; }

  uint32_t recording = 0;
  uint32_t cut = 0;  // "WMCutLong": cut tracks after 3000 vertices
  uint32_t startTime = 0;
  uint16_t trackCode = 0;  // 0: the working map's first line type (see BeginObject)
  // The type code of the points the GPS commands and the points list add ("GPSDefCodePoint"):
  // each accepted point's code becomes the next one's.
  uint16_t pointCode = 0;
  TMdmMap* map = nullptr;
  uint16_t current = 0;
  double pendingX = 0.0, pendingY = 0.0;  // x = 0: no pending point
  uint32_t saved = 0;
  uint32_t open = 0;

 private:
  // Save; a failure is shown (once a run) only with `report`.
  int WriteMap(int regroup, bool report);

  IWorkingMapHost* host = nullptr;
  IWorkingMapLetGo* letGo = nullptr;
  bool damageShown = false;   // likewise the first save that kept damaged objects as stored
  bool fullShown = false;     // the attached map's "no room for an object" was said
  // A recording that Close interrupted: the next fix begins a new track object in the map
  // attached by then, or, finding none, says once that the walk is no longer recorded.
  bool carryTrack = false;
  // Likewise a paused recording: ResumeObject turns it into a carried one, PauseObject turns a
  // carried one into this, so the track key works the same across a change of working map.
  bool carryPaused = false;
  bool paused = false;  // the current object is kept recorded, but takes no positions
  void TellUser(int textId);
  void TellNoRoom();
  int saving = 0;  // non-zero while Save runs: the autosave timer waits
  int pins = 0;    // panels holding the working map's indexes
};

// The program's one recorder.
extern TUserLayer g_UserLayer;
