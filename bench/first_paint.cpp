// Preloaded into the window program by bench/peers.sh: the process ends when the first frame
// goes to the X server, so that its run time is the time from start to the first painted frame.
// The X11 platform sends every frame through one of these calls of libxcb.

#include <unistd.h>

extern "C" {
struct QmXcbCookie {
    unsigned int sequence;
};
QmXcbCookie xcb_shm_put_image() {
    _exit(0);
}
QmXcbCookie xcb_shm_put_image_checked() {
    _exit(0);
}
QmXcbCookie xcb_put_image() {
    _exit(0);
}
QmXcbCookie xcb_put_image_checked() {
    _exit(0);
}
}
