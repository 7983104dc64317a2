/*
 * Modem-line emulation for the virtual serial ports of the end-to-end tests.
 *
 * A pty has no modem lines: the modem-control ioctls fail on it, so Wine's
 * EscapeCommFunction (RTS/DTR) fails with error 50 and its WaitCommEvent
 * completes at once, about 200 times a second, which makes any receiver idle at
 * most of a core. A real port has these lines. Preloaded into the Wine
 * processes (LD_PRELOAD), this library answers the four modem-control requests
 * on a terminal that refuses them the way a port with a connected device would:
 * the lines set are remembered per descriptor, and CTS, DSR and CD read as
 * raised. Every other request, and every request the real driver accepts, goes
 * through unchanged.
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stdarg.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

typedef int (*ioctl_function)(int, unsigned long, ...);

enum { kTrackedDescriptors = 4096 };
static int output_lines[kTrackedDescriptors];

static ioctl_function real_ioctl(void) {
    static ioctl_function next = 0;
    if (next == 0) next = (ioctl_function)dlsym(RTLD_NEXT, "ioctl");
    return next;
}

static int is_modem_request(unsigned long request) {
    return request == TIOCMGET || request == TIOCMSET || request == TIOCMBIS || request == TIOCMBIC;
}

static int emulate(int fd, unsigned long request, int* lines) {
    int* tracked = (fd >= 0 && fd < kTrackedDescriptors) ? &output_lines[fd] : 0;
    int current = tracked ? *tracked : (TIOCM_RTS | TIOCM_DTR);
    switch (request) {
        case TIOCMGET: *lines = current | TIOCM_CTS | TIOCM_DSR | TIOCM_CD; return 0;
        case TIOCMSET: current = *lines; break;
        case TIOCMBIS: current |= *lines; break;
        case TIOCMBIC: current &= ~*lines; break;
    }
    if (tracked) *tracked = current & (TIOCM_RTS | TIOCM_DTR);
    return 0;
}

int ioctl(int fd, unsigned long request, ...) {
    va_list arguments;
    va_start(arguments, request);
    void* argument = va_arg(arguments, void*);
    va_end(arguments);

    const int saved_errno = errno;
    const int result = real_ioctl()(fd, request, argument);
    if (result == 0 || !is_modem_request(request) || argument == 0) return result;
    if (errno != ENOTTY && errno != EINVAL && errno != EIO) return result;
    if (!isatty(fd)) return result;
    errno = saved_errno;
    return emulate(fd, request, (int*)argument);
}
