/* vis_null: a visualization plug-in that asks for what the example plug-in
   asks for (both channels' waveform and spectrum, 25 ms latency, a frame every
   25 ms) and draws nothing, so the host's own cost can be told from the
   drawing's. Plain C; the one export is winampVisGetHeader. */
#include <stddef.h>

#include "vis/vis_plugin.h"

static int VIS_CALL nullInit(winampVisModule* module) {
    (void)module;
    return 0;
}

static int VIS_CALL nullRender(winampVisModule* module) {
    (void)module;
    return 0;
}

static void VIS_CALL nullQuit(winampVisModule* module) { (void)module; }

static winampVisModule nullModule = {"Draws nothing", NULL,  NULL, 0,        0,          25,       25,  2, 2,
                                     {{0}},           {{0}}, NULL, nullInit, nullRender, nullQuit, NULL};

static winampVisModule* VIS_CALL getModule(int index) { return index == 0 ? &nullModule : NULL; }

static winampVisHeader header = {VIS_HEADER_VERSION, "Tumbor null plug-in", getModule};

VIS_EXPORT winampVisHeader* VIS_CALL winampVisGetHeader(void) { return &header; }
