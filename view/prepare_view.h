// The two marking steps of a map's view preparation (TMdmMap::PrepareView runs them before
// reading and freeing geometry).
#pragma once

#include <cstdint>

#include "maps/mdm_map.h"

// Sets or clears the level-of-detail flag of every object for a drawing area of that height.
void ApplyLevelOfDetail(TMdmMap& map, int32_t top, int32_t bottom);
// Sets or clears the in-view flag of every object that passes the level of detail, and marks
// the level pass done.
void MarkInViewRect(TMdmMap& map, int32_t left, int32_t top, int32_t right, int32_t bottom);
// The level threshold for a visible height of `heightUnits` map units; -1 when every object
// passes (no scale yet, or no spread of object sizes to rank).
int32_t LevelThreshold(double heightUnits, float largest, float smallest);
