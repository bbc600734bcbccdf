/* The contract between the player and its stream libraries.
 *
 * A stream library exports one function, tumborGetStreamHeader, returning a
 * StreamLibraryHeader; its getModule hands out StreamModule records. The player
 * writes its input services and a few values into each record and drives the
 * module through the operation slots. Plain C, so a library can be written in C.
 * Every function uses the C calling convention and returns a 32-bit int:
 * nonzero for success or "more to come", 0 for failure or "finished". */
#ifndef TUMBOR_STREAM_MODULE_H
#define TUMBOR_STREAM_MODULE_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#define STREAM_CALL __cdecl
#define STREAM_EXPORT __declspec(dllexport)
#else
#define STREAM_CALL
#define STREAM_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Values of StreamModule.flags. */
enum {
    keepInput = 1, /* the player leaves its input file open when the module closes */
    pcmOutput = 2, /* decode delivers PCM for the wave device; otherwise the module plays by itself */
    ownInput = 4,  /* the module reads its source itself; it is also offered "://" names */
    utf8Text = 8   /* fileName, songInfo's name and the module's own texts are UTF-8; without
                      it they are in the ANSI code page, and fileName is a name the
                      library can open with the char file calls (the short form when
                      the ANSI code page cannot spell the name) */
};

/* Arguments of StreamModule.notify. */
enum {
    NOTIFY_PLAY = 2,   /* playback started from the stopped state */
    NOTIFY_PAUSE = 3,
    NOTIFY_RESUME = 4,
    NOTIFY_STOP = 5
};

/* The number of module indices the player enumerates in every library. */
#define STREAM_MODULE_INDEX_COUNT 1048576

typedef struct StreamModule StreamModule;

struct StreamModule {
    char magic[4];                 /* "TBSM"; a record without it is ignored */
    uint32_t flags;                /* keepInput | pcmOutput | ownInput */
    uint32_t sampleRate;           /* output rate in Hz */
    uint32_t channels;             /* 1 or 2 */
    uint32_t bitsPerSample;        /* 8 (unsigned) or 16 (signed little-endian) */
    char* errorText;               /* module's heap text: why the last operation failed */
    char* titleText;               /* module's heap text shown instead of the file name */
    const char* fileFilter;        /* "Description|*.ext;*.ext2|" or empty */
    const char* description;       /* one line naming the module and its version */
    uint32_t moduleVersion;        /* 0x110 for version 1.10 */

    int(STREAM_CALL* open)(void);                       /* nonzero: the file is this module's */
    int(STREAM_CALL* start)(void);                      /* prepare decoding from the start */
    int(STREAM_CALL* close)(void);                      /* release everything; returns 1 */
    int(STREAM_CALL* getPosition)(void);                /* tenths of a second decoded */
    int(STREAM_CALL* getLength)(void);                  /* tenths of a second in all; may be null */
    int(STREAM_CALL* seek)(int tenths, int exact);      /* may be null */
    int(STREAM_CALL* getBitrate)(void);                 /* bits per second of the source */
    int(STREAM_CALL* decode)(void* buffer, int bytes);  /* fill the buffer; 0 at the end */
    int(STREAM_CALL* notify)(int event);                /* NOTIFY_*; may be null */
    int(STREAM_CALL* about)(void);                      /* may be null */
    int(STREAM_CALL* configure)(void);                  /* may be null */
    int(STREAM_CALL* songInfo)(const char* fileName);   /* may be null */
    int(STREAM_CALL* reserved)(void);                   /* never called */

    char* fileName;                                     /* player's heap copy of the file name */
    uint32_t(STREAM_CALL* ioTell)(void);                /* current byte offset */
    uint32_t(STREAM_CALL* ioSize)(void);                /* size measured at open */
    int(STREAM_CALL* ioSeek)(uint32_t offset);          /* 1, or 0 past the size */
    int(STREAM_CALL* ioRead)(void* buffer, int itemSize, int itemCount); /* whole items read */
    int(STREAM_CALL* ioEof)(void);                      /* 1 at or past the end */
    void* hostWindow;                                   /* the player's main window */
    void* libraryInstance;                              /* the library's own module handle */
    char* iniPath;                                      /* full path of the settings file */
};

typedef struct StreamLibraryHeader {
    uint32_t version;                                   /* 0x100; informational */
    const char* libraryName;                            /* informational */
    StreamModule*(STREAM_CALL* getModule)(int index);   /* null when there is no such module */
} StreamLibraryHeader;

typedef StreamLibraryHeader*(STREAM_CALL* GetStreamHeaderFunction)(void);

#define STREAM_HEADER_EXPORT_NAME "tumborGetStreamHeader"

/* Optional capabilities beyond the record. A library may also export
 * tumborGetStreamExtension, which answers the extension of the module with a
 * given index (or null); a library without the export plays as before. The
 * player reads only the fields that fit in `size`, so later fields can be added. */

/* Loudness values a file carries (ReplayGain tags, Opus R128 gains). */
enum {
    loudnessTrackGain = 1,
    loudnessAlbumGain = 2,
    loudnessTrackPeak = 4,
    loudnessAlbumPeak = 8
};

typedef struct StreamLoudness {
    uint32_t present;   /* loudness* bits: which of the values below the file gives */
    int32_t trackGain;  /* hundredths of a dB */
    int32_t albumGain;  /* hundredths of a dB */
    uint32_t trackPeak; /* peak sample, 65536 = full scale */
    uint32_t albumPeak; /* peak sample, 65536 = full scale */
} StreamLoudness;

typedef struct StreamModuleExtension {
    uint32_t size; /* sizeof(StreamModuleExtension) as the library was built */
    /* Bytes of sound the last decode call delivered; the rest of its buffer
     * was padding. May be null. */
    int(STREAM_CALL* soundBytes)(void);
    /* Fills loudness for the file opened; 0 when it carries no values. May be null. */
    int(STREAM_CALL* getLoudness)(StreamLoudness* loudness);
    /* 1: cut encoder delay and padding the file declares, from the next start on. May be null. */
    int(STREAM_CALL* setGapless)(int on);
} StreamModuleExtension;

typedef StreamModuleExtension*(STREAM_CALL* GetStreamExtensionFunction)(int index);

#define STREAM_EXTENSION_EXPORT_NAME "tumborGetStreamExtension"

#if defined(__SIZEOF_POINTER__) && __SIZEOF_POINTER__ == 4
/* On the 32-bit target the records have a fixed binary layout. */
#ifdef __cplusplus
#define STREAM_STATIC_ASSERT(condition, text) static_assert(condition, text)
#else
#define STREAM_STATIC_ASSERT(condition, text) _Static_assert(condition, text)
#endif
STREAM_STATIC_ASSERT(sizeof(StreamLibraryHeader) == 12, "library header is 12 bytes");
STREAM_STATIC_ASSERT(offsetof(StreamLibraryHeader, libraryName) == 0x04, "libraryName");
STREAM_STATIC_ASSERT(offsetof(StreamLibraryHeader, getModule) == 0x08, "getModule");
STREAM_STATIC_ASSERT(sizeof(StreamModule) == 128, "module record is 128 bytes");
STREAM_STATIC_ASSERT(offsetof(StreamModule, flags) == 0x04, "flags");
STREAM_STATIC_ASSERT(offsetof(StreamModule, sampleRate) == 0x08, "sampleRate");
STREAM_STATIC_ASSERT(offsetof(StreamModule, channels) == 0x0C, "channels");
STREAM_STATIC_ASSERT(offsetof(StreamModule, bitsPerSample) == 0x10, "bitsPerSample");
STREAM_STATIC_ASSERT(offsetof(StreamModule, errorText) == 0x14, "errorText");
STREAM_STATIC_ASSERT(offsetof(StreamModule, titleText) == 0x18, "titleText");
STREAM_STATIC_ASSERT(offsetof(StreamModule, fileFilter) == 0x1C, "fileFilter");
STREAM_STATIC_ASSERT(offsetof(StreamModule, description) == 0x20, "description");
STREAM_STATIC_ASSERT(offsetof(StreamModule, moduleVersion) == 0x24, "moduleVersion");
STREAM_STATIC_ASSERT(offsetof(StreamModule, open) == 0x28, "open");
STREAM_STATIC_ASSERT(offsetof(StreamModule, start) == 0x2C, "start");
STREAM_STATIC_ASSERT(offsetof(StreamModule, close) == 0x30, "close");
STREAM_STATIC_ASSERT(offsetof(StreamModule, getPosition) == 0x34, "getPosition");
STREAM_STATIC_ASSERT(offsetof(StreamModule, getLength) == 0x38, "getLength");
STREAM_STATIC_ASSERT(offsetof(StreamModule, seek) == 0x3C, "seek");
STREAM_STATIC_ASSERT(offsetof(StreamModule, getBitrate) == 0x40, "getBitrate");
STREAM_STATIC_ASSERT(offsetof(StreamModule, decode) == 0x44, "decode");
STREAM_STATIC_ASSERT(offsetof(StreamModule, notify) == 0x48, "notify");
STREAM_STATIC_ASSERT(offsetof(StreamModule, about) == 0x4C, "about");
STREAM_STATIC_ASSERT(offsetof(StreamModule, configure) == 0x50, "configure");
STREAM_STATIC_ASSERT(offsetof(StreamModule, songInfo) == 0x54, "songInfo");
STREAM_STATIC_ASSERT(offsetof(StreamModule, reserved) == 0x58, "reserved");
STREAM_STATIC_ASSERT(offsetof(StreamModule, fileName) == 0x5C, "fileName");
STREAM_STATIC_ASSERT(offsetof(StreamModule, ioTell) == 0x60, "ioTell");
STREAM_STATIC_ASSERT(offsetof(StreamModule, ioSize) == 0x64, "ioSize");
STREAM_STATIC_ASSERT(offsetof(StreamModule, ioSeek) == 0x68, "ioSeek");
STREAM_STATIC_ASSERT(offsetof(StreamModule, ioRead) == 0x6C, "ioRead");
STREAM_STATIC_ASSERT(offsetof(StreamModule, ioEof) == 0x70, "ioEof");
STREAM_STATIC_ASSERT(offsetof(StreamModule, hostWindow) == 0x74, "hostWindow");
STREAM_STATIC_ASSERT(offsetof(StreamModule, libraryInstance) == 0x78, "libraryInstance");
STREAM_STATIC_ASSERT(offsetof(StreamModule, iniPath) == 0x7C, "iniPath");
#undef STREAM_STATIC_ASSERT
#endif

#ifdef __cplusplus
}
#endif

#endif
