#include "settings/room_panel.h"

#include <commctrl.h>
#include <mmsystem.h>
#include <shellapi.h>

#include <cstdlib>
#include <cstring>

#include "settings/config_dialog.h"
#include "settings/input_choice.h"
#include "sound/sound_meter.h"
#include "sound/tile_band.h"

RoomPanelRecord RoomPanel = {};

namespace {

const char DefaultInputItem[] = "Default input";
const char NoInputItem[] = "None: random tiles";

constexpr int MaxListedInputs = 64;

struct ListedInputs {
    int Count;
    char Names[MaxListedInputs][MAXPNAMELEN];
};

// Listing asks the driver too, so it runs away from the dialog's thread.
DWORD WINAPI ListInputs(LPVOID dialog) {
    auto* list = static_cast<ListedInputs*>(std::calloc(1, sizeof(ListedInputs)));
    if (list == nullptr) return 0;
    const UINT count = waveInGetNumDevs();
    for (UINT id = 0; id < count && list->Count < MaxListedInputs; ++id) {
        WAVEINCAPSA caps = {};
        if (waveInGetDevCapsA(id, &caps, sizeof caps) != MMSYSERR_NOERROR) continue;
        lstrcpynA(list->Names[list->Count++], caps.szPname, MAXPNAMELEN);
    }
    if (!PostMessageA(static_cast<HWND>(dialog), InputsListedMessage, 0, reinterpret_cast<LPARAM>(list)))
        std::free(list);
    return 0;
}

// False when no thread could list them.
bool StartListingInputs(HWND dialog) {
    DWORD threadId;  // Windows 9x refuses a null pointer here
    RoomPanel.Lister = CreateThread(nullptr, 0, ListInputs, dialog, 0, &threadId);
    return RoomPanel.Lister != nullptr;
}

// A process that ended while a thread was inside the sound system's first
// connection was seen to abort in Wine's PulseAudio driver as it unloaded,
// with an exit code other than the dialog's: a thread already talking to the
// driver gets a moment to finish, never more than DriverExitGraceMs.
void LetDriverCallsFinish() {
    const DWORD start = GetTickCount();
    if (RoomPanel.Lister != nullptr) {
        WaitForSingleObject(RoomPanel.Lister, DriverExitGraceMs);
        CloseHandle(RoomPanel.Lister);
        RoomPanel.Lister = nullptr;
    }
    SoundMeterReport report = {};
    for (;;) {
        ReadSoundMeterReport(&report);
        if (report.State != MeterState::Opening || GetTickCount() - start >= DriverExitGraceMs) return;
        Sleep(10);
    }
}

// Windows 10 and later report themselves truly only to RtlGetVersion: a
// program without a manifest that names them hears 6.2 from GetVersionExA.
DWORD WindowsMajorVersion() {
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    auto rtlGetVersion =
        ntdll ? reinterpret_cast<RtlGetVersionFn>(reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))
              : nullptr;
    OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = sizeof version;
    if (rtlGetVersion && rtlGetVersion(&version) == 0) return version.dwMajorVersion;
    OSVERSIONINFOA fallback = {};
    fallback.dwOSVersionInfoSize = sizeof fallback;
    return GetVersionExA(&fallback) ? fallback.dwMajorVersion : 0;
}

void ListenTo(const char* inputText) {
    MMRESULT code;
    if (RoomPanel.Listening) CloseSoundMeter(&code);
    RoomPanel.Listening = InputKindOf(inputText) != InputKind::None;
    // The dialog never waits for the driver's answer: the status shows it.
    if (RoomPanel.Listening) OpenSoundMeter(MeterInputName(inputText), 0, &code);
    RoomPanel.Held = HeldLevel{};
}

void ChooseInput(const char* inputText) {
    lstrcpynA(RoomPanel.Input, inputText, SettingTextSize);
    if (RoomPanel.Listed) ListenTo(inputText);
}

// The list: "Default input", the named inputs, then "None: random tiles";
// the chosen input selected, kept as an item of its own when it is missing.
void FillInputList(HWND dialog, const char* const* names, int count) {
    HWND list = GetDlgItem(dialog, InputList);
    SendMessageA(list, CB_RESETCONTENT, 0, 0);
    const InputItems items = LayOutInputItems(RoomPanel.Input, names, count);
    SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(DefaultInputItem));
    for (int i = 0; i < count; ++i) SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(names[i]));
    if (items.ExtraItem) SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(RoomPanel.Input));
    SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(NoInputItem));
    SendMessageA(list, CB_SETCURSEL, items.Selected, 0);
}

MeterCondition ConditionOf(const SoundMeterReport& report) {
    if (InputKindOf(RoomPanel.Input) == InputKind::None) return MeterCondition::NotListening;
    if (!RoomPanel.Listening) return MeterCondition::Opening;
    switch (report.State) {
    case MeterState::Listening:
    case MeterState::Capturing:
        return MeterCondition::Open;
    case MeterState::GivenUp:
        return MeterCondition::Failed;
    case MeterState::Absent:
    case MeterState::Releasing:
        // Until an open has failed, the input was lost rather than refused.
        return report.LastOpenCode != MMSYSERR_NOERROR ? MeterCondition::Failed : MeterCondition::Lost;
    default:
        return MeterCondition::Opening;
    }
}

void ShowStatus(HWND dialog) {
    SoundMeterReport report = {};
    ReadSoundMeterReport(&report);
    const ListeningFacts facts = {ConditionOf(report),
                                  report.LastOpenCode,
                                  report.InputCount,
                                  report.NamedInputMissing,
                                  MeterInputName(RoomPanel.Input),
                                  report.InputName,
                                  report.SilentForMs};
    char sentence[StatusTextSize];
    DescribeListening(facts, sentence);
    // Only a changed sentence is set, so the line does not flicker.
    if (std::strcmp(sentence, RoomPanel.Shown) != 0) {
        std::strcpy(RoomPanel.Shown, sentence);
        SetDlgItemTextA(dialog, ListeningText, sentence);
    }
    const bool privacy = OffersPrivacyPage(facts, RoomPanel.WindowsMajorVersion);
    HWND button = GetDlgItem(dialog, PrivacyButton);
    if ((IsWindowVisible(button) != FALSE) != privacy) ShowWindow(button, privacy ? SW_SHOW : SW_HIDE);
}

bool FollowsLoudness(HWND dialog) {
    return IsDlgButtonChecked(dialog, AutoCheck) == BST_CHECKED;
}

// With the box checked the bar shows the level after the gain, so the bar
// and the thresholds still read on one scale.
SoundLevel LevelOnThresholdScale(HWND dialog, SoundLevel measured) {
    const int32_t top = GetSliderPos(dialog, ThresholdSliders[ThresholdCount - 1]);
    const SoundLevel gained = FollowRoomLoudness(RoomPanel.Gain, measured, GetTickCount(), top);
    char text[FormatTextSize] = "";
    if (FollowsLoudness(dialog)) {
        const int tenths = static_cast<int>(RoomGainFactor(RoomPanel.Gain, top) * 10 + 0.5);
        FormatText(text, "x%d.%d", tenths / 10, tenths % 10);
    }
    char before[16] = {};
    GetDlgItemTextA(dialog, GainText, before, sizeof before);
    if (std::strcmp(before, text) != 0) SetDlgItemTextA(dialog, GainText, text);
    return FollowsLoudness(dialog) ? gained : measured;
}

void ShowLevel(HWND dialog, SoundLevel measured) {
    const SoundLevel shown = ShownLevel(RoomPanel.Held, measured, GetTickCount());
    SendDlgItemMessageA(dialog, LevelBar, PBM_SETPOS, static_cast<WPARAM>(shown), 0);
    int32_t thresholds[ThresholdCount];
    for (int k = 0; k < ThresholdCount; ++k) thresholds[k] = GetSliderPos(dialog, ThresholdSliders[k]);
    const int band = BandOfLevel(shown, thresholds);
    char text[2] = {static_cast<char>('0' + band), '\0'};
    char before[4] = {};
    GetDlgItemTextA(dialog, LevelBand, before, sizeof before);
    if (std::strcmp(before, text) != 0) {
        SetDlgItemTextA(dialog, LevelBand, text);
        InvalidateRect(GetDlgItem(dialog, LevelBand), nullptr, FALSE);
    }
}

}  // namespace

void StartRoomPanel(HWND dialog) {
    RoomPanel = RoomPanelRecord{};
    RoomPanel.WindowsMajorVersion = WindowsMajorVersion();
    SendDlgItemMessageA(dialog, LevelBar, PBM_SETRANGE32, 0, LevelBarMaximum);
    CheckDlgButton(dialog, AutoCheck, RoomGainSwitchedOn(SaverSettings) ? BST_CHECKED : BST_UNCHECKED);
    lstrcpynA(RoomPanel.Input, SaverSettings.Input, SettingTextSize);
    FillInputList(dialog, nullptr, 0);
    // The meter is opened once the inputs are listed: Wine's winmm was seen
    // to fault when two threads of a process asked it for its devices first.
    if (!StartListingInputs(dialog)) {
        RoomPanel.Listed = true;
        ListenTo(RoomPanel.Input);
    }
    SetTimer(dialog, LevelTimerId, LevelTimerMs, nullptr);
}

void FollowRoom(HWND dialog) {
    int32_t level = 0;
    MMRESULT code;
    if (!RoomPanel.Listening || !StartLevelCapture(&level, &code)) level = 0;
    ShowLevel(dialog, LevelOnThresholdScale(dialog, level));
    ShowStatus(dialog);
}

void ShowListedInputs(HWND dialog, LPARAM listParameter) {
    auto* list = reinterpret_cast<ListedInputs*>(listParameter);
    const char* names[MaxListedInputs];
    for (int i = 0; i < list->Count; ++i) names[i] = list->Names[i];
    FillInputList(dialog, names, list->Count);
    std::free(list);
    RoomPanel.Listed = true;
    ListenTo(RoomPanel.Input);
}

void FollowChosenInput(HWND dialog) {
    HWND list = GetDlgItem(dialog, InputList);
    const int item = static_cast<int>(SendMessageA(list, CB_GETCURSEL, 0, 0));
    const int count = static_cast<int>(SendMessageA(list, CB_GETCOUNT, 0, 0));
    if (item < 0) return;
    char name[SettingTextSize] = {};
    if (SendMessageA(list, CB_GETLBTEXTLEN, item, 0) < SettingTextSize)
        SendMessageA(list, CB_GETLBTEXT, item, reinterpret_cast<LPARAM>(name));
    const char* inputText = InputTextOfItem(item, count, name);
    if (std::strcmp(inputText, RoomPanel.Input) != 0) ChooseInput(inputText);
}

void ChooseDefaultInput(HWND dialog) {
    SendDlgItemMessageA(dialog, InputList, CB_SETCURSEL, 0, 0);
    if (RoomPanel.Input[0] != '\0') ChooseInput("");
}

const char* AutoTextOf(HWND dialog) {
    return FollowsLoudness(dialog) ? "1" : "";
}

void OpenPrivacyPage(HWND dialog) {
    ShellExecuteA(dialog, "open", "ms-settings:privacy-microphone", nullptr, nullptr, SW_SHOWNORMAL);
}

// The tile itself, scaled into the control: the band's own colours.
void DrawBandTile(const DRAWITEMSTRUCT* item) {
    char text[4] = {};
    GetWindowTextA(item->hwndItem, text, sizeof text);
    const int band = text[0] >= '0' && text[0] <= '6' ? text[0] - '0' : 0;
    HINSTANCE module = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(item->hwndItem, GWLP_HINSTANCE));
    HBITMAP tile = LoadBitmapA(module, MAKEINTRESOURCEA(QuietestTile + band));
    HDC memory = CreateCompatibleDC(item->hDC);
    HGDIOBJ replaced = SelectObject(memory, tile);
    BITMAP size = {};
    GetObjectA(tile, sizeof size, &size);
    const RECT& r = item->rcItem;
    SetStretchBltMode(item->hDC, HALFTONE);
    StretchBlt(item->hDC, r.left, r.top, r.right - r.left, r.bottom - r.top, memory, 0, 0, size.bmWidth, size.bmHeight,
               SRCCOPY);
    SelectObject(memory, replaced);
    DeleteDC(memory);
    DeleteObject(tile);
}

void EndRoomPanel(HWND dialog) {
    KillTimer(dialog, LevelTimerId);
    // The dialog is hidden by now: the user waits for none of this.
    LetDriverCallsFinish();
    MMRESULT code;
    if (RoomPanel.Listening) CloseSoundMeter(&code);
    RoomPanel.Listening = false;
}
