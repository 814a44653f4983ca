#include "platform/x11/SplashWindow.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>

#include <chrono>
#include <cstdlib>
#include <mutex>

namespace sorrel::x11 {

struct SplashWindow::Impl {
  Display* display = nullptr;
  Window window = 0;
  Colormap colormap = 0;
  GC gc = nullptr;
  XImage* image = nullptr;

  ~Impl() {
    if (!display) return;
    if (image) XDestroyImage(image);  // frees the pixels too
    if (gc) XFreeGC(display, gc);
    if (window) XDestroyWindow(display, window);
    if (colormap) XFreeColormap(display, colormap);
    XSync(display, False);
    XCloseDisplay(display);
  }
};

namespace {

// Xlib must know of threads before any other call of the process.
void InitThreadsOnce() {
  static std::once_flag once;
  std::call_once(once, [] { XInitThreads(); });
}

// The first shift and the width of a colour mask of the visual.
void MaskShift(unsigned long mask, int& shift, int& bits) {
  shift = 0;
  bits = 0;
  if (!mask) return;
  while (!(mask & 1)) mask >>= 1, ++shift;
  while (mask & 1) mask >>= 1, ++bits;
}

unsigned long Channel(unsigned value8, unsigned long mask) {
  int shift = 0, bits = 0;
  MaskShift(mask, shift, bits);
  const unsigned long v = bits >= 8 ? value8 << (bits - 8) : value8 >> (8 - bits);
  return (v << shift) & mask;
}

// Waits for the window's first Expose, a second at most.
void WaitForExpose(Display* d, Window w) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(1);
  XEvent event;
  while (std::chrono::steady_clock::now() < until) {
    while (XPending(d)) {
      XNextEvent(d, &event);
      if (event.type == Expose && event.xexpose.window == w) return;
    }
    pollfd pfd{ConnectionNumber(d), POLLIN, 0};
    poll(&pfd, 1, 20);
  }
}

}  // namespace

SplashWindow::SplashWindow(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}
SplashWindow::~SplashWindow() = default;

unsigned long SplashWindow::Id() const { return m_impl->window; }

std::unique_ptr<SplashWindow> SplashWindow::Show(const res::Bitmap& picture, int width, int height) {
  InitThreadsOnce();
  auto impl = std::make_unique<Impl>();
  impl->display = XOpenDisplay(nullptr);
  Display* d = impl->display;
  if (!d) return nullptr;
  const int screen = DefaultScreen(d);
  XVisualInfo vinfo;
  if (!XMatchVisualInfo(d, screen, 24, TrueColor, &vinfo)) return nullptr;

  const Window root = RootWindow(d, screen);
  impl->colormap = XCreateColormap(d, root, vinfo.visual, AllocNone);
  XSetWindowAttributes attrs{};
  // Not managed by a window manager: no frame, no caption, placed where it is put.
  attrs.override_redirect = True;
  attrs.colormap = impl->colormap;
  attrs.border_pixel = 0;
  attrs.background_pixel = 0;
  const int x = (DisplayWidth(d, screen) - width) / 2;
  const int y = (DisplayHeight(d, screen) - height) / 2;
  impl->window = XCreateWindow(d, root, x, y, unsigned(width), unsigned(height), 0, vinfo.depth, InputOutput,
                               vinfo.visual, CWOverrideRedirect | CWColormap | CWBorderPixel | CWBackPixel, &attrs);
  XStoreName(d, impl->window, "Sorrel");
  XSelectInput(d, impl->window, ExposureMask);

  // The picture in the visual's own pixel format.
  const int w = picture.width, h = picture.height;
  char* pixels = static_cast<char*>(std::calloc(size_t(w) * size_t(h), 4));
  impl->image = XCreateImage(d, vinfo.visual, unsigned(vinfo.depth), ZPixmap, 0, pixels, unsigned(w), unsigned(h), 32, 0);
  if (!impl->image) {
    std::free(pixels);
    return nullptr;
  }
  for (int py = 0; py < h; ++py)
    for (int px = 0; px < w; ++px) {
      const unsigned rgb = picture.Pixel(px, py);
      XPutPixel(impl->image, px, py,
                Channel(rgb >> 16 & 0xFF, vinfo.red_mask) | Channel(rgb >> 8 & 0xFF, vinfo.green_mask) |
                    Channel(rgb & 0xFF, vinfo.blue_mask));
    }
  impl->gc = XCreateGC(d, impl->window, 0, nullptr);

  // Shown on top of the window order and painted once.
  XMapRaised(d, impl->window);
  WaitForExpose(d, impl->window);
  XPutImage(d, impl->window, impl->gc, impl->image, 0, 0, 0, 0, unsigned(w), unsigned(h));
  XSync(d, False);
  return std::unique_ptr<SplashWindow>(new SplashWindow(std::move(impl)));
}

}  // namespace sorrel::x11
