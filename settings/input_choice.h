// Free of windows.h, so it builds and is tested natively.
// What the INPUT setting asks the saver to listen to, and how the dialog's
// list of inputs maps to it: "Default input", the inputs the system lists,
// then "None: random tiles".
#pragma once

enum class InputKind {
    Default,  // absent or empty: the default input
    None,     // no sound input at all: random tiles on white
    Named,    // an input by its name, as the system lists it
};

extern const char NoInputText[];  // "none"

InputKind InputKindOf(const char* inputText);

// The name the meter is asked for: "" for the default input.
const char* MeterInputName(const char* inputText);

// The list's item for a stored INPUT text among `count` listed names; a
// name no longer listed gets an item of its own after them (extraItem),
// so that an OK keeps it.
struct InputItems {
    int Count;       // items in all: default, the listed names, maybe the missing one, none
    int Selected;    // the item of the stored text
    bool ExtraItem;  // the stored name is missing: item Count - 2 holds it
};
InputItems LayOutInputItems(const char* inputText, const char* const* listedNames, int count);

// The INPUT text an item stands for: "" for the first, "none" for the last,
// else the item's own name.
const char* InputTextOfItem(int item, int itemCount, const char* itemName);
