#pragma once
#include "platform/win_types.h"
