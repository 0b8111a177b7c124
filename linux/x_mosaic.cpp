#include "linux/x_mosaic.h"

#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "mosaic/tile_grid.h"
#include "resources/artwork/tile_pixels.h"
#include "sound/tile_band.h"

namespace {

constexpr int OwnWindowWidth = 800;
constexpr int OwnWindowHeight = 600;

struct MosaicState {
    Display* Connection = nullptr;
    Window Target = 0;
    bool OwnWindow = false;
    Atom DeleteWindow = 0;
    Visual* TargetVisual = nullptr;
    int Depth = 0;
    GC Gc = nullptr;
    Pixmap Tiles[TileFaceCount] = {};
    int TileSize = 0;  // of the pixmaps above, 0 before the first layout
    TileGrid Grid = {};
    VisitOrder Order = {};
    unsigned long Background = 0;
};

MosaicState View;

// Lost connection: Xlib would end the process anyway; say why in one line.
int OnConnectionLost(Display*) {
    std::fprintf(stderr, "brasswick: lost the connection to the X display\n");
    std::_Exit(1);
}

int OnProtocolError(Display* display, XErrorEvent* event) {
    char text[128];
    XGetErrorText(display, event->error_code, text, sizeof text);
    std::fprintf(stderr, "brasswick: X error: %s (request %d)\n", text, event->request_code);
    std::_Exit(1);
}

// One colour channel into the bits of a TrueColor mask.
unsigned long Channel(uint8_t value, unsigned long mask) {
    if (!mask) return 0;
    int shift = 0;
    while (!((mask >> shift) & 1)) ++shift;
    const unsigned long top = mask >> shift;
    return ((value * top + 127) / 255) << shift;
}

// Bits of the depth outside the colour masks are alpha on a 32-bit visual:
// set, so that a compositor shows the tiles opaque.
unsigned long PixelOf(Rgb c) {
    const Visual& v = *View.TargetVisual;
    const int longBits = static_cast<int>(sizeof(unsigned long) * 8);
    const unsigned long depthBits = View.Depth >= longBits ? ~0ul : (1ul << View.Depth) - 1;
    const unsigned long alpha = depthBits & ~(v.red_mask | v.green_mask | v.blue_mask);
    return Channel(c.R, v.red_mask) | Channel(c.G, v.green_mask) | Channel(c.B, v.blue_mask) | alpha;
}

Pixmap MakeTilePixmap(const TileFace& face, int size) {
    const std::vector<Rgb> pixels = TilePixels(face.Face, size);
    XImage* image = XCreateImage(View.Connection, View.TargetVisual, View.Depth, ZPixmap, 0, nullptr, size, size,
                                 32, 0);
    image->data = static_cast<char*>(std::malloc(image->bytes_per_line * size));
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) XPutPixel(image, x, y, PixelOf(pixels[y * size + x]));
    Pixmap pixmap = XCreatePixmap(View.Connection, View.Target, size, size, View.Depth);
    XPutImage(View.Connection, pixmap, View.Gc, image, 0, 0, 0, 0, size, size);
    XDestroyImage(image);
    return pixmap;
}

void FreeTilePixmaps() {
    for (Pixmap& pixmap : View.Tiles) {
        if (pixmap) XFreePixmap(View.Connection, pixmap);
        pixmap = 0;
    }
    View.TileSize = 0;
}

void MakeTilePixmaps(int size) {
    if (View.TileSize == size) return;
    FreeTilePixmaps();
    for (int k = 0; k < TileFaceCount; ++k) View.Tiles[k] = MakeTilePixmap(TileFaces[k], size);
    View.TileSize = size;
}

Window MakeOwnWindow() {
    const int screen = DefaultScreen(View.Connection);
    Window window = XCreateSimpleWindow(View.Connection, RootWindow(View.Connection, screen), 0, 0, OwnWindowWidth,
                                        OwnWindowHeight, 0, BlackPixel(View.Connection, screen),
                                        BlackPixel(View.Connection, screen));
    XStoreName(View.Connection, window, "Brasswick");
    XClassHint hint = {const_cast<char*>("brasswick"), const_cast<char*>("Brasswick")};
    XSetClassHint(View.Connection, window, &hint);
    View.DeleteWindow = XInternAtom(View.Connection, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(View.Connection, window, &View.DeleteWindow, 1);
    XSelectInput(View.Connection, window, KeyPressMask | ButtonPressMask | StructureNotifyMask | ExposureMask);
    XMapRaised(View.Connection, window);
    return window;
}

void FillArea(int x, int y, int width, int height) {
    XSetForeground(View.Connection, View.Gc, View.Background);
    XFillRectangle(View.Connection, View.Target, View.Gc, x, y, width, height);
}

}  // namespace

bool OpenMosaicView(const HackOptions& options, char (&message)[OptionsMessageSize]) {
    View.Connection = XOpenDisplay(nullptr);
    if (!View.Connection) {
        const char* name = XDisplayName(nullptr);
        std::snprintf(message, sizeof message, "brasswick: cannot open the X display %s", name ? name : "");
        return false;
    }
    XSetIOErrorHandler(OnConnectionLost);
    XSetErrorHandler(OnProtocolError);
    switch (options.Target) {
    case DrawTarget::Root:
        View.Target = DefaultRootWindow(View.Connection);
        break;
    case DrawTarget::GivenWindow:
        View.Target = options.Window;
        break;
    case DrawTarget::OwnWindow:
        View.Target = MakeOwnWindow();
        View.OwnWindow = true;
        break;
    }
    XWindowAttributes attributes;
    XGetWindowAttributes(View.Connection, View.Target, &attributes);  // a bad id ends in OnProtocolError
    if (attributes.visual->c_class != TrueColor) {
        std::snprintf(message, sizeof message, "brasswick: the window's visual is not TrueColor");
        return false;
    }
    View.TargetVisual = attributes.visual;
    View.Depth = attributes.depth;
    if (!View.OwnWindow) XSelectInput(View.Connection, View.Target, StructureNotifyMask | ExposureMask);
    // A copy from a pixmap exposes nothing: no NoExpose event per tick.
    XGCValues values = {};
    values.graphics_exposures = False;
    View.Gc = XCreateGC(View.Connection, View.Target, GCGraphicsExposures, &values);
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    return true;
}

int MosaicConnection() {
    return ConnectionNumber(View.Connection);
}

Display* MosaicDisplay() {
    return View.Connection;
}

void LayOutMosaic(bool heard) {
    XWindowAttributes attributes;
    XGetWindowAttributes(View.Connection, View.Target, &attributes);
    View.Background = heard ? PixelOf({0, 0, 0}) : PixelOf({255, 255, 255});
    if (View.OwnWindow) XSetWindowBackground(View.Connection, View.Target, View.Background);
    LayoutTileGrid(View.Grid, View.Order, attributes.width, attributes.height);
    ShuffleVisitOrder(View.Grid, View.Order);
    View.Order.Cursor = 0;
    MakeTilePixmaps(View.Grid.TileWidth);
    FillArea(0, 0, attributes.width, attributes.height);
    XFlush(View.Connection);
}

bool HandleMosaicEvents(bool heard) {
    while (XPending(View.Connection)) {
        XEvent event;
        XNextEvent(View.Connection, &event);
        switch (event.type) {
        case ConfigureNotify:
            if (event.xconfigure.window == View.Target &&
                (event.xconfigure.width != View.Grid.ClientWidth || event.xconfigure.height != View.Grid.ClientHeight))
                LayOutMosaic(heard);
            break;
        case Expose:
            FillArea(event.xexpose.x, event.xexpose.y, event.xexpose.width, event.xexpose.height);
            break;
        case KeyPress:
        case ButtonPress:
            return false;
        case ClientMessage:
            if (static_cast<Atom>(event.xclient.data.l[0]) == View.DeleteWindow) return false;
            break;
        }
    }
    return true;
}

void PaintNextTile(TileImageId id) {
    TileSlot slot;
    if (!NextTileSlot(View.Grid, View.Order, slot)) return;
    XCopyArea(View.Connection, View.Tiles[id - QuietestTile], View.Target, View.Gc, 0, 0, View.TileSize,
              View.TileSize, slot.X, slot.Y);
    XFlush(View.Connection);
}

void CloseMosaicView() {
    if (!View.Connection) return;
    FreeTilePixmaps();
    if (View.Gc) XFreeGC(View.Connection, View.Gc);
    if (View.OwnWindow) XDestroyWindow(View.Connection, View.Target);
    XCloseDisplay(View.Connection);
    View = MosaicState{};
}
