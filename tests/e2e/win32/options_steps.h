// tumbor_driver's steps for the options sheet, the player's other dialogs and
// the tray notifications:
//   options                 waits up to 20 s for the sheet; prints "options PAGES CURRENT"
//   options-page N          makes page N (0 .. 5) the sheet's current page
//   options-set ID VALUE    sets a control of the current page as a user would: a check
//                           box to 0 or 1, a button "click", an edit's text, a list's or
//                           combo box's selection (a number), a slider's position
//   options-get ID          prints "value ..." for a control of the current page: a check
//                           box's 0 or 1, a text, a slider's position, a list's
//                           selection and lines ("list SEL line|line|..."), or a combo
//                           box's selection, count and selected line ("combo SEL of N LINE")
//   options-apply           presses Apply
//   options-ok              presses OK and waits for the sheet to close
//   dialog CAPTION          waits for the enabled window titled CAPTION; prints
//                           "dialog CAPTION: TEXTS" with its static texts
//   dialog-list CAPTION ID  prints "lines LINE[*]|..." of a list box, * marking the selected
//   dialog-select CAPTION ID N 0|1   selects or clears line N of a multiple-selection list
//   dialog-press CAPTION ID          presses a button (IDOK is 1, IDCANCEL 2)
//   tray ID left|right      the tray icon ID's notification of a button press
//   tray-window             prints "tray-window VISIBLE X Y WIDTH HEIGHT", the client area
//                           of the window that shows the tray icons
//   shown                   prints "shown VISIBLE ICONIC" for the main window
#pragma once

#include <windows.h>

#include <functional>
#include <string>

// Runs one of the steps above; false when step is none of them.
bool runOptionsStep(HWND player, const std::string& step, const std::function<const char*()>& next);
