#include "search/route.h"


void TRoute::Bind(const char* layer, const char* graph) {
  layerName = layer ? layer : "";
  graphPath = graph ? graph : "";
}
