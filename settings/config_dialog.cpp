#include "settings/config_dialog.h"

#include <commctrl.h>

#include <cstdarg>

#include "settings/room_panel.h"
#include "settings/saver_settings.h"
#include "settings/settings_file.h"
#include "settings/slider_values.h"
#include "settings/threshold_order.h"

namespace {

constexpr int FirstThreshold = ThresholdSliders[0];
constexpr int LastThreshold = ThresholdSliders[ThresholdCount - 1];

int ReadSlider(void* dialog, int id) {
    return GetSliderPos(static_cast<HWND>(dialog), id);
}

void WriteSlider(void* dialog, int id, int position) {
    SetSliderPos(static_cast<HWND>(dialog), id, position);
}

void StartDialog(HWND dialog) {
    char version[256];
    if (LoadStringA(nullptr, VersionStringId, version, sizeof version) > 0)
        SetDlgItemTextA(dialog, VersionText, version);
    BuildSettingsPath(SaverSettings.SettingsPath);
    LoadSettings();
    SetSliderRange(dialog, FreqSlider, FreqMinimum, FreqMaximum);
    SetSliderPos(dialog, FreqSlider, FreqStartPosition(SaverSettings.Freq));
    for (int k = 0; k < ThresholdCount; ++k) {
        SetSliderRange(dialog, ThresholdSliders[k], ThresholdMinimum, ThresholdMaximum);
        SetSliderPos(dialog, ThresholdSliders[k], ThresholdStartPosition(SaverSettings.Thresholds[k]));
    }
    // Listening in configuration mode, while the dialog is shown, is new:
    // the user sets the thresholds by what the saver hears.
    StartRoomPanel(dialog);
}

// Shown only; OK saves them.
void PutDefaults(HWND dialog) {
    SetSliderPos(dialog, FreqSlider, SettingNumber(DefaultFreqText));
    for (int k = 0; k < ThresholdCount; ++k)
        SetSliderPos(dialog, ThresholdSliders[k], SettingNumber(DefaultThresholdTexts[k]));
    ChooseDefaultInput(dialog);
    CheckDlgButton(dialog, AutoCheck, BST_UNCHECKED);
}

void SaveDialog(HWND dialog) {
    FormatText(SaverSettings.Freq, "%d", GetSliderPos(dialog, FreqSlider));
    for (int k = 0; k < ThresholdCount; ++k)
        FormatText(SaverSettings.Thresholds[k], "%d", GetSliderPos(dialog, ThresholdSliders[k]));
    lstrcpynA(SaverSettings.Input, RoomPanel.Input, SettingTextSize);
    lstrcpynA(SaverSettings.Auto, AutoTextOf(dialog), SettingTextSize);
    SaveSettings();
}

// Every paint and every end of a drag notifies, so the value text and the
// order follow each change whatever made it.
void FollowSlider(HWND dialog, int id) {
    if (id == FreqSlider) {
        ShowSliderValue(dialog, FreqSlider, FreqValueText);
    } else if (id >= FirstThreshold && id <= LastThreshold) {
        OrderThresholdSliders(dialog, id, FirstThreshold, id, -1);
        OrderThresholdSliders(dialog, id, id, LastThreshold, +1);
    }
}

void OnCommand(HWND dialog, int id, int notification) {
    switch (id) {
    case IDOK:
        SaveDialog(dialog);
        EndDialog(dialog, IDOK);
        break;
    case IDCANCEL:
        EndDialog(dialog, IDCANCEL);
        break;
    case InputList:
        if (notification == CBN_SELCHANGE) FollowChosenInput(dialog);
        break;
    case DefaultsButton:
        PutDefaults(dialog);
        break;
    case PrivacyButton:
        OpenPrivacyPage(dialog);
        break;
    }
}

}  // namespace

void FormatText(char* target, const char* format, ...) {
    char text[1024];  // wvsprintfA writes at most 1024 bytes, whatever it is given
    va_list arguments;
    va_start(arguments, format);
    wvsprintfA(text, format, arguments);
    va_end(arguments);
    lstrcpynA(target, text, FormatTextSize);
}

void SetSliderRange(HWND dialog, int id, int minimum, int maximum) {
    SendDlgItemMessageA(dialog, id, TBM_SETRANGEMIN, FALSE, minimum);
    SendDlgItemMessageA(dialog, id, TBM_SETRANGEMAX, TRUE, maximum);
}

void SetSliderPos(HWND dialog, int id, int position) {
    SendDlgItemMessageA(dialog, id, TBM_SETPOS, TRUE, position);
}

int GetSliderPos(HWND dialog, int id) {
    return static_cast<int>(SendDlgItemMessageA(dialog, id, TBM_GETPOS, 0, 0));
}

void ShowSliderValue(HWND dialog, int sliderId, int textId) {
    SetDlgItemInt(dialog, textId, static_cast<UINT>(GetSliderPos(dialog, sliderId)), TRUE);
}

void OrderThresholdSliders(HWND dialog, int moved, int first, int last, int direction) {
    OrderThresholds(PositionAccess{dialog, ReadSlider, WriteSlider}, moved, first, last, direction);
}

INT_PTR CALLBACK ConfigDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        StartDialog(dialog);
        return TRUE;  // the focus goes to the first control, FreqSlider
    case WM_NOTIFY:
        FollowSlider(dialog, static_cast<int>(wParam));
        return TRUE;
    case WM_COMMAND:
        OnCommand(dialog, LOWORD(wParam), HIWORD(wParam));
        return FALSE;
    case WM_TIMER:
        FollowRoom(dialog);
        return TRUE;
    case InputsListedMessage:
        ShowListedInputs(dialog, lParam);
        return TRUE;
    case WM_DRAWITEM:
        if (wParam != static_cast<WPARAM>(LevelBand)) return FALSE;
        DrawBandTile(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_DESTROY:
        EndRoomPanel(dialog);
        return FALSE;
    }
    return FALSE;
}
