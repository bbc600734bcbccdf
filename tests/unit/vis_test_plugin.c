/* A visualization plug-in for the tests, in plain C, exporting only
   winampVisGetHeader. It appends what it receives to the file named by the
   environment variable TUMBOR_VIS_LOG, one line per call:
     init M rate=R channels=C parent=0|1 instance=0|1
     render M WAVE_LEFT WAVE_RIGHT SPECTRUM_LEFT SPECTRUM_RIGHT   (576 bytes each, in hex)
     quit M
     config M init-thread=0|1|-    (whether configure ran on the thread that ran init)
   Modules: 0 records; 1 wants no spectrum (and fills its spectrum with 0x5A at
   init); 2 takes 600 ms to quit; 3 asks to stop at its third timed frame;
   4 has configure but no init. */
#include <stdatomic.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "vis/vis_plugin.h"

#if defined(_WIN32)
#include <windows.h>
static unsigned long threadNumber(void) { return GetCurrentThreadId(); }
static void sleepMs(unsigned ms) { Sleep(ms); }
#else
#include <pthread.h>
#include <time.h>
static unsigned long threadNumber(void) { return (unsigned long)pthread_self(); }
static void sleepMs(unsigned ms) {
    struct timespec wait = {ms / 1000, (long)(ms % 1000) * 1000000L};
    nanosleep(&wait, NULL);
}
#endif

enum { kModules = 5, kSlowQuitMs = 600, kStopAtFrame = 3 };

static winampVisModule modules[kModules];
static int renders[kModules];
/* Written on the plug-in's thread, read by configure on the window's. */
static atomic_ulong initThread[kModules];
static atomic_int initRan[kModules];

static int indexOf(const winampVisModule* module) { return (int)(module - modules); }

static void logLine(const char* text) {
    const char* path = getenv("TUMBOR_VIS_LOG");
    FILE* file = path ? fopen(path, "ab") : NULL;
    if (!file) return;
    fputs(text, file);
    fputc('\n', file);
    fclose(file);
}

static char* appendHex(char* out, const unsigned char* data, int count) {
    static const char digits[] = "0123456789abcdef";
    int i;
    *out++ = ' ';
    for (i = 0; i < count; ++i) {
        *out++ = digits[data[i] >> 4];
        *out++ = digits[data[i] & 15];
    }
    return out;
}

static int VIS_CALL init(winampVisModule* module) {
    char line[160];
    const int index = indexOf(module);
    renders[index] = 0;
    initRan[index] = 1;
    initThread[index] = threadNumber();
    if (index == 1) memset(module->spectrumData, 0x5A, sizeof module->spectrumData);
    snprintf(line, sizeof line, "init %d rate=%d channels=%d parent=%d instance=%d", index, module->sRate,
             module->nCh, module->hwndParent != NULL, module->hDllInstance != NULL);
    logLine(line);
    return 0;
}

static int VIS_CALL render(winampVisModule* module) {
    static char line[16 + 4 * (1 + 2 * 576)];
    const int index = indexOf(module);
    char* out = line + sprintf(line, "render %d", index);
    out = appendHex(out, module->waveformData[0], 576);
    out = appendHex(out, module->waveformData[1], 576);
    out = appendHex(out, module->spectrumData[0], 576);
    out = appendHex(out, module->spectrumData[1], 576);
    *out = '\0';
    logLine(line);
    /* The first call comes before the timer starts. */
    return index == 3 && renders[index]++ == kStopAtFrame;
}

static void VIS_CALL quit(winampVisModule* module) {
    char line[32];
    const int index = indexOf(module);
    if (index == 2) sleepMs(kSlowQuitMs);
    initRan[index] = 0;
    snprintf(line, sizeof line, "quit %d", index);
    logLine(line);
}

static void VIS_CALL configure(winampVisModule* module) {
    char line[48];
    const int index = indexOf(module);
    snprintf(line, sizeof line, "config %d init-thread=%s", index,
             !initRan[index]                       ? "-"
             : initThread[index] == threadNumber() ? "1"
                                                   : "0");
    logLine(line);
}

static winampVisModule* VIS_CALL getModule(int index) {
    static char* const descriptions[kModules] = {"Recorder", "Waveform only", "Slow to quit", "Stops itself",
                                                 "Configure without init"};
    winampVisModule* module;
    if (index < 0 || index >= kModules) return NULL;
    module = &modules[index];
    module->description = descriptions[index];
    module->latencyMs = 25;
    module->delayMs = 20;
    module->spectrumNch = index == 1 ? 0 : 2;
    module->waveformNch = 2;
    module->Init = index == 4 ? NULL : init;
    module->Render = render;
    module->Quit = quit;
    module->Config = configure;
    return module;
}

static winampVisHeader header = {VIS_HEADER_VERSION, "Tumbor test recorder", getModule};

VIS_EXPORT winampVisHeader* VIS_CALL winampVisGetHeader(void) { return &header; }
