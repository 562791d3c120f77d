#include "search/street_search.h"

TSearchBar* g_SearchBars[kMaxSearchBars] = {};
int SearchCityID = 0;

void CloseStreetSearch() {
  for (TSearchBar*& bar : g_SearchBars) {
    if (bar && bar->window && IsWindow(bar->window)) DestroyWindow(bar->window);
    bar = nullptr;
  }
}
