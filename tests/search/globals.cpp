// The program's globals that the search reaches; app/ defines them in the program.
#include "search/route.h"
#include "view/map_view.h"

TMapView g_MapView;
TRoute g_Route;
