// The one export of every stream library. The module records are static
// objects the player writes into; they are filled once, on the first call,
// before the player first sees them, and never again.
#pragma once

#include "stream/stream_module.h"

// Defines tumborGetStreamHeader: runs fillRecords() once, then hands out header.
#define TUMBOR_STREAM_LIBRARY_EXPORT(fillRecords, header)                                  \
    extern "C" STREAM_EXPORT StreamLibraryHeader* STREAM_CALL tumborGetStreamHeader(void) { \
        static const bool filled = (fillRecords(), true);                                  \
        (void)filled;                                                                      \
        return &(header);                                                                  \
    }

// Defines tumborGetStreamExtension: the extension of the module with an index, or null.
#define TUMBOR_STREAM_EXTENSION_EXPORT(extensionOf)                                                  \
    extern "C" STREAM_EXPORT StreamModuleExtension* STREAM_CALL tumborGetStreamExtension(int index) { \
        return extensionOf(index);                                                                    \
    }
