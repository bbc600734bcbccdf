// The text of the tracker library's about box, shown in a message box without
// owner or caption.
#pragma once

namespace tumbor::trk {

// Lines separated by line feeds, the last one ended by one too.
inline const char* trkAboutText() {
    return "This module support was taken from Oxbeam for DOS.\n"
           "\n"
           "It decodes the following formats:\n"
           ".MOD (Protracker/Fasttracker I)\n"
           ".STM (Screamtracker <v3)\n"
           ".S3M (Screamtracker v3)\n"
           ".XM  (Fasttracker II)\n"
           ".IT  (Impulse tracker)\n"
           ".MDL (Digitrakker)\n"
           ".DMF (X-Tracker)\n"
           ".FAR (Farandole composer)\n"
           ".MTM (Multitracker)\n"
           ".DSM (Digital sound module)\n"
           ".PTM (Polytracker)\n"
           ".669\n";
}

}  // namespace tumbor::trk
