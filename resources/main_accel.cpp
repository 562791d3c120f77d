// Accelerators of the main window: Ctrl+Q exits.
#include "resources/main_ids.h"
#include "resources/resource_table.h"

namespace {

const ACCEL kMainAccel[] = {
    {FVIRTKEY | FCONTROL | 0x80, 'Q', 40005},  // 0x80: the table's last entry
};
VORNA_RESOURCE(RT_ACCELERATOR, IDR_MAIN_ACCEL, kMainAccel);

}  // namespace
