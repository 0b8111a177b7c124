#include "host/saver_window.h"

int RunSaverWindow(HWND) {
    // The saver window is not built yet: the mode ends quietly.
    return 0;
}
