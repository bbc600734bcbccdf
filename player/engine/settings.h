// The player's persistent settings, kept in "Tumbor.ini" in the program
// folder: read once at start, written in full once at exit.
#pragma once

#include <string>

#include "player/engine/equalizer.h"
#include "player/engine/replay_gain.h"

namespace tumbor {

struct Settings {
    // [Sound]
    int device = -1;       // wave device; -1 is the system's default device
    int buffer = 20;       // output buffer length in tenths of a second
    int volume = 65536;    // volume gauge value, 0 .. 65536
    int gapless = 1;             // 1: the next song of the same format follows without a gap
    int replayGain = 0;          // 0 off, 1 track gain, 2 album gain
    int replayGainPreamp = 0;    // tenths of a dB added to tagged gains
    int replayGainNoClip = 1;    // 1: a gain never lifts the tagged peak above full scale
    int replayGainDefault = 0;   // tenths of a dB for files without gain values
    // [General]
    int pageOptions = 0;
    std::string filepath;  // folder the open and save dialogs start in
    std::string lastLocation;
    int gui = 0;           // 0 design file, 1 skin
    int timemode = 0;      // 0 elapsed, 1 remaining
    int systray = 31;
    int minimizeState = 1;
    int minimized = 0;
    int openFilter = 1;
    int x = 0;             // main window position
    int y = 0;
    int topmost = 0;
    int snap = 1;
    // [Plugins]
    std::string pluginLibrary;
    int pluginModule = 0;
    int autoExecute = 1;
    int pluginPriority = -15;
    std::string pluginPath;
    // [Design]
    std::string designCurrent = "TumborR.design";
    std::string designPath;
    // [Skin]
    std::string skinCurrent = "Base";
    std::string skinPath;
    // [Playlist]
    int playlistX = 0;
    int playlistY = 0;
    int playlistWidth = 300;
    int playlistHeight = 300;
    int clear = 2;
    int repeat = 1;
    int repeatX = 1;
    int shuffle = 0;
    int active = 0;
    int advance = 1;
    // [Equalizer], the levels in tenths of a dB
    int equalizerEnabled = 0;
    int equalizerVisible = 0;  // 1: its window is shown
    int equalizerPreamp = 0;
    int equalizerBand1 = 0;  // 60 Hz
    int equalizerBand2 = 0;
    int equalizerBand3 = 0;
    int equalizerBand4 = 0;
    int equalizerBand5 = 0;
    int equalizerBand6 = 0;
    int equalizerBand7 = 0;
    int equalizerBand8 = 0;
    int equalizerBand9 = 0;
    int equalizerBand10 = 0;  // 16 kHz

    // Defaults that depend on where the program is and on the screen.
    static Settings defaults(const std::string& programFolder, int centredX, int centredY);
};

// The engine's ReplayGain settings from the "Sound" keys.
ReplayGainSettings replayGainSettingsOf(const Settings& settings);

// The equalizer's levels and switch from the "Equalizer" keys, held within
// the limits, and the other way round.
EqualizerSettings equalizerSettingsOf(const Settings& settings);
void storeEqualizerSettings(Settings& settings, const EqualizerSettings& equalizer);

// Every key read in the order the player reads them; a missing file or key
// gives the value already in defaults.
Settings readSettings(const std::string& iniPath, const Settings& defaults);

// Every key written in the order the player writes them. The file is written
// as a copy and then put in place of the old one, so a crash while saving
// leaves the previous file whole; other sections (the libraries') are kept.
bool writeSettings(const std::string& iniPath, const Settings& settings);

}  // namespace tumbor
