// A plain top-level window of the given size for a program to draw into by
// its id: x_window WIDTH HEIGHT. Prints the id, then waits to be killed.
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: x_window WIDTH HEIGHT\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) return 1;
    const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, std::atoi(argv[1]),
                                              std::atoi(argv[2]), 0, 0, 0);
    XSelectInput(display, window, StructureNotifyMask);
    XMapWindow(display, window);
    for (XEvent event; XNextEvent(display, &event), event.type != MapNotify;) {
    }
    std::printf("%lu\n", window);
    std::fflush(stdout);
    for (XEvent event;;) XNextEvent(display, &event);
}
