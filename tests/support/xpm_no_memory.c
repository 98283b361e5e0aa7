/* Loaded into the applet by a test (LD_PRELOAD) in place of libXpm's own
 * function: every built-in image fails to be made, as when memory runs out. */
#include <X11/xpm.h>

int XpmCreatePixmapFromData(Display *display, Drawable d, char **data, Pixmap *pixmap, Pixmap *mask,
                            XpmAttributes *attributes)
{
    (void)display;
    (void)d;
    (void)data;
    (void)attributes;
    *pixmap = None;
    *mask = None;
    return XpmNoMemory;
}
