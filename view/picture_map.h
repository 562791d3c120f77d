// A raster map of the project: one picture decoded by the image module, tied to the plane by its
// calibration. Whole pictures are decoded once on activation; big ones are held as tiles of the
// coarsest level still at least as fine as the screen, loaded for each frame.
//
// Pixel coordinates: "full-resolution" pixels are those of the picture itself (calibration
// points, PixelToPlane); "level" pixels are those of the chosen reduced level, f times larger,
// in which the tiles lie. The view transform maps level pixels to the screen. Drawing through the
// picture (vectors, the marker, taps) keeps fractional pixels: at large scales a picture pixel
// covers many screen pixels, and snapping to it would make vectors jump.
//
// Zones: the calibration is written in the picture's own zone (`ownZone`); the view shows every
// map in its output zone. Plane points handed in or out of PlaneToScreen, ScreenToPlane,
// PlaneToPixel and PixelToPlane are in the output zone and converted inside. The two planes are
// turned against each other by the difference of the zones' meridian convergence (about 5
// degrees at 55 N across a zone edge), so a picture of another zone is not blitted but resampled
// into the view's plane, screen pixel by screen pixel (`turned`): its screen conversions are the
// view's own, and a ground point lands on the same screen pixel with and without the picture,
// on the picture's own pixel of that ground. A picture of the view's zone is blitted as it is and
// the view's vectors are drawn through it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "geodesy/tin_transform.h"
#include "imagelib/pelnor.h"
#include "view/point_lists.h"
#include "view/raster_holder.h"

class TPictureMap : public TRasterMap {
 public:
  // At most this many tiles are held for one view (a big picture without reduced images, seen
  // whole, meets far more): all of them would not fit the handheld's memory. Those nearest the
  // view's centre are loaded and the map is marked partial.
  static constexpr int32_t kMaxVisibleTiles = 256;
  // A calibration holds at most this many points.
  static constexpr int32_t kMaxCalibrationPoints = 50;

  TPictureMap();
  ~TPictureMap() override;

  int Open(const char* filePath, const double fallback[6]) override;
  // 0; 2 when the map is not open or the image module cannot be bound; else the module's result.
  // `active` is 1 only on success.
  int Activate() override;
  void Deactivate() override;
  void SetViewTransform(const RECT& view, double originX, double originY, double k) override;
  void SetOutputSystem(uint8_t zone) override;
  void GetExtent(double out[6]) const override;
  void PlaneToScreen(double x, double y, int32_t* sx, int32_t* sy) const override;
  void ScreenToPlane(int32_t sx, int32_t sy, double* x, double* y) const override;
  void PixelToScreen(int32_t px, int32_t py, int32_t* sx, int32_t* sy) const override;
  void LoadVisibleTiles(const RECT& view, int32_t screenYOffset) override;
  void Draw(HDC dc) override;

  // Releases every record with its tiles and pixels; the map is new again (frame kept).
  void Close();

  // Full-resolution pixel of a plane point of the output zone (rotation or rubber sheet), cut
  // toward zero, and back.
  void PlaneToPixel(double x, double y, int32_t* px, int32_t* py) const;
  void PixelToPlane(int32_t px, int32_t py, double* x, double* y) const;
  // Full-resolution pixel under a screen point; (0, 0) while the scale is 0.
  void ScreenToPixel(int32_t sx, int32_t sy, int32_t* px, int32_t* py) const;
  // Calibration points between the zones: `points` (own zone) as the view shows and taps them,
  // and a list of output-zone points as the calibration file holds them (a point unmoved since
  // PointsInOutputZone gave it back exactly as read). Pixels are kept, and so is a plane point
  // not yet placed (0, 0).
  TPointList PointsInOutputZone() const;
  TPointList PointsInOwnZone(const TPointList& outputPoints) const;

  // Results of ReadCalibration besides 0. On each the map keeps the calibration it had (a new
  // map has none, so it does not open).
  static constexpr int kNoCalibration = 2;   // no companion file and an empty fallback frame
  static constexpr int kTooFewPoints = 3;    // fewer than two usable points in the companion
  static constexpr int kNoPixelSize = 4;     // the points give no pixel size (equal points)
  static constexpr int kFlatPoints = 5;      // map coordinates repeated or in one line
  static constexpr int kCalibrationUnread = 6;  // the companion exists and could not be read
  std::string unreadCalibration;  // its path, for the message
  // Reads the companion calibration of the picture at `picturePath`: 0 or one of the above.
  int ReadCalibration(const char* picturePath, const double fallback[6]);
  // 1 when the points can calibrate a picture: at least 2, none at plane (0, 0), every pixel set,
  // and they give a pixel size and a rubber sheet that is not flat.
  static int CheckCalibrationPoints(const TPointList& points);

  uint8_t outputZone = 255;
  TPointList points;
  int32_t shown = 0;
  PelnorImage* current = nullptr;  // the chosen level
  PelnorImage* first = nullptr;    // the full picture, owning the chain
  double outFrame[6] = {};         // the frame's box in the output zone (smallest, then largest X, Y)
  float pixelSize = 0;             // plane units per full-resolution pixel
  RECT viewRect{};
  int32_t screenYOffset = 0;
  double lastViewScale = -1.0;
  double scale = 0;        // screen pixels per level pixel
  double levelFactor = 1;  // full-resolution pixels per level pixel
  double xOffset = 0, yOffset = 0;  // level pixels
  double rotation = 0, anchorX = 0, anchorY = 0, sinRotation = 0, cosRotation = 1;
  mutable TTinTransform tin;  // looks triangles up as it goes
  bool useTin = false;
  // The output zone differs from the picture's own: plane points are moved between the zones,
  // and the picture is drawn turned into the view's plane.
  bool crossZone = false;
  // The view's own chain, which a picture drawn turned follows: origin (plane units), pixels per
  // plane unit and the screen row of the origin.
  double viewOriginX = 0, viewOriginY = 0, viewK = 0;
  int32_t viewBottom = 0;
  // The last ReadCalibration found no companion and took the fallback frame.
  bool placedByFallback = false;

 private:
  // Writes the frame taken from the fallback beside the picture as its ".@@@" calibration.
  void WritePlacement();
  void ChooseLevel(double k);
  void FreePixels();
  void LevelToScreen(double u, double v, int32_t* sx, int32_t* sy) const;
  // Between the output zone and the picture's own (unchanged in the same zone).
  void ToOwnZone(double x, double y, double* ox, double* oy) const;
  void ToOutputZone(double ox, double oy, double* x, double* y) const;
  // Fractional full-resolution pixels of an own-zone plane point, and back.
  void OwnToPixel(double x, double y, double* u, double* v) const;
  void PixelToOwn(double u, double v, double* x, double* y) const;
  void ScreenToPixelF(int32_t sx, int32_t sy, double* u, double* v) const;
  // The view's chain, for a picture drawn turned.
  void ViewToScreen(double x, double y, int32_t* sx, int32_t* sy) const;
  void ScreenToView(int32_t sx, int32_t sy, double* x, double* y) const;
  // Own-zone plane points of the screen on a grid of nodes kTurnStep pixels apart, for a
  // picture drawn turned: the zones' conversion is smooth enough to be interpolated between them.
  struct TTurnGrid {
    int32_t left = 0, top = 0, cols = 0, rows = 0;
    std::vector<double> x, y;
    // The own-zone plane point of a screen pixel inside the grid.
    void At(int32_t sx, int32_t sy, double* ox, double* oy) const;
  };
  static constexpr int32_t kTurnStep = 8;
  TTurnGrid MakeTurnGrid(const RECT& view) const;
  void DrawTurned(HDC dc);
  // Marks the tiles of the current level that meet the box (level pixels); those nearest its
  // centre when more than kMaxVisibleTiles meet it.
  void MarkWantedTiles(double minU, double maxU, double minV, double maxV);
};

// The factory the view creates raster maps with (installed at start-up).
TRasterMap* NewPictureMap();

// Writes the calibration points to `path`: the ".@@@" form (plane coordinates) when its extension
// is ".@@@", else ".lnk" (geodetic degrees). 0, or 2 when the file cannot be written; an old file
// survives a failed write.
int WriteCalibrationFile(const char* path, const TPointList& points);
