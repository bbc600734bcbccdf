// The names Windows gives the tracks of an audio CD: a drive letter, ":\track",
// two digits and ".cda", e.g. "d:\track07.cda".
#pragma once

namespace tumbor {

// The track number (1..99) a lower-case name stands for, or 0 when it names
// no track. The drive letter is not looked at, nor anything after ".cda".
int cdTrackNumber(const char* name);

}  // namespace tumbor
