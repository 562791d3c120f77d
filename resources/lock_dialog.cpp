// The screen lock's indicator: an empty dialog that the lock procedure moves, sizes and paints
// itself (app/auto_actions.cpp).
#include "resources/lock_ids.h"
#include "resources/resource_table.h"

namespace {

const DLGTEMPLATEW kLockDialog = {DLGTEMPLATE_MAGIC, IDD_SCREEN_LOCK, WS_POPUP | WS_VISIBLE, 0,
                                  nullptr, nullptr, 0, 0, 0, 15, 16, nullptr, 0};
VORNA_RESOURCE(RT_DIALOG, IDD_SCREEN_LOCK, kLockDialog);

}  // namespace
