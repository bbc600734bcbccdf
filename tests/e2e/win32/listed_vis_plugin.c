/* A visualization plug-in library that only lists itself: one header with
 * two modules that do nothing, for the options sheet's Plugins page. */
#include <stddef.h>

#include "vis/vis_plugin.h"

static winampVisModule* VIS_CALL getModule(int index);

static winampVisModule scope = {.description = "Listed scope"};
static winampVisModule bars = {.description = "Listed bars"};
static winampVisHeader header = {VIS_HEADER_VERSION, "Listed test plug-in", getModule};

static winampVisModule* VIS_CALL getModule(int index) {
    if (index == 0) return &scope;
    if (index == 1) return &bars;
    return NULL;
}

VIS_EXPORT winampVisHeader* VIS_CALL winampVisGetHeader(void) { return &header; }
