// The route laid over the roads of one vector map of the project: a road graph (".mvw") bound
// to the map whose file name it bears, two plane points, the path of the graph between the roads
// nearest to them (by distance to the road's line), drawn as a red polyline over the map.
//
// A graph node stands for one road, a line object of the road map whose index is the node's
// id; a link is a junction of two roads. The route is assembled road by road along the path:
// each road is oriented by its nearest ends (the first road towards the second, every later
// road away from the point where the previous one ended) and its first vertex is left out only
// when it is the junction vertex itself, so unsnapped junctions lose nothing. Roads without
// vertices, and node ids naming no object of the map, add nothing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "maps/map_object.h"
#include "platform/win.h"
#include "search/route_graph.h"

class TMapView;
class TBackBuffer;
class TMdmMap;

// A route point in plane metres (X northing, Y easting).
struct TRoutePoint {
  double x, y;
};

// Why a route could not be laid.
enum class TRouteFailure {
  kNone = 0,
  kNoRoadMap,   // the graph's name is no map of the project open now
  kNoRoad,      // no road within the limit of a point
  kNotInGraph,  // the nearest road has no node in the graph
  kNoPath,      // the graph joins the two roads by no path
  kNoGraph,     // no road graph has been read
};

class TRoute {
 public:
  // How far from a point its road may lie, in map units of the road map, when the caller gives
  // no limit of its own (the navigation overlay's GPS position).
  static constexpr int32_t kRoadSearchRadius = 10000;

  TRoute() = default;
  ~TRoute();
  TRoute(const TRoute&) = delete;
  TRoute& operator=(const TRoute&) = delete;

  // The map view that holds the road map, and the back buffer beside it (kept, not read).
  void SetOwner(TMapView* v, TBackBuffer* b) {
    view = v;
    buffer = b;
  }
  // Opens the graph file (any graph held before is released) and binds it to the project's
  // vector map whose file name without folder and extension equals `roadMap` without regard to
  // case. That map keeps the geometry of all its objects loaded from now on. Returns 0; a file
  // that cannot be read is bound to nothing, said in a message box, and its open result
  // (kRouteNotOpened .. kRouteDamaged) is returned. A graph that reads but names no map of the
  // project is said so too; it is kept, and binds to a map of its name opened later.
  int Bind(const char* roadMap, const char* graphPath);
  // 1 while a graph is held and a map of its name is open in the view. The bind follows its road
  // map by name: a map of that name opened anew (the project opened again) is given the flags
  // that keep its geometry at its first use.
  int IsBound() const { return RoadMap() != nullptr ? 1 : 0; }
  // The graph node of the road nearest to a plane point: the road map's line object nearest by
  // distance to its line, within `limitMetres` of the point (below 0: kRoadSearchRadius map
  // units). kNone with *node set, or why there is none.
  TRouteFailure FindRoadNode(double x, double y, double limitMetres, int32_t* node) const;
  // Lays the route between two plane points, each taken to its road as FindRoadNode does.
  // `options` carries the callers' route choices; the search always starts and ends with both
  // direction flags set. 1 when a route with at least one point was laid (it replaces the old
  // one); 0 otherwise, the old route kept and LastFailure telling why.
  int Compute(double startX, double startY, double endX, double endY, int options,
              double limitMetres = -1);
  TRouteFailure LastFailure() const { return failure; }
  void Clear();
  // Draws the route into `dc` as a solid red polyline 3 pixels wide, clipped to `viewRect`.
  void Draw(const RECT& viewRect, HDC dc) const;

  const std::vector<TRoutePoint>& Points() const { return points; }
  const std::string& RoadMapName() const { return roadMapName; }
  const TRouteGraph& Graph() const { return graph; }
  // What a route tap refused for `failure` tells the user; empty for kNone.
  std::wstring FailureText(TRouteFailure failure) const;

 private:
  // The road map open now, keeping all its geometry; null without a graph or such a map.
  TMdmMap* RoadMap() const;

  TMapView* view = nullptr;
  TBackBuffer* buffer = nullptr;
  TRouteGraph graph;
  std::string roadMapName;
  std::vector<TRoutePoint> points;
  int bound = 0;      // a map of the graph's name was open when it was bound
  bool held = false;  // a graph was read
  TRouteFailure failure = TRouteFailure::kNone;
  // Work arrays of Compute, kept between calls.
  std::vector<int32_t> path_;
  std::vector<TMapPoint> vertices_;
};

extern TRoute g_Route;

// Dialog 152, the route between two chosen objects: shown modally; it computes nothing (its
// combo boxes and buttons have no action). Returns the id that ended it (1, 3 or IDCANCEL).
int RunRouteDialog();
