// Resource id of the screen lock's indicator, an empty dialog template.
#pragma once

#define IDD_SCREEN_LOCK 223
