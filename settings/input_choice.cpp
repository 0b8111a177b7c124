#include "settings/input_choice.h"

#include <cstring>

const char NoInputText[] = "none";

InputKind InputKindOf(const char* inputText) {
    if (inputText[0] == '\0') return InputKind::Default;
    if (std::strcmp(inputText, NoInputText) == 0) return InputKind::None;
    return InputKind::Named;
}

const char* MeterInputName(const char* inputText) {
    return InputKindOf(inputText) == InputKind::Named ? inputText : "";
}

InputItems LayOutInputItems(const char* inputText, const char* const* listedNames, int count) {
    InputItems items = {count + 2, 0, false};
    switch (InputKindOf(inputText)) {
    case InputKind::Default:
        return items;
    case InputKind::None:
        items.Selected = items.Count - 1;
        return items;
    case InputKind::Named:
        break;
    }
    for (int i = 0; i < count; ++i)
        if (std::strcmp(listedNames[i], inputText) == 0) {
            items.Selected = i + 1;
            return items;
        }
    items.ExtraItem = true;
    items.Count += 1;
    items.Selected = count + 1;
    return items;
}

const char* InputTextOfItem(int item, int itemCount, const char* itemName) {
    if (item <= 0) return "";
    if (item >= itemCount - 1) return NoInputText;
    return itemName;
}
