/* Resource numbers of the MPEG library's dialogs and their controls, shared
   by the resource script and the code. Plain C for the resource compiler. */
#ifndef TUMBOR_MPA_CONTROL_IDS_H
#define TUMBOR_MPA_CONTROL_IDS_H

#define IDD_MPA_CONFIG 129
#define IDD_MPA_TAG_EDITOR 130

#define IDC_QUALITY_BEST 1001
#define IDC_QUALITY_MEDIUM 1002
#define IDC_QUALITY_WORST 1003
#define IDC_CHANNELS_MONO_MIX 1004
#define IDC_CHANNELS_STEREO 1005
#define IDC_CHANNELS_LEFT 1006
#define IDC_CHANNELS_RIGHT 1007

#define IDC_TAG_TITLE 1008
#define IDC_TAG_ARTIST 1009
#define IDC_TAG_ALBUM 1010
#define IDC_TAG_YEAR 1011
#define IDC_TAG_COMMENT 1013
#define IDC_TAG_GENRE 1017

#endif
