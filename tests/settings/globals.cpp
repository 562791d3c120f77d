// The program's globals that the settings pages reach; app/ defines them in the program.
#include "gps/almanac.h"
#include "gps/gps_port.h"
#include "gps/greis_receiver.h"
#include "view/map_view.h"

TMapView g_MapView;
TGpsPort g_GpsPort;
TGreisReceiver g_GreisReceiver;
TAlmanac g_Almanac;
