// The dialog's room: the input it listens to, the level it hears on the
// thresholds' scale with the tile the saver would paint for it, and a
// sentence saying why when it hears nothing. The meter is the saver's, with
// its rules: no driver call on the dialog's thread.
#pragma once
#include <windows.h>

#include "resources/resource_ids.h"
#include "settings/level_display.h"
#include "settings/listening_status.h"
#include "settings/saver_settings.h"
#include "sound/room_gain.h"

constexpr int InputList = IDC_INPUT_LIST;
constexpr int LevelBar = IDC_LEVEL_BAR;
constexpr int LevelBand = IDC_LEVEL_BAND;
constexpr int ListeningText = IDC_LISTENING_TEXT;
constexpr int PrivacyButton = IDC_PRIVACY_BUTTON;
constexpr int DefaultsButton = IDC_DEFAULTS_BUTTON;
constexpr int AutoCheck = IDC_AUTO_CHECK;
constexpr int GainText = IDC_GAIN_TEXT;

// More than ten looks a second, on the dialog's own timer.
constexpr UINT LevelTimerId = 1;
constexpr UINT LevelTimerMs = 50;
// The list of inputs, made on a thread of its own, arrives with this
// message; its lParam is the list, which the dialog frees.
constexpr UINT InputsListedMessage = WM_APP + 1;

struct RoomPanelRecord {
    char Input[SettingTextSize];  // the INPUT text of the chosen item
    bool Listed;                  // the inputs were listed: the meter may be opened
    bool Listening;               // the meter was opened for it
    HeldLevel Held;
    RoomGainState Gain;  // hears the room whether or not the box is checked
    DWORD WindowsMajorVersion;
    char Shown[StatusTextSize];  // the sentence on screen
    HANDLE Lister;               // the thread listing the inputs, until the dialog ends
};

extern RoomPanelRecord RoomPanel;

// At WM_INITDIALOG, after the settings were loaded.
void StartRoomPanel(HWND dialog);
// Each tick of LevelTimerId.
void FollowRoom(HWND dialog);
void ShowListedInputs(HWND dialog, LPARAM list);
// The list's choice changed: the level follows the new input at once.
void FollowChosenInput(HWND dialog);
// The Defaults button's input half: the default input, heard at once.
void ChooseDefaultInput(HWND dialog);
// "1" when the room's gain is to be followed, else "".
const char* AutoTextOf(HWND dialog);
void OpenPrivacyPage(HWND dialog);
void DrawBandTile(const DRAWITEMSTRUCT* item);
// At WM_DESTROY: the meter lets its device go on its own thread.
void EndRoomPanel(HWND dialog);
