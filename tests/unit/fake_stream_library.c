/* A stream library written in plain C, with awkward records, for the registry
   and probing tests: nothing at index 0, two patterns in one filter, a record
   whose magic is off by its last byte, an empty filter, and an ownInput module
   that takes "fake://" names. The first module has an extension from a
   library built when it held only the sound of each decode. */
#include <string.h>

#include "stream/stream_module.h"

static StreamModule twoPatterns;
static StreamModule badMagic;
static StreamModule noFilter;
static StreamModule location;

static int STREAM_CALL reject(void) { return 0; }
static int STREAM_CALL songInfoForAaa(const char* name) {
    size_t length = name ? strlen(name) : 0;
    return length > 4 && strcmp(name + length - 4, ".aaa") == 0;
}
static int STREAM_CALL closeRecord(void) { return 1; }
static int STREAM_CALL openLocation(void) {
    return strncmp(location.fileName, "fake://", 7) == 0 && location.ioRead(NULL, 1, 1) == 0;
}

static void fill(StreamModule* record, const char* magic, const char* filter, const char* description) {
    memcpy(record->magic, magic, 4);
    record->flags = pcmOutput;
    record->fileFilter = filter;
    record->description = description;
    record->open = reject;
    record->close = closeRecord;
}

static StreamModule* STREAM_CALL getModule(int index) {
    switch (index) {
        case 1: return &twoPatterns;
        case 2: return &badMagic;
        case 3: return &noFilter;
        case 1048575: return &location;
        default: return NULL;
    }
}

static StreamLibraryHeader header = {0x100, "Fake streams for tests", getModule};

static int STREAM_CALL noSound(void) { return 0; }
static int STREAM_CALL unreadLoudness(StreamLoudness* loudness) { return loudness != NULL; }
static StreamModuleExtension shortExtension = {offsetof(StreamModuleExtension, getLoudness), noSound,
                                               unreadLoudness, NULL};

STREAM_EXPORT StreamModuleExtension* STREAM_CALL tumborGetStreamExtension(int index) {
    return index == 1 ? &shortExtension : NULL;
}

STREAM_EXPORT StreamLibraryHeader* STREAM_CALL tumborGetStreamHeader(void) {
    fill(&twoPatterns, "TBSM", "Fake (*.aaa;*.bbb)|*.aaa;*.bbb|", "two patterns");
    fill(&badMagic, "TBSm", "Bad (*.bad)|*.bad|", "bad magic");
    fill(&noFilter, "TBSM", "", "no filter");
    fill(&location, "TBSM", "Fake locations|", "locations");
    twoPatterns.songInfo = songInfoForAaa;
    location.flags = ownInput | pcmOutput;
    location.open = openLocation;
    return &header;
}
