/* boot.c - boot code from before the trace categories existed */
#include "trace.h"

extern int board_init(void);

void boot(void)
{
    TRACE_POINT(0, 0, 0, "boot start");
    if (board_init() != 0) {
        TRACE_POINT1(ID_BOARD, MOD_BOOT, SEV_ERR, "board init failed: %d", -1);
        return;
    }
    TRACE_POINT5 (1, 2, 3, "clock %d MHz, %d wait states, rev %s", 48, 1, "B");
    trace5(0, knl, 3, "boot done", 0, 0, 0, 0, 0);
}
