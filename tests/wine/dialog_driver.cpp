#include "dialog_driver.h"

#include <commctrl.h>

#include "host/host_main.h"
#include "host/host_state.h"
#include "settings/config_dialog.h"

namespace {

struct DriverContext {
    DWORD DialogThread;
    const std::function<void(HWND)>* Script;
    DrivenDialog* Outcome;
};

HWND DialogOfThread(DWORD threadId) {
    HWND dialog = nullptr;
    while ((dialog = FindWindowExA(nullptr, dialog, "#32770", nullptr)) != nullptr)
        if (GetWindowThreadProcessId(dialog, nullptr) == threadId && IsWindowVisible(dialog)) return dialog;
    return nullptr;
}

bool IsPainted(HWND dialog) {
    if (GetUpdateRect(dialog, nullptr, FALSE)) return false;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (GetUpdateRect(child, nullptr, FALSE)) return false;
    // FreqValueText leaves its first text at the slider's first paint.
    return ItemText(dialog, FreqValueText) != "0000";
}

DWORD WINAPI Drive(void* parameter) {
    auto* context = static_cast<DriverContext*>(parameter);
    HWND dialog = nullptr;
    WaitUntil([&] { return (dialog = DialogOfThread(context->DialogThread)) != nullptr; }, 15000, BetweenPolls::Sleep);
    if (!dialog) return 0;
    // Until every slider has painted once, a late first paint could still
    // reorder thresholds that the script has just moved.
    context->Outcome->Found = WaitUntil([&] { return IsPainted(dialog); }, 15000, BetweenPolls::Sleep);
    if (context->Outcome->Found) (*context->Script)(dialog);
    if (!WaitUntil([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }, DialogReactionMs,
                   BetweenPolls::Sleep)) {
        context->Outcome->EndedByDriver = true;
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    }
    return 0;
}

}  // namespace

DrivenDialog DriveConfigDialog(const std::function<void(HWND)>& script) {
    DrivenDialog outcome;
    DriverContext context{GetCurrentThreadId(), &script, &outcome};
    HANDLE driver = CreateThread(nullptr, 0, Drive, &context, 0, nullptr);
    HostState.Instance = GetModuleHandleA(nullptr);
    outcome.Result = RunConfigDialog(nullptr);
    WaitForSingleObject(driver, INFINITE);
    CloseHandle(driver);
    return outcome;
}

int SliderPos(HWND dialog, int id) {
    return static_cast<int>(SendDlgItemMessageA(dialog, id, TBM_GETPOS, 0, 0));
}

Thresholds ThresholdPositions(HWND dialog) {
    Thresholds positions;
    for (int k = 0; k < 6; ++k) positions[k] = SliderPos(dialog, ThresholdSliders[k]);
    return positions;
}

void MoveSlider(HWND dialog, int id, int position) {
    SendDlgItemMessageA(dialog, id, TBM_SETPOS, TRUE, position);
}

void PostKeyPressTo(HWND control, UINT virtualKey) {
    const UINT scan = MapVirtualKeyA(virtualKey, 0);
    PostMessageA(control, WM_KEYDOWN, virtualKey, 1 | (scan << 16));
    PostMessageA(control, WM_KEYUP, virtualKey, 1 | (scan << 16) | 0xC0000000);
}

void DragThumbToEnd(HWND dialog, int id, bool toRight) {
    HWND slider = GetDlgItem(dialog, id);
    RECT thumb = {}, channel = {};
    SendMessageA(slider, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
    SendMessageA(slider, TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&channel));
    const int y = (thumb.top + thumb.bottom) / 2;
    const int fromX = (thumb.left + thumb.right) / 2;
    const int toX = toRight ? channel.right + 20 : channel.left - 20;
    PostMessageA(slider, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(fromX, y));
    PostMessageA(slider, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM((fromX + toX) / 2, y));
    PostMessageA(slider, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(toX, y));
    PostMessageA(slider, WM_LBUTTONUP, 0, MAKELPARAM(toX, y));
}

void ClickButton(HWND dialog, int id) {
    PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

Thresholds WaitForThresholds(HWND dialog, const Thresholds& expected) {
    Thresholds seen{};
    WaitUntil([&] { return (seen = ThresholdPositions(dialog)) == expected; }, DialogReactionMs, BetweenPolls::Sleep);
    return seen;
}
