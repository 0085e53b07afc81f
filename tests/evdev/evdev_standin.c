/*
 * Force-feedback input devices at the kernel's evdev interface, for tests.
 * Preloaded (LD_PRELOAD), it makes /dev/input hold the nodes of a few stand-in
 * devices, and nothing else, and answers the calls SDL's Linux joystick and
 * haptic code, or a program using the interface itself, makes: stat and
 * scandir of /dev/input; stat, open, read, write, ioctl and close of the
 * nodes. Other paths and descriptors go to the C library untouched.
 *
 * Devices, EVDEV_STANDIN_DEVICES=KIND[,KIND...] (default "mouse"): the first
 * is /dev/input/event31, the next event30, and so on down (8 at most).
 *   mouse     REL_X/Y; BTN_LEFT, RIGHT, MIDDLE; FF_SPRING, GAIN, AUTOCENTER.
 *   joystick  a generic force joystick: ABS_X/Y -32767..32767, ABS_THROTTLE
 *             0..255; BTN_TRIGGER, THUMB, THUMB2, TOP; FF_CONSTANT, SPRING,
 *             DAMPER, FRICTION, INERTIA, PERIODIC (square, triangle, sine,
 *             saws), RUMBLE (the kernel adds it to periodic devices), GAIN,
 *             AUTOCENTER.
 *   wheel     ABS_X 0..1023 (rest 512), pedals ABS_Y/Z 0..255; BTN_TRIGGER,
 *             THUMB, THUMB2, TOP; FF_CONSTANT, GAIN, AUTOCENTER.
 *   pad       sticks ABS_X/Y/RX/RY -32768..32767, triggers ABS_Z/RZ 0..255,
 *             hat ABS_HAT0X/Y -1..1; BTN_SOUTH, EAST, NORTH, WEST, TL, TR,
 *             SELECT, START, MODE, THUMBL, THUMBR; FF_RUMBLE, PERIODIC
 *             (square, triangle, sine), GAIN.
 *   refused   a mouse whose node exists (char device, mode 0660) but whose
 *             open fails with EACCES, as another group's node does.
 *   longpad   a pad as above whose name is 150 bytes long: EVIOCGNAME with
 *             a smaller buffer gets it cut and without its terminating zero,
 *             as from the kernel.
 * All are USB devices of vendor 0x1209 with 16 effect slots. As the kernel
 * does, an effect type or waveform the device lacks is refused with EINVAL, a
 * full table with ENOSPC, another descriptor's effect with EACCES; closing a
 * descriptor erases its effects; variable-size queries return the bytes
 * copied; unknown requests fail with EINVAL. A descriptor is a pipe's read
 * end, so poll and (non-)blocking reads behave; reads give whole events.
 *
 * Environment, read again at each look-up of /dev/input or a node (stat,
 * scandir, open) while no node is open:
 *   EVDEV_STANDIN_DEVICES=LIST   the devices, as above
 *   EVDEV_STANDIN_LOG=FILE       appends one line per call on a node
 *   EVDEV_STANDIN_TABLE_FULL=1   uploading a new effect fails with ENOSPC
 *   EVDEV_STANDIN_SLOW=eventN:MS a node that answers every request (ioctl)
 *                                MS ms (1..60000) after it is made, as a
 *                                device whose driver waits on it does
 *   EVDEV_STANDIN_UPLOAD_MS=N    a slow device: every upload (EVIOCSFF)
 *                                answers N ms (0..10000) after it is made,
 *                                the caller held meanwhile as by a USB
 *                                round trip; it is logged when it is taken
 *   EVDEV_STANDIN_VANISH_AFTER_PLAY=1  a node is unplugged right after a
 *                                play, as if pulled out mid-drag, and is
 *                                back at the next look-up
 * and, when the library is loaded:
 *   EVDEV_STANDIN_CONTROL=PATH   a FIFO (made if missing) of commands, one a
 *                                line (echo "event30 syn" > PATH), read from
 *                                the process's first look at /dev/input on,
 *                                so that helpers sharing the environment
 *                                (dirname, timeout) leave it alone:
 *     eventN abs|key|rel CODE VALUE  an input event (CODE in decimal) to each
 *                                open descriptor of the node, whose state
 *                                (EVIOCGABS, EVIOCGKEY) follows
 *     eventN syn                 EV_SYN / SYN_REPORT
 *     unplug eventN              the node goes: calls on its descriptors fail
 *                                with ENODEV (a blocked read wakes), stat and
 *                                open with ENOENT, the listing drops it and
 *                                the folder's modification time moves
 *     plug eventN                the node comes back as a new device
 *   A bad command is reported on standard error and changes nothing.
 *
 * A log line is "N eventK CALL[ -> ERRNO]", N numbering the lines of the
 * process in order (one for each call on a node, each event written, and
 * each coming and going of a node):
 *   stat | open rw|r|w | close | ioctl EVIOCGBIT(0x15, 16) | ioctl 0xHEX (an
 *   unknown request) | write of N bytes (refused) | erase id=0 | unplugged |
 *   plugged | upload id=-1->0 type=TYPE DETAILS:
 *     spring|damper|friction|inertia dir=0x0000 length=0 delay=0
 *       x=rsat:65535,lsat:65535,rcoeff:3276,lcoeff:3276,deadband:0,centre:0
 *       y=(the same for the second axis)
 *     constant dir=0x4000 length=32767 delay=0 level=1234
 *     rumble length=32767 strong=N weak=N
 *     (other types: TYPE dir=D length=L delay=T)
 *   event ff play id=0 count=1 | event ff stop id=0 | event ff gain 65535 |
 *   event ff autocentre 0, each with " (ignored)" where the kernel ignores
 *   it (no such effect or feature); other events "event type=T code=C
 *   value=V". Each upload is one line; reads are not logged.
 */
#define _GNU_SOURCE
#include <dirent.h>
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <linux/input.h>
#include <pthread.h>
#include <stdarg.h>
#include <stdatomic.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>

#define EXPORT __attribute__((visibility("default")))
#define FOLDER "/dev/input"
#define SLOTS 16
#define MAX_NODES 8
#define MAX_OPEN 32
#define END (-1)
#define CODES(...) ((const short[]){__VA_ARGS__, END})
#define COUNT(array) (sizeof(array) / sizeof((array)[0]))

/* code, minimum, maximum, fuzz, flat, value at rest; the list ends at code END */
struct axis {
    short code;
    int min, max, fuzz, flat, rest;
};

static const struct axis no_axes[] = {{END, 0, 0, 0, 0, 0}};
static const struct axis joystick_axes[] = {{ABS_X, -32767, 32767, 255, 4095, 0},
                                            {ABS_Y, -32767, 32767, 255, 4095, 0},
                                            {ABS_THROTTLE, 0, 255, 0, 15, 0},
                                            {END, 0, 0, 0, 0, 0}};
static const struct axis wheel_axes[] = {{ABS_X, 0, 1023, 3, 63, 512},
                                         {ABS_Y, 0, 255, 0, 15, 0},
                                         {ABS_Z, 0, 255, 0, 15, 0},
                                         {END, 0, 0, 0, 0, 0}};
static const struct axis pad_axes[] = {{ABS_X, -32768, 32767, 16, 128, 0},
                                       {ABS_Y, -32768, 32767, 16, 128, 0},
                                       {ABS_Z, 0, 255, 0, 0, 0},
                                       {ABS_RX, -32768, 32767, 16, 128, 0},
                                       {ABS_RY, -32768, 32767, 16, 128, 0},
                                       {ABS_RZ, 0, 255, 0, 0, 0},
                                       {ABS_HAT0X, -1, 1, 0, 0, 0},
                                       {ABS_HAT0Y, -1, 1, 0, 0, 0},
                                       {END, 0, 0, 0, 0, 0}};

struct kind {
    const char *name, *title;
    unsigned short product;
    const short *keys, *rels, *ffs;
    const struct axis *axes;
};

#define NONE CODES(END)
#define MOUSE_KEYS CODES(BTN_LEFT, BTN_RIGHT, BTN_MIDDLE)
#define STICK_KEYS CODES(BTN_TRIGGER, BTN_THUMB, BTN_THUMB2, BTN_TOP)
#define MOUSE_FF CODES(FF_SPRING, FF_GAIN, FF_AUTOCENTER)
#define PERIODIC FF_PERIODIC, FF_SQUARE, FF_TRIANGLE, FF_SINE

static const struct kind kinds[] = {
    {"mouse", "Zorbel test force-feedback mouse", 0x5a01, MOUSE_KEYS, CODES(REL_X, REL_Y), MOUSE_FF,
     no_axes},
    {"joystick", "Zorbel test force joystick", 0x5a02, STICK_KEYS, NONE,
     CODES(FF_CONSTANT, FF_SPRING, FF_DAMPER, FF_FRICTION, FF_INERTIA, PERIODIC, FF_SAW_UP,
           FF_SAW_DOWN, FF_RUMBLE, FF_GAIN, FF_AUTOCENTER),
     joystick_axes},
    {"wheel", "Zorbel test wheel", 0x5a03, STICK_KEYS, NONE,
     CODES(FF_CONSTANT, FF_GAIN, FF_AUTOCENTER), wheel_axes},
    {"pad", "Zorbel test rumble pad", 0x5a04,
     CODES(BTN_SOUTH, BTN_EAST, BTN_NORTH, BTN_WEST, BTN_TL, BTN_TR, BTN_SELECT, BTN_START,
           BTN_MODE, BTN_THUMBL, BTN_THUMBR),
     NONE, CODES(FF_RUMBLE, PERIODIC, FF_GAIN), pad_axes},
    {"refused", "Zorbel test mouse without access", 0x5a05, MOUSE_KEYS, CODES(REL_X, REL_Y),
     MOUSE_FF, no_axes},
    {"longpad",
     "Zorbel test rumble pad whose name is longer than the 128 bytes that some readers of "
     "EVIOCGNAME take for the most a name can hold, as the kernel allows",
     0x5a06,
     CODES(BTN_SOUTH, BTN_EAST, BTN_NORTH, BTN_WEST, BTN_TL, BTN_TR, BTN_SELECT, BTN_START,
           BTN_MODE, BTN_THUMBL, BTN_THUMBR),
     NONE, CODES(FF_RUMBLE, PERIODIC, FF_GAIN), pad_axes},
};

struct node {
    const struct kind *kind;
    int number, present, vanished;
    int owner[SLOTS]; /* the descriptor that uploaded the slot's effect, 0: free */
    int type[SLOTS];
    int abs[ABS_CNT];
    unsigned char keys[KEY_CNT / 8];
};

/* An open descriptor of a node: a pipe's read end, and the end feeding it. */
struct desc {
    int fd, feed, mode, dead;
    struct node *node; /* NULL: a free entry */
};

/* Recursive: the log's and the feeds' writes pass through write() below. */
static pthread_mutex_t lock = PTHREAD_RECURSIVE_MUTEX_INITIALIZER_NP;
static struct node nodes[MAX_NODES];
static int node_count, open_count;
static struct desc descs[MAX_OPEN];
static long calls, changes; /* log lines; changes of the set of nodes (the folder's mtime) */
static char log_path[4096], device_list[256] = "\n"; /* "\n": not read yet */
static int table_full, vanish_after_play;
static atomic_int upload_ms, slow_ms, slow_node;
static char control_path[4096]; /* the control FIFO, "": none */
static int control_reading;

static void *next(const char *name)
{
    void *f = dlsym(RTLD_NEXT, name);
    if (f == NULL)
        abort();
    return f;
}
/* The next definition of NAME, as `real`: looked up once, by whichever
 * thread calls first (the library reads nodes on threads of its own). */
#define REAL(name)                                                                                 \
    static _Atomic(__typeof__(&name)) next_##name;                                                 \
    __typeof__(&name) real = atomic_load_explicit(&next_##name, memory_order_acquire);             \
    if (real == NULL) {                                                                            \
        real = (__typeof__(&name))next(#name);                                                     \
        atomic_store_explicit(&next_##name, real, memory_order_release);                           \
    }

static int fail(int err)
{
    errno = err;
    return -1;
}

/* Appends "N eventK TEXT[ -> ERRNO]" to the log, when there is one. */
static void note(const struct node *n, int err, const char *fmt, ...)
{
    char line[768];
    int len;
    FILE *out;
    va_list args;
    if (log_path[0] == '\0' || (out = fopen(log_path, "a")) == NULL)
        return;
    len = snprintf(line, sizeof line, "%ld event%d ", ++calls, n->number);
    va_start(args, fmt);
    vsnprintf(line + len, sizeof line - (size_t)len, fmt, args);
    va_end(args);
    fprintf(out, "%s%s%s\n", line, err != 0 ? " -> " : "", err != 0 ? strerrorname_np(err) : "");
    fclose(out);
}

static const struct axis *axis_of(const struct kind *k, unsigned code)
{
    const struct axis *a;
    for (a = k->axes; a->code != END && (unsigned)a->code != code; ++a) {
    }
    return a->code != END ? a : NULL;
}

static int in_list(const short *list, unsigned code)
{
    for (; *list != END && (unsigned)*list != code; ++list) {
    }
    return *list != END;
}

/* Whether the device has this code of this event type (type 0: the types). */
static int has(const struct node *n, unsigned type, unsigned code)
{
    const struct kind *k = n->kind;
    switch (type) {
    case 0:
        return code == EV_SYN || (code == EV_KEY && k->keys[0] != END) ||
               (code == EV_REL && k->rels[0] != END) ||
               (code == EV_ABS && k->axes[0].code != END) || (code == EV_FF && k->ffs[0] != END);
    case EV_KEY:
        return in_list(k->keys, code);
    case EV_REL:
        return in_list(k->rels, code);
    case EV_ABS:
        return axis_of(k, code) != NULL;
    case EV_FF:
        return in_list(k->ffs, code);
    }
    return 0;
}

/* A node as it comes: present, at rest, with no effects. */
static void reset(struct node *n)
{
    const struct axis *a;
    n->present = 1;
    n->vanished = 0;
    memset(n->owner, 0, sizeof n->owner);
    memset(n->abs, 0, sizeof n->abs);
    memset(n->keys, 0, sizeof n->keys);
    for (a = n->kind->axes; a->code != END; ++a)
        n->abs[a->code] = a->rest;
    ++changes;
}

static void plug(struct node *n)
{
    reset(n);
    note(n, 0, "plugged");
}

static void unplug(struct node *n, int vanished)
{
    int i;
    n->present = 0;
    n->vanished = vanished;
    memset(n->owner, 0, sizeof n->owner);
    for (i = 0; i < MAX_OPEN; ++i) {
        if (descs[i].node == n && !descs[i].dead) {
            descs[i].dead = 1;
            close(descs[i].feed); /* a read waiting on the pipe wakes */
        }
    }
    ++changes;
    note(n, 0, "unplugged");
}

static void build(char *list)
{
    char *save = NULL, *word;
    int number = 31;
    size_t k;
    node_count = 0;
    for (word = strtok_r(list, ",", &save); word != NULL; word = strtok_r(NULL, ",", &save)) {
        for (k = 0; k < COUNT(kinds) && strcmp(kinds[k].name, word) != 0; ++k) {
        }
        if (k == COUNT(kinds) || node_count == MAX_NODES) {
            fprintf(stderr,
                    "evdev_standin: no device '%s' (mouse, joystick, wheel, pad, "
                    "longpad or refused; 8 at most)\n",
                    word);
        } else {
            nodes[node_count] = (struct node){.kind = &kinds[k], .number = number};
            reset(&nodes[node_count++]);
        }
        --number;
    }
}

static int flag(const char *name)
{
    const char *v = getenv(name);
    return v != NULL && strcmp(v, "1") == 0;
}

static void *control_loop(void *unused);

/* Starts the control FIFO's reader, and rereads the environment between uses
 * of the devices. */
static void refresh(void)
{
    const char *v;
    char list[sizeof device_list];
    pthread_t thread;
    int i;
    if (control_path[0] != '\0' && !control_reading &&
        pthread_create(&thread, NULL, control_loop, NULL) == 0) {
        pthread_detach(thread);
        control_reading = 1;
    }
    if (open_count > 0)
        return;
    v = getenv("EVDEV_STANDIN_LOG");
    snprintf(log_path, sizeof log_path, "%s", v != NULL ? v : "");
    table_full = flag("EVDEV_STANDIN_TABLE_FULL");
    vanish_after_play = flag("EVDEV_STANDIN_VANISH_AFTER_PLAY");
    v = getenv("EVDEV_STANDIN_UPLOAD_MS");
    upload_ms = v != NULL && atoi(v) > 0 && atoi(v) <= 10000 ? atoi(v) : 0;
    v = getenv("EVDEV_STANDIN_SLOW");
    {
        int node = 0, ms = 0;
        slow_ms =
            v != NULL && sscanf(v, "event%d:%d", &node, &ms) == 2 && ms > 0 && ms <= 60000 ? ms : 0;
        slow_node = node;
    }
    v = getenv("EVDEV_STANDIN_DEVICES");
    snprintf(list, sizeof list, "%s", v != NULL ? v : "mouse");
    if (strcmp(list, device_list) != 0) {
        snprintf(device_list, sizeof device_list, "%s", list);
        build(list);
    }
    for (i = 0; i < node_count; ++i) {
        if (nodes[i].vanished)
            plug(&nodes[i]);
    }
}

static int is_folder(const char *path)
{
    return path != NULL && (strcmp(path, FOLDER) == 0 || strcmp(path, FOLDER "/") == 0);
}

static int in_folder(const char *path)
{
    return path != NULL && strncmp(path, FOLDER "/", sizeof FOLDER) == 0 && path[sizeof FOLDER];
}

/* The node called NAME ("event31"), present or not. */
static struct node *node_named(const char *name)
{
    int number, i;
    char rest;
    if (sscanf(name, "event%d%c", &number, &rest) != 1)
        return NULL;
    for (i = 0; i < node_count && nodes[i].number != number; ++i) {
    }
    return i < node_count ? &nodes[i] : NULL;
}

static struct desc *desc_of(int fd)
{
    int i;
    for (i = 0; i < MAX_OPEN && (descs[i].node == NULL || descs[i].fd != fd); ++i) {
    }
    return i < MAX_OPEN ? &descs[i] : NULL;
}

EXPORT int stat(const char *restrict path, struct stat *restrict st)
{
    REAL(stat);
    struct node *n = NULL;
    int err = 0;
    if (!is_folder(path) && !in_folder(path))
        return real(path, st);
    pthread_mutex_lock(&lock);
    refresh();
    memset(st, 0, sizeof *st);
    if (is_folder(path)) {
        st->st_mode = S_IFDIR | 0755;
        st->st_nlink = 2;
        st->st_mtime = st->st_ctime = 1700000000 + changes;
    } else if ((n = node_named(path + sizeof FOLDER)) == NULL || !n->present) {
        err = ENOENT;
    } else {
        st->st_mode = S_IFCHR | 0660;
        st->st_rdev = makedev(13, 64 + n->number);
    }
    if (n != NULL)
        note(n, err, "stat");
    pthread_mutex_unlock(&lock);
    return err != 0 ? fail(err) : 0;
}

/* The folder's listing: ".", ".." and the present nodes. */
EXPORT int scandir(const char *restrict path, struct dirent ***restrict list,
                   int (*filter)(const struct dirent *),
                   int (*compare)(const struct dirent **, const struct dirent **))
{
    REAL(scandir);
    struct dirent **entries, *e;
    int i, count = 0;
    if (!is_folder(path))
        return real(path, list, filter, compare);
    if ((entries = calloc(MAX_NODES + 2, sizeof *entries)) == NULL)
        return fail(ENOMEM);
    pthread_mutex_lock(&lock);
    refresh();
    for (i = -2; i < node_count; ++i) {
        if ((i >= 0 && !nodes[i].present) || (e = calloc(1, sizeof *e)) == NULL)
            continue;
        e->d_ino = (ino_t)(i + 3);
        e->d_reclen = sizeof *e;
        e->d_type = i < 0 ? DT_DIR : DT_CHR;
        if (i < 0)
            snprintf(e->d_name, sizeof e->d_name, "%s", i == -2 ? "." : "..");
        else
            snprintf(e->d_name, sizeof e->d_name, "event%d", nodes[i].number);
        if (filter != NULL && filter(e) == 0)
            free(e);
        else
            entries[count++] = e;
    }
    pthread_mutex_unlock(&lock);
    if (compare != NULL)
        qsort(entries, (size_t)count, sizeof *entries,
              (int (*)(const void *, const void *))compare);
    *list = entries;
    return count;
}

static int open_node(const char *path, int flags)
{
    struct node *n;
    struct desc *d = descs;
    int err = 0, ends[2];
    pthread_mutex_lock(&lock);
    refresh();
    if ((n = node_named(path + sizeof FOLDER)) == NULL) {
        pthread_mutex_unlock(&lock);
        return fail(ENOENT);
    }
    if (!n->present)
        err = ENOENT;
    else if (strcmp(n->kind->name, "refused") == 0)
        err = EACCES;
    else if (open_count == MAX_OPEN)
        err = EMFILE;
    else if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
        err = errno;
    if (err == 0) {
        /* The read end takes the caller's flags; the feed never blocks. */
        fcntl(ends[0], F_SETFL, flags & O_NONBLOCK);
        fcntl(ends[0], F_SETFD, (flags & O_CLOEXEC) != 0 ? FD_CLOEXEC : 0);
        while (d->node != NULL)
            ++d;
        *d = (struct desc){ends[0], ends[1], flags & O_ACCMODE, 0, n};
        ++open_count;
    }
    note(n, err, "open %s", (const char *[]){"r", "w", "rw", "?"}[flags & O_ACCMODE]);
    pthread_mutex_unlock(&lock);
    return err != 0 ? fail(err) : ends[0];
}

EXPORT int open(const char *path, int flags, ...)
{
    REAL(open);
    mode_t mode = 0;
    va_list args;
    va_start(args, flags);
    if ((flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE)
        mode = va_arg(args, mode_t);
    va_end(args);
    return in_folder(path) ? open_node(path, flags) : real(path, flags, mode);
}

EXPORT int close(int fd)
{
    REAL(close);
    struct desc *d;
    int i;
    pthread_mutex_lock(&lock);
    if ((d = desc_of(fd)) != NULL) {
        for (i = 0; i < SLOTS; ++i)
            d->node->owner[i] = d->node->owner[i] == fd ? 0 : d->node->owner[i];
        if (!d->dead)
            real(d->feed);
        note(d->node, 0, "close");
        d->node = NULL;
        --open_count;
    }
    pthread_mutex_unlock(&lock);
    return real(fd);
}

EXPORT ssize_t read(int fd, void *buf, size_t n)
{
    REAL(read);
    struct desc *d;
    ssize_t got;
    int err = 0;
    pthread_mutex_lock(&lock);
    if ((d = desc_of(fd)) != NULL)
        err = d->dead                          ? ENODEV
              : d->mode == O_WRONLY            ? EBADF
              : n < sizeof(struct input_event) ? EINVAL
                                               : 0;
    pthread_mutex_unlock(&lock);
    if (d == NULL)
        return real(fd, buf, n);
    if (err != 0)
        return fail(err);
    got = real(fd, buf, n - n % sizeof(struct input_event));
    return got == 0 ? fail(ENODEV) : got; /* end of file: the feed closed as the node went */
}

static const char *ff_name(unsigned code)
{
    static const char *const names[] = {"rumble", "periodic", "constant", "spring", "friction",
                                        "damper", "inertia",  "ramp",     "square", "triangle",
                                        "sine",   "saw_up",   "saw_down", "custom"};
    return code >= FF_RUMBLE && code <= FF_CUSTOM ? names[code - FF_RUMBLE] : "unknown";
}

static void log_event(struct node *n, const struct input_event *ev)
{
    unsigned code = ev->code;
    const char *ignored = " (ignored)";
    if (ev->type != EV_FF) {
        note(n, 0, "event type=%u code=%u value=%d", ev->type, code, ev->value);
    } else if (code == FF_GAIN || code == FF_AUTOCENTER) {
        note(n, 0, "event ff %s %d%s", code == FF_GAIN ? "gain" : "autocentre", ev->value,
             has(n, EV_FF, code) && (unsigned)ev->value <= 0xffff ? "" : ignored);
    } else if (ev->value == 0) {
        note(n, 0, "event ff stop id=%u%s", code, code < SLOTS && n->owner[code] ? "" : ignored);
    } else {
        note(n, 0, "event ff play id=%u count=%d%s", code, ev->value,
             code < SLOTS && n->owner[code] ? "" : ignored);
        if (vanish_after_play)
            unplug(n, 1);
    }
}

EXPORT ssize_t write(int fd, const void *buf, size_t n)
{
    REAL(write);
    const struct input_event *events = buf;
    struct desc *d;
    int err;
    size_t i;
    pthread_mutex_lock(&lock);
    if ((d = desc_of(fd)) == NULL) {
        pthread_mutex_unlock(&lock);
        return real(fd, buf, n);
    }
    err = d->dead                        ? ENODEV
          : d->mode == O_RDONLY          ? EBADF
          : n == 0 || n % sizeof *events ? EINVAL
                                         : 0;
    if (err != 0)
        note(d->node, err, "write of %zu bytes", n);
    for (i = 0; err == 0 && i < n / sizeof *events && !d->dead; ++i)
        log_event(d->node, &events[i]);
    pthread_mutex_unlock(&lock);
    return err != 0 ? fail(err) : (ssize_t)n;
}

static int format_axis(char *out, size_t n, const char *name, const struct ff_condition_effect *c)
{
    return snprintf(out, n, " %s=rsat:%u,lsat:%u,rcoeff:%d,lcoeff:%d,deadband:%u,centre:%d", name,
                    c->right_saturation, c->left_saturation, c->right_coeff, c->left_coeff,
                    c->deadband, c->center);
}

/* "TYPE DETAILS" of an upload, as the header describes. */
static void describe(char *out, size_t n, const struct ff_effect *e)
{
    int len;
    if (e->type == FF_RUMBLE) {
        snprintf(out, n, "rumble length=%u strong=%u weak=%u", e->replay.length,
                 e->u.rumble.strong_magnitude, e->u.rumble.weak_magnitude);
        return;
    }
    len = snprintf(out, n, "%s dir=0x%04x length=%u delay=%u", ff_name(e->type), e->direction,
                   e->replay.length, e->replay.delay);
    if (e->type == FF_CONSTANT) {
        snprintf(out + len, n - (size_t)len, " level=%d", e->u.constant.level);
    } else if (e->type >= FF_SPRING && e->type <= FF_INERTIA) {
        len += format_axis(out + len, n - (size_t)len, "x", &e->u.condition[0]);
        format_axis(out + len, n - (size_t)len, "y", &e->u.condition[1]);
    }
}

static int upload(struct desc *d, struct ff_effect *e)
{
    struct node *n = d->node;
    char details[384];
    int requested = e->id, err = 0, slot;
    unsigned wave = e->u.periodic.waveform;
    describe(details, sizeof details, e);
    if (e->type < FF_RUMBLE || e->type > FF_RAMP || !has(n, EV_FF, e->type) ||
        (e->type == FF_PERIODIC &&
         (wave < FF_SQUARE || wave > FF_CUSTOM || !has(n, EV_FF, wave)))) {
        err = EINVAL;
    } else if (requested == -1) {
        for (slot = 0; slot < SLOTS && n->owner[slot] != 0; ++slot) {
        }
        if (table_full || slot == SLOTS) {
            err = ENOSPC;
        } else {
            n->owner[slot] = d->fd;
            n->type[slot] = e->type;
            e->id = (__s16)slot;
        }
    } else if (requested < 0 || requested >= SLOTS || n->owner[requested] == 0) {
        err = EINVAL;
    } else if (n->owner[requested] != d->fd) {
        err = EACCES;
    } else if (n->type[requested] != e->type) {
        err = EINVAL;
    }
    note(n, err, "upload id=%d->%d type=%s", requested, err != 0 ? requested : e->id, details);
    return -err;
}

/* The bits of one event type, or of the pressed keys. */
static unsigned bitmap(const struct node *n, unsigned type, unsigned char *bits)
{
    static const unsigned short counts[EV_CNT] = {
        [0] = EV_CNT,       [EV_KEY] = KEY_CNT, [EV_REL] = REL_CNT,
        [EV_ABS] = ABS_CNT, [EV_MSC] = MSC_CNT, [EV_SW] = SW_CNT,
        [EV_LED] = LED_CNT, [EV_SND] = SND_CNT, [EV_FF] = FF_CNT};
    unsigned code, count = type < EV_CNT ? counts[type] : 0;
    memset(bits, 0, KEY_CNT / 8);
    for (code = 0; code < count; ++code)
        bits[code / 8] |= (unsigned char)(has(n, type, code) << (code % 8));
    return count;
}

/* Copies COUNT bits or a string as the kernel does; returns the bytes copied. */
static int copy_out(void *arg, size_t size, const void *data, size_t len)
{
    len = len < size ? len : size;
    memcpy(arg, data, len);
    return (int)len;
}

/* A request on an open node: the bytes copied or 0, or -errno. */
static int device_ioctl(struct desc *d, unsigned long request, void *arg)
{
    struct node *n = d->node;
    unsigned nr = _IOC_NR(request), size = _IOC_SIZE(request), count;
    int reading = _IOC_TYPE(request) == 'E' && _IOC_DIR(request) == _IOC_READ, result = 0;
    unsigned char bits[KEY_CNT / 8];
    const struct axis *axis = axis_of(n->kind, nr - 0x40);
    char what[48];
    snprintf(what, sizeof what, "ioctl 0x%lx", request);
    if (d->dead) {
        result = -ENODEV;
    } else if (reading && nr >= 0x20 && nr < 0x40 && (count = bitmap(n, nr - 0x20, bits)) > 0) {
        result = copy_out(arg, size, bits, (count + 63) / 64 * 8);
        snprintf(what, sizeof what, "ioctl EVIOCGBIT(0x%02x, %u)", nr - 0x20, size);
    } else if (reading && nr >= 0x40 && nr < 0x40 + ABS_CNT &&
               size == sizeof(struct input_absinfo)) {
        snprintf(what, sizeof what, "ioctl EVIOCGABS(0x%02x)", nr - 0x40);
        if (n->kind->axes[0].code == END)
            result = -EINVAL;
        else if (axis == NULL) /* an axis the device lacks reads as zeros */
            memset(arg, 0, size);
        else
            *(struct input_absinfo *)arg = (struct input_absinfo){
                n->abs[nr - 0x40], axis->min, axis->max, axis->fuzz, axis->flat, 0};
    } else if (reading && nr == _IOC_NR(EVIOCGNAME(0))) {
        result = copy_out(arg, size, n->kind->title, strlen(n->kind->title) + 1);
        snprintf(what, sizeof what, "ioctl EVIOCGNAME(%u)", size);
    } else if (reading && (nr == 0x07 || nr == 0x08 || nr == 0x09 || (nr >= 0x18 && nr <= 0x1b))) {
        /* PHYS, UNIQ: none; PROP, LED, SND, SW: all clear; KEY: the pressed keys */
        memset(bits, 0, sizeof bits);
        result = nr < 0x09    ? -ENOENT
                 : nr == 0x18 ? copy_out(arg, size, n->keys, sizeof n->keys)
                              : copy_out(arg, size, bits, 8);
        snprintf(what, sizeof what, "ioctl EVIOCG%s(%u)",
                 (const char *[]){"PHYS", "UNIQ", "PROP", "KEY", "LED", "SND",
                                  "SW"}[nr < 0x18 ? nr - 7 : nr - 0x15],
                 size);
    } else if (request == EVIOCGVERSION || request == EVIOCGEFFECTS) {
        *(int *)arg = request == EVIOCGVERSION ? EV_VERSION : SLOTS;
        snprintf(what, sizeof what, "ioctl %s",
                 request == EVIOCGVERSION ? "EVIOCGVERSION" : "EVIOCGEFFECTS");
    } else if (request == EVIOCGID) {
        *(struct input_id *)arg = (struct input_id){BUS_USB, 0x1209, n->kind->product, 0x0100};
        snprintf(what, sizeof what, "ioctl EVIOCGID");
    } else if (request == EVIOCSFF) {
        return upload(d, arg);
    } else if (request == EVIOCRMFF) {
        long id = (long)(intptr_t)arg;
        result = id < 0 || id >= SLOTS || n->owner[id] == 0 ? -EINVAL
                 : n->owner[id] != d->fd                    ? -EACCES
                                                            : 0;
        if (result == 0)
            n->owner[id] = 0;
        snprintf(what, sizeof what, "erase id=%ld", id);
    } else {
        result = -EINVAL;
    }
    note(n, result < 0 ? -result : 0, "%s", what);
    return result;
}

EXPORT int ioctl(int fd, unsigned long request, ...)
{
    REAL(ioctl);
    struct desc *d;
    void *arg;
    int result;
    va_list args;
    va_start(args, request);
    arg = va_arg(args, void *);
    va_end(args);
    pthread_mutex_lock(&lock);
    if ((d = desc_of(fd)) == NULL) {
        pthread_mutex_unlock(&lock);
        return real(fd, request, arg);
    }
    if ((request == EVIOCSFF && upload_ms > 0) || (slow_ms > 0 && d->node->number == slow_node)) {
        /* The device's answer takes its time; other callers are not held. */
        const int ms = request == EVIOCSFF && upload_ms > 0 ? upload_ms : slow_ms;
        const struct timespec wait = {ms / 1000, (long)(ms % 1000) * 1000000L};
        pthread_mutex_unlock(&lock);
        nanosleep(&wait, NULL);
        pthread_mutex_lock(&lock);
        if ((d = desc_of(fd)) == NULL) {
            pthread_mutex_unlock(&lock);
            return fail(EBADF);
        }
    }
    result = device_ioctl(d, request, arg);
    pthread_mutex_unlock(&lock);
    return result < 0 ? fail(-result) : result;
}

/* Sends one event to every open descriptor of the node, as the kernel does. */
static void emit(struct node *n, unsigned type, unsigned code, int value)
{
    struct input_event ev = {.type = (__u16)type, .code = (__u16)code, .value = value};
    struct timeval now;
    int i;
    gettimeofday(&now, NULL);
    ev.input_event_sec = now.tv_sec;
    ev.input_event_usec = now.tv_usec;
    if (type == EV_ABS)
        n->abs[code] = value;
    if (type == EV_KEY && value != 0)
        n->keys[code / 8] |= (unsigned char)(1u << (code % 8));
    else if (type == EV_KEY)
        n->keys[code / 8] &= (unsigned char)~(1u << (code % 8));
    for (i = 0; i < MAX_OPEN; ++i) {
        if (descs[i].node == n && !descs[i].dead)
            (void)!write(descs[i].feed, &ev, sizeof ev); /* a full pipe drops it */
    }
}

/* Carries out one line of the control FIFO; the reason it cannot, or NULL. */
static const char *command(const char *line)
{
    static const char *const types[] = {"syn", "key", "rel", "abs"};
    char verb[32], name[32], extra;
    int code = 0, value = 0, type = 0;
    int words = sscanf(line, "%31s %31s %d %d %c", verb, name, &code, &value, &extra);
    struct node *n;
    if (words <= 0 || verb[0] == '#')
        return NULL;
    if (words == 2 && (strcmp(verb, "plug") == 0 || strcmp(verb, "unplug") == 0)) {
        if ((n = node_named(name)) == NULL)
            return "no such node";
        if (verb[0] == 'p' && !n->present)
            plug(n);
        else if (verb[0] == 'u' && n->present)
            unplug(n, 0);
        return NULL;
    }
    if ((n = node_named(verb)) == NULL)
        return "no such node";
    while (words >= 2 && type < 4 && strcmp(name, types[type]) != 0)
        ++type;
    if (words < 2 || type == 4 || words != (type == EV_SYN ? 2 : 4))
        return "expected eventN abs|key|rel CODE VALUE, eventN syn, plug eventN or unplug eventN";
    if (type != EV_SYN && (code < 0 || !has(n, (unsigned)type, (unsigned)code)))
        return "the device has no such code";
    if (!n->present)
        return "the node is unplugged";
    emit(n, (unsigned)type, (unsigned)code, value);
    return NULL;
}

/* Reads the FIFO with read(), not stdio: a stream blocked in a read holds
 * its lock, and a program that flushes every stream at exit would wait on it
 * for ever. */
static void *control_loop(void *unused)
{
    char line[256];
    size_t len = 0;
    const char *why;
    /* Open for writing too: no end of file between one writer and the next. */
    int fd = open(control_path, O_RDWR | O_CLOEXEC);
    (void)unused;
    if (fd < 0) {
        fprintf(stderr, "evdev_standin: cannot read %s: %s\n", control_path, strerror(errno));
        return NULL;
    }
    for (;;) {
        ssize_t got = read(fd, line + len, 1);
        if (got < 0 && errno != EINTR)
            return NULL;
        if (got <= 0)
            continue;
        if (line[len] != '\n' && len + 2 < sizeof line) {
            ++len;
            continue;
        }
        line[len + 1] = '\0';
        len = 0;
        pthread_mutex_lock(&lock);
        why = command(line);
        pthread_mutex_unlock(&lock);
        if (why != NULL)
            fprintf(stderr, "evdev_standin: %s: %s", why, line);
    }
}

/* Makes the FIFO when the library is loaded; only a process that looks at
 * /dev/input reads it, not the helpers sharing its environment. */
__attribute__((constructor)) static void make_control(void)
{
    const char *v = getenv("EVDEV_STANDIN_CONTROL");
    struct stat st;
    if (v == NULL || v[0] == '\0')
        return;
    if ((mkfifo(v, 0600) != 0 && errno != EEXIST) || stat(v, &st) != 0 || !S_ISFIFO(st.st_mode))
        fprintf(stderr, "evdev_standin: %s is not a FIFO: no scripted input\n", v);
    else
        snprintf(control_path, sizeof control_path, "%s", v);
}
