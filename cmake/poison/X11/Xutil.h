// Found instead of the X11 header in the folders of the data half, which must not
// draw: the splash window's X11 code lives in src/platform/x11.
#error "X11 headers belong in src/platform/x11 only"
