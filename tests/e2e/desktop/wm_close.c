/* wm_close WINDOW_ID: asks an X window to close as a window manager's close button does, with a
 * WM_PROTOCOLS client message carrying WM_DELETE_WINDOW. Exit status 0 when the message was sent, 1 when
 * the display cannot be opened or the window does not take part in that protocol (the client would not
 * know what the message means), 2 on a usage error. */
#include <X11/Xlib.h>
#include <stdio.h>
#include <stdlib.h>

static int takes_delete_window(Display* display, Window window, Atom delete_window) {
    Atom* protocols = NULL;
    int count = 0, found = 0;
    if (XGetWMProtocols(display, window, &protocols, &count)) {
        for (int i = 0; i < count; ++i)
            found |= protocols[i] == delete_window;
        XFree(protocols);
    }
    return found;
}

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: wm_close WINDOW_ID\n");
        return 2;
    }
    Window window = (Window)strtoul(argv[1], NULL, 0);
    Display* display = XOpenDisplay(NULL);
    if (!display) {
        fprintf(stderr, "wm_close: cannot open the display\n");
        return 1;
    }
    Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
    Atom delete_window = XInternAtom(display, "WM_DELETE_WINDOW", False);
    if (!takes_delete_window(display, window, delete_window)) {
        fprintf(stderr, "wm_close: window %s does not take WM_DELETE_WINDOW\n", argv[1]);
        XCloseDisplay(display);
        return 1;
    }
    XEvent event = {0};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = protocols;
    event.xclient.format = 32;
    event.xclient.data.l[0] = (long)delete_window;
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XCloseDisplay(display); /* flushes the request queue */
    return 0;
}
