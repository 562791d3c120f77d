// The factories through which the raster maps and the database layer plug into the view.
#include "platform/fresh_state.h"
#include "view/db_layer_holder.h"
#include "view/raster_holder.h"

namespace {
TRasterMapFactory g_rasterFactory = nullptr;
TDbLayerFactory g_dbFactory = nullptr;
// Installed by start-up, or by a test for itself.
const vplat::FreshStateHook kFresh(4, [] {
  g_rasterFactory = nullptr;
  g_dbFactory = nullptr;
});
}  // namespace

void SetRasterMapFactory(TRasterMapFactory factory) { g_rasterFactory = factory; }
TRasterMap* CreateRasterMap() { return g_rasterFactory ? g_rasterFactory() : nullptr; }

void SetDbLayerFactory(TDbLayerFactory factory) { g_dbFactory = factory; }
TDbLayer* CreateDbLayer(TGeoToScreenFn toScreen, TScreenToGeoFn toGeo) {
  return g_dbFactory ? g_dbFactory(toScreen, toGeo) : nullptr;
}
