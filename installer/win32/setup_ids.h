// Resource identifiers of TumborSetup.exe: the wizard's pages and their controls.
#pragma once

#define IDI_SETUP 1

#define IDD_WELCOME 129
#define IDD_INSTALL 130
#define IDD_NO_EARLIER 131
#define IDD_UPDATE 132
#define IDD_FINISH 133
#define IDD_PROGRESS 134

#define IDC_UPDATE 5
#define IDC_PATH 1002
#define IDC_CHANGE_PATH 1003
#define IDC_PROGRAM_ENTRY 1008
#define IDC_DESKTOP_ICON 1009
#define IDC_START_PLAYER 1010
#define IDC_PROGRESS 1011
