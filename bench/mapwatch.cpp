// Starts a program and reports how long its first top-level window took to
// be mapped and to be painted, and the program's peak resident memory.
//
//   korvane_mapwatch [--linger MS] PROGRAM [ARG...]
//
// prints one line: "mapped_ms=... painted_ms=... peak_rss_kib=...".
//
// Run it on an X server whose root window is white (Xvfb -wr). Qt creates its
// windows without a background, so until the program draws, the window shows
// the white root beneath it; the window counts as painted once no more than
// one in a hundred sampled pixels is still pure white. Neither the program nor
// the empty yardstick window paints pure white anywhere. After the paint the
// program runs on for --linger milliseconds (default 500) so that its memory
// settles, then it is ended and its peak resident set read from the kernel.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

double nowMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

void sleepMs(double ms)
{
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(ms / 1000);
    ts.tv_nsec = static_cast<long>((ms - ts.tv_sec * 1000.0) * 1e6);
    nanosleep(&ts, nullptr);
}

// Waits up to `timeoutMs` for an X event; false on timeout.
bool nextEvent(Display* display, XEvent* event, double timeoutMs)
{
    const double end = nowMs() + timeoutMs;
    while (!XPending(display)) {
        if (nowMs() > end)
            return false;
        sleepMs(0.2);
    }
    XNextEvent(display, event);
    return true;
}

// True once the window's content is drawn: at most 1% of a grid of samples
// is still the white of the root window. The grid is read as thin strips, one
// per sampled row, so that polling adds little work to the X server the
// program is talking to.
bool painted(Display* display, Window window, int width, int height)
{
    int samples = 0;
    int white = 0;
    for (int y = 1; y < height; y += 8) {
        XImage* strip = XGetImage(display, window, 0, y, width, 1, AllPlanes, ZPixmap);
        if (!strip)
            return false;
        for (int x = 1; x < width; x += 4) {
            ++samples;
            if ((XGetPixel(strip, x, 0) & 0xFFFFFF) == 0xFFFFFF)
                ++white;
        }
        XDestroyImage(strip);
    }
    return white * 100 <= samples;
}

}  // namespace

int main(int argc, char* argv[])
{
    int first = 1;
    double lingerMs = 500;
    if (argc > 2 && std::strcmp(argv[1], "--linger") == 0) {
        lingerMs = std::atof(argv[2]);
        first = 3;
    }
    if (first >= argc) {
        std::fprintf(stderr, "usage: %s [--linger MS] PROGRAM [ARG...]\n", argv[0]);
        return 2;
    }

    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "cannot open the X display\n");
        return 2;
    }
    const Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, False);

    const double start = nowMs();
    const pid_t child = fork();
    if (child == 0) {
        execvp(argv[first], argv + first);
        std::perror("exec");
        _exit(127);
    }

    double mapped = -1;
    double drawn = -1;
    Window window = 0;
    XEvent event;
    while (nextEvent(display, &event, 20000)) {
        if (event.type != MapNotify || event.xmap.override_redirect)
            continue;
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(display, event.xmap.window, &attributes) ||
            attributes.width < 100)
            continue;
        mapped = nowMs() - start;
        window = event.xmap.window;
        const double end = nowMs() + 20000;
        while (nowMs() < end) {
            if (painted(display, window, attributes.width, attributes.height)) {
                drawn = nowMs() - start;
                break;
            }
            sleepMs(1);
        }
        break;
    }

    sleepMs(lingerMs);
    kill(child, SIGTERM);
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    XCloseDisplay(display);

    std::printf("mapped_ms=%.1f painted_ms=%.1f peak_rss_kib=%ld\n", mapped, drawn,
                usage.ru_maxrss);
    return drawn < 0 ? 1 : 0;
}
