/* The classic visualization plug-in interface, as published for the plug-ins
 * the player hosts: a library exports winampVisGetHeader, whose header hands
 * out module records by number. Plain C with the C calling convention, the
 * layout fixed on the 32-bit target. */
#ifndef TUMBOR_VIS_PLUGIN_H
#define TUMBOR_VIS_PLUGIN_H

#include <stddef.h>

#if defined(_WIN32)
#define VIS_CALL __cdecl
#define VIS_EXPORT __declspec(dllexport)
#else
#define VIS_CALL
#define VIS_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef struct winampVisModule winampVisModule;

struct winampVisModule {
    char* description;
    void* hwndParent;   /* written by the host: its main window */
    void* hDllInstance; /* written by the host: the library's module handle */
    int sRate;          /* written by the host: 44100 */
    int nCh;            /* written by the host: 2 */
    int latencyMs;      /* how far ahead of the sound the data should be */
    int delayMs;        /* milliseconds between frames */
    int spectrumNch;    /* spectrum channels wanted; 0 for none */
    int waveformNch;    /* waveform channels wanted */
    unsigned char spectrumData[2][576];
    unsigned char waveformData[2][576];
    void(VIS_CALL* Config)(winampVisModule* module);
    int(VIS_CALL* Init)(winampVisModule* module);   /* 0 for success */
    int(VIS_CALL* Render)(winampVisModule* module); /* nonzero asks the host to stop */
    void(VIS_CALL* Quit)(winampVisModule* module);
    void* userData;
};

typedef struct winampVisHeader {
    int version; /* VIS_HEADER_VERSION */
    char* description;
    winampVisModule*(VIS_CALL* getModule)(int index);
} winampVisHeader;

typedef winampVisHeader*(VIS_CALL* winampVisGetHeaderType)(void);

#define VIS_HEADER_VERSION 0x101
#define VIS_GET_HEADER_NAME "winampVisGetHeader"

#if defined(__SIZEOF_POINTER__) && __SIZEOF_POINTER__ == 4
#ifdef __cplusplus
#define VIS_STATIC_ASSERT(condition, text) static_assert(condition, text)
#else
#define VIS_STATIC_ASSERT(condition, text) _Static_assert(condition, text)
#endif
VIS_STATIC_ASSERT(offsetof(winampVisModule, spectrumData) == 36, "spectrumData");
VIS_STATIC_ASSERT(offsetof(winampVisModule, waveformData) == 36 + 1152, "waveformData");
VIS_STATIC_ASSERT(offsetof(winampVisModule, Config) == 36 + 2304, "Config");
VIS_STATIC_ASSERT(sizeof(winampVisModule) == 36 + 2304 + 20, "module record");
VIS_STATIC_ASSERT(sizeof(winampVisHeader) == 12, "header");
#undef VIS_STATIC_ASSERT
#endif

#ifdef __cplusplus
}
#endif

#endif
