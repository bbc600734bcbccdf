// Windows that run a test's script instead of showing themselves.
#include "libs/trk/host/trk_dialogs_script.h"

namespace tumbor::trk {
namespace {

std::function<bool(TrkSettings&)> configScript;
std::function<void()> songInfoScript;
SongInfoRecord record;
bool infoOpen = false;

}  // namespace

void scriptConfigDialog(std::function<bool(TrkSettings&)> script) { configScript = std::move(script); }
void scriptSongInfo(std::function<void()> script) { songInfoScript = std::move(script); }
const SongInfoRecord& songInfoRecord() { return record; }
void resetSongInfoRecord() { record = SongInfoRecord{}; }

bool showConfigDialog(void*, TrkSettings& settings) { return configScript && configScript(settings); }

void showSongInfo(void* owner, void*, const SongInfoText& info) {
    ++record.shown;
    record.owner = owner;
    record.info = info;
    infoOpen = true;
    if (songInfoScript) songInfoScript();
    infoOpen = false;
}

bool songInfoOpen() { return infoOpen; }

void closeSongInfo() {
    if (!infoOpen) return;
    ++record.closeRequests;
    infoOpen = false;
}

}  // namespace tumbor::trk
