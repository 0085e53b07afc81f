/*
 * A force-feedback mouse at the kernel's evdev interface, for tests: preloaded
 * (LD_PRELOAD) into a process, it makes one node, /dev/input/event31, exist
 * and answers the calls SDL's Linux haptic code makes on it: stat, open,
 * ioctl (capability queries, effect upload and removal), write (play, stop,
 * gain and autocentre events) and close. Every other path and descriptor goes
 * to the C library untouched.
 *
 * The device: relative X/Y axes, the left, right and middle buttons, and
 * force feedback with FF_SPRING, FF_GAIN and FF_AUTOCENTER; 16 effect slots.
 *
 * Environment, read again whenever the node is looked up (stat) while it is
 * not open, which starts a new numbering of the calls:
 *   EVDEV_STANDIN_LOG=FILE       appends one line per call on the node
 *   EVDEV_STANDIN_REFUSE_OPEN=1  open fails with EACCES (the node exists)
 *   EVDEV_STANDIN_TABLE_FULL=1   uploading a new effect fails with ENOSPC
 *   EVDEV_STANDIN_VANISH_AFTER_PLAY=1  every call after the first play
 *                                fails with ENODEV, as a device unplugged
 *                                mid-drag; stat then fails with ENOENT
 *
 * A log line is "N CALL DETAILS[ -> ERRNO]", N numbering the calls on the
 * node from the stat that began the run, e.g.
 *   5 upload id=-1->0 type=spring dir=0x0000 length=0 delay=0
 *     x=rsat:65535,lsat:65535,rcoeff:3276,lcoeff:3276,deadband:0,centre:0
 *     y=rsat:65535,lsat:65535,rcoeff:3276,lcoeff:3276,deadband:0,centre:0
 * (one line), "6 event ff play id=0 count=1", "7 event ff stop id=0",
 * "8 event ff gain 65535", "9 event ff autocentre 0", "10 erase id=0".
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <linux/input.h>
#include <pthread.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#define NODE "/dev/input/event31"
#define SLOTS 16
#define EXPORT __attribute__((visibility("default")))

/* Recursive: the log's own writes pass through write() below. */
static pthread_mutex_t lock = PTHREAD_RECURSIVE_MUTEX_INITIALIZER_NP;
#define MAX_OPEN 8
static int open_fds[MAX_OPEN]; /* descriptors standing for the open node, 0: none */
static int open_count;
static long calls;     /* calls on the node since the run began */
static long vanish_at; /* the first call that finds the device gone, 0: none */
static int vanish_after_play, refuse_open, table_full;
static char log_path[4096];
static int used[SLOTS];

static int find_fd(int fd)
{
    int i;
    for (i = 0; fd > 0 && i < MAX_OPEN; ++i) {
        if (open_fds[i] == fd)
            return i;
    }
    return -1;
}

static int is_node_fd(int fd) { return find_fd(fd) >= 0; }

static void *next(const char *name)
{
    void *f = dlsym(RTLD_NEXT, name);
    if (f == NULL)
        abort();
    return f;
}

static void begin_run(void)
{
    const char *v;
    calls = 0;
    memset(used, 0, sizeof used);
    v = getenv("EVDEV_STANDIN_LOG");
    snprintf(log_path, sizeof log_path, "%s", v != NULL ? v : "");
    vanish_at = 0;
    v = getenv("EVDEV_STANDIN_VANISH_AFTER_PLAY");
    vanish_after_play = v != NULL && strcmp(v, "1") == 0;
    v = getenv("EVDEV_STANDIN_REFUSE_OPEN");
    refuse_open = v != NULL && strcmp(v, "1") == 0;
    v = getenv("EVDEV_STANDIN_TABLE_FULL");
    table_full = v != NULL && strcmp(v, "1") == 0;
}

/* Numbers the next call; true when the device is gone by then. */
static int count_call(void)
{
    ++calls;
    return vanish_at > 0 && calls >= vanish_at;
}

/* Appends "N TEXT[ -> ERRNO]" to the log, when there is one. */
static void note(int err, const char *fmt, ...)
{
    char line[512];
    int len;
    FILE *out;
    va_list args;
    if (log_path[0] == '\0')
        return;
    len = snprintf(line, sizeof line, "%ld ", calls);
    va_start(args, fmt);
    vsnprintf(line + len, sizeof line - (size_t)len, fmt, args);
    va_end(args);
    out = fopen(log_path, "a");
    if (out == NULL)
        return;
    fprintf(out, "%s%s%s\n", line, err != 0 ? " -> " : "", err != 0 ? strerrorname_np(err) : "");
    fclose(out);
}

static int is_node(const char *path) { return path != NULL && strcmp(path, NODE) == 0; }

/* The answer to EVIOCGBIT(type, len): which codes of that event type exist. */
static void event_bits(unsigned type, unsigned char *bits, size_t len)
{
    static const struct {
        unsigned type, count, codes[4];
    } kinds[] = {
        {0, 4, {EV_SYN, EV_KEY, EV_REL, EV_FF}},
        {EV_KEY, 3, {BTN_LEFT, BTN_RIGHT, BTN_MIDDLE}},
        {EV_REL, 2, {REL_X, REL_Y}},
        {EV_FF, 3, {FF_SPRING, FF_GAIN, FF_AUTOCENTER}},
    };
    size_t k, i;
    memset(bits, 0, len);
    for (k = 0; k < sizeof kinds / sizeof kinds[0]; ++k) {
        for (i = 0; kinds[k].type == type && i < kinds[k].count; ++i) {
            unsigned bit = kinds[k].codes[i];
            if (bit / 8 < len)
                bits[bit / 8] |= (unsigned char)(1u << (bit % 8));
        }
    }
}

static void format_axis(char *out, size_t n, const struct ff_condition_effect *c)
{
    snprintf(out, n, "rsat:%u,lsat:%u,rcoeff:%d,lcoeff:%d,deadband:%u,centre:%d",
             c->right_saturation, c->left_saturation, c->right_coeff, c->left_coeff, c->deadband,
             c->center);
}

static int upload(struct ff_effect *e)
{
    char x[128], y[128];
    int requested = e->id, err = 0, slot;
    format_axis(x, sizeof x, &e->u.condition[0]);
    format_axis(y, sizeof y, &e->u.condition[1]);
    if (requested == -1) {
        for (slot = 0; slot < SLOTS && used[slot]; ++slot) {
        }
        if (table_full || slot == SLOTS) {
            err = ENOSPC;
        } else {
            used[slot] = 1;
            e->id = (__s16)slot;
        }
    } else if (requested < 0 || requested >= SLOTS || !used[requested]) {
        err = EINVAL;
    }
    note(err, "upload id=%d->%d type=%s dir=0x%04x length=%u delay=%u x=%s y=%s", requested,
         err != 0 ? requested : e->id, e->type == FF_SPRING ? "spring" : "other", e->direction,
         e->replay.length, e->replay.delay, x, y);
    return err;
}

static void log_event(const struct input_event *ev)
{
    if (ev->type != EV_FF) {
        note(0, "event type=%u code=%u value=%d", ev->type, ev->code, ev->value);
    } else if (ev->code == FF_GAIN) {
        note(0, "event ff gain %d", ev->value);
    } else if (ev->code == FF_AUTOCENTER) {
        note(0, "event ff autocentre %d", ev->value);
    } else if (ev->value == 0) {
        note(0, "event ff stop id=%u", ev->code);
    } else {
        note(0, "event ff play id=%u count=%d", ev->code, ev->value);
        if (vanish_after_play && vanish_at == 0)
            vanish_at = calls + 1;
    }
}

EXPORT int stat(const char *restrict path, struct stat *restrict st)
{
    static int (*real)(const char *restrict, struct stat *restrict);
    int result = 0;
    if (real == NULL)
        real = (int (*)(const char *restrict, struct stat *restrict))next("stat");
    if (!is_node(path))
        return real(path, st);
    pthread_mutex_lock(&lock);
    if (open_count == 0)
        begin_run();
    if (count_call()) {
        errno = ENOENT;
        result = -1;
    } else {
        memset(st, 0, sizeof *st);
        st->st_mode = S_IFCHR | 0660;
        st->st_rdev = makedev(13, 64 + 31);
    }
    note(result != 0 ? ENOENT : 0, "stat");
    pthread_mutex_unlock(&lock);
    return result;
}

EXPORT int open(const char *path, int flags, ...)
{
    static int (*real)(const char *, int, ...);
    mode_t mode = 0;
    int err = 0, fd = -1;
    va_list args;
    if (real == NULL)
        real = (int (*)(const char *, int, ...))next("open");
    va_start(args, flags);
    if ((flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE)
        mode = va_arg(args, mode_t);
    va_end(args);
    if (!is_node(path))
        return real(path, flags, mode);
    pthread_mutex_lock(&lock);
    if (count_call()) {
        err = ENODEV;
    } else if (refuse_open) {
        err = EACCES;
    } else if (open_count == MAX_OPEN) {
        err = EMFILE;
    } else {
        /* A real descriptor, so that its number is not handed out twice. */
        fd = real("/dev/null", O_RDWR | (flags & O_CLOEXEC));
        if (fd < 0) {
            err = errno;
        } else {
            int i = 0;
            while (open_fds[i] != 0)
                ++i;
            open_fds[i] = fd;
            ++open_count;
        }
    }
    note(err, "open %s",
         (flags & O_ACCMODE) == O_RDWR     ? "rw"
         : (flags & O_ACCMODE) == O_WRONLY ? "w"
                                           : "r");
    pthread_mutex_unlock(&lock);
    if (err != 0) {
        errno = err;
        return -1;
    }
    return fd;
}

EXPORT int close(int fd)
{
    static int (*real)(int);
    int slot;
    if (real == NULL)
        real = (int (*)(int))next("close");
    pthread_mutex_lock(&lock);
    slot = find_fd(fd);
    if (slot >= 0) {
        open_fds[slot] = 0;
        --open_count;
        ++calls;
        note(0, "close");
    }
    pthread_mutex_unlock(&lock);
    return real(fd);
}

EXPORT ssize_t write(int fd, const void *buf, size_t n)
{
    static ssize_t (*real)(int, const void *, size_t);
    const struct input_event *events = buf;
    size_t i;
    if (real == NULL)
        real = (ssize_t(*)(int, const void *, size_t))next("write");
    pthread_mutex_lock(&lock);
    if (!is_node_fd(fd)) {
        pthread_mutex_unlock(&lock);
        return real(fd, buf, n);
    }
    if (count_call()) {
        note(ENODEV, "write");
        pthread_mutex_unlock(&lock);
        errno = ENODEV;
        return -1;
    }
    if (n == 0 || n % sizeof(struct input_event) != 0) {
        note(EINVAL, "write of %zu bytes", n);
        pthread_mutex_unlock(&lock);
        errno = EINVAL;
        return -1;
    }
    for (i = 0; i < n / sizeof(struct input_event); ++i)
        log_event(&events[i]);
    pthread_mutex_unlock(&lock);
    return (ssize_t)n;
}

static int device_ioctl(unsigned long request, void *arg)
{
    unsigned nr = _IOC_NR(request);
    size_t size = _IOC_SIZE(request);
    if (count_call()) {
        note(ENODEV, "ioctl 0x%lx", request);
        return ENODEV;
    }
    if (_IOC_TYPE(request) != 'E') {
        note(ENOTTY, "ioctl 0x%lx", request);
        return ENOTTY;
    }
    if (_IOC_DIR(request) == _IOC_READ && nr >= 0x20 && nr < 0x20 + EV_CNT) {
        event_bits(nr - 0x20, arg, size);
        note(0, "ioctl EVIOCGBIT(0x%02x, %zu)", nr - 0x20, size);
        return 0;
    }
    if (_IOC_DIR(request) == _IOC_READ && nr == 0x06) {
        snprintf(arg, size, "Zorbel test force-feedback mouse");
        note(0, "ioctl EVIOCGNAME(%zu)", size);
        return 0;
    }
    if (request == EVIOCGEFFECTS) {
        *(int *)arg = SLOTS;
        note(0, "ioctl EVIOCGEFFECTS");
        return 0;
    }
    if (request == EVIOCSFF)
        return upload(arg);
    if (request == EVIOCRMFF) {
        long id = (long)(intptr_t)arg;
        int err = id >= 0 && id < SLOTS && used[id] ? 0 : EINVAL;
        if (err == 0)
            used[id] = 0;
        note(err, "erase id=%ld", id);
        return err;
    }
    note(EINVAL, "ioctl 0x%lx", request);
    return EINVAL;
}

EXPORT int ioctl(int fd, unsigned long request, ...)
{
    static int (*real)(int, unsigned long, ...);
    void *arg;
    int err;
    va_list args;
    va_start(args, request);
    arg = va_arg(args, void *);
    va_end(args);
    if (real == NULL)
        real = (int (*)(int, unsigned long, ...))next("ioctl");
    pthread_mutex_lock(&lock);
    if (!is_node_fd(fd)) {
        pthread_mutex_unlock(&lock);
        return real(fd, request, arg);
    }
    err = device_ioctl(request, arg);
    pthread_mutex_unlock(&lock);
    if (err != 0) {
        errno = err;
        return -1;
    }
    return 0;
}
