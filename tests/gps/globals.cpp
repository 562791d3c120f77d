// The program's globals that the receiver link and the geodesy bar reach; app/ defines them in
// the program.
#include "gps/almanac.h"
#include "gps/geodesy_bar.h"
#include "gps/greis_receiver.h"
#include "view/map_view.h"

TMapView g_MapView;
TAlmanac g_Almanac;
TGreisReceiver g_GreisReceiver;
TGeodesyBar g_GeodesyBar;
