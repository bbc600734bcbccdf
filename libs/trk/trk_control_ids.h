/* Resource numbers of the tracker library's dialogs and their controls, shared
   by the resource script and the code. Plain C for the resource compiler. */
#ifndef TUMBOR_TRK_CONTROL_IDS_H
#define TUMBOR_TRK_CONTROL_IDS_H

#define IDD_TRK_CONFIG 129
#define IDD_TRK_SONG_INFO 130

#define IDC_TRK_QUALITY_BEST 1001
#define IDC_TRK_QUALITY_MEDIUM 1002
#define IDC_TRK_QUALITY_WORST 1003
#define IDC_TRK_CHANNELS_MONO 1004
#define IDC_TRK_CHANNELS_STEREO 1005
#define IDC_TRK_BITS_16 1006
#define IDC_TRK_BITS_8 1007
#define IDC_TRK_INTERPOLATION_ON 1008
#define IDC_TRK_INTERPOLATION_OFF 1009

#define IDC_TRK_SONG_NAME 1010
#define IDC_TRK_SONG_MESSAGE 1011

#define IDC_TRK_INTERPOLATION_CUBIC 1012
#define IDC_TRK_INTERPOLATION_SINC 1013
#define IDC_TRK_RAMPING 1014
#define IDC_TRK_SEPARATION 1015

#endif
