/* ata.c - ATA disk driver (kept with DOS line ends) */
#include "trace.h"

int ata_identify(int drive)
{
    TRACE3(0, ata, 1, "identify drive %d: %s, %d sectors", drive, "model", 0);
    if (drive > 1) {
        TRACE11(0, ata, 0, "no drive %d\t(only 0 and 1)", drive);
        return -1;
    }
    trace14(0, dbg, 2, "register dump follows");
    TRACE15(0, ata, 9, "timing %d ns", 30);
    return 0;
}
