// Identifiers of the player program's icon, dialog templates and their controls.
#pragma once

#define IDI_TUMBOR 1

#define IDD_PLAYLIST 100
#define IDC_PLAYLIST_LIST 3001
#define IDC_PLAYLIST_ADD 3002
#define IDC_PLAYLIST_REMOVE 3003
#define IDC_PLAYLIST_UP 3004
#define IDC_PLAYLIST_DOWN 3005

#define IDD_LOCATION 110
#define IDC_LOCATION_TEXT 1101

#define IDD_ABOUT 120
#define IDC_ABOUT_ICON 1201
