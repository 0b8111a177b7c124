// Free of windows.h, so it builds and is tested natively.
// Identifiers of the program's resources and of the dialog's controls: plain
// #defines, because the resource script, the code and the tests all read them.
#pragma once

// The program icon; the number of IDI_APPLICATION, which the shell asks for.
#define IDI_PROGRAM 32512
// Asked for by the saver's window class and never shipped: the class has no icon.
#define IDI_CLASS_ICON 100

// Tile images, one per loudness band, quietest to loudest.
#define IDB_TILE_0 102
#define IDB_TILE_1 103
#define IDB_TILE_2 104
#define IDB_TILE_3 105
#define IDB_TILE_4 106
#define IDB_TILE_5 107
#define IDB_TILE_6 108

// The configuration dialog and its controls.
#define IDD_CONFIG 2003
#define IDC_VERSION_TEXT 1001
#define IDC_THRESHOLD_0 1003
#define IDC_THRESHOLD_1 1004
#define IDC_THRESHOLD_2 1005
#define IDC_THRESHOLD_3 1006
#define IDC_THRESHOLD_4 1007
#define IDC_THRESHOLD_5 1008
#define IDC_FREQ_SLIDER 1009
#define IDC_FREQ_TEXT 1010
// The room: what the saver hears, below the first twenty controls.
#define IDC_ROOM_FRAME 1011
#define IDC_INPUT_LIST 1012
#define IDC_LEVEL_BAR 1013
#define IDC_LEVEL_BAND 1014
#define IDC_LISTENING_TEXT 1015
#define IDC_PRIVACY_BUTTON 1016
#define IDC_DEFAULTS_BUTTON 1017
#define IDC_AUTO_CHECK 1018
#define IDC_GAIN_TEXT 1019

// The string table.
#define IDS_PRODUCT_NAME 1
#define IDS_VERSION 2
