// The program's globals that the point dialogs reach; app/ defines them in the program.
#include "view/map_view.h"

TMapView g_MapView;
