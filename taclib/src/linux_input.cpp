#include "linux_input.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

namespace taclib {

namespace {

constexpr size_t Longs(size_t bits) { return (bits + 8 * sizeof(long) - 1) / (8 * sizeof(long)); }

bool Has(const unsigned long *bits, unsigned bit)
{
    return (bits[bit / (8 * sizeof(long))] >> (bit % (8 * sizeof(long)))) & 1u;
}

template <size_t N> bool ReadBits(int fd, unsigned type, unsigned long (&bits)[N])
{
    std::memset(bits, 0, sizeof bits);
    return ioctl(fd, EVIOCGBIT(type, sizeof bits), bits) >= 0;
}

int IsEventNode(const dirent *entry) { return std::strncmp(entry->d_name, "event", 5) == 0; }

// event2 before event10.
int ByNumber(const dirent **a, const dirent **b)
{
    return std::atoi((*a)->d_name + 5) - std::atoi((*b)->d_name + 5);
}

// What an opened node is.
void Describe(int fd, InputNode *node)
{
    char name[256] = "";
    if (ioctl(fd, EVIOCGNAME(sizeof name - 1), name) < 0)
        name[0] = '\0';
    node->name = name;
    unsigned long ff[Longs(FF_CNT)], key[Longs(KEY_CNT)], rel[Longs(REL_CNT)];
    if (!ReadBits(fd, EV_FF, ff))
        return;
    (void)ReadBits(fd, EV_KEY, key);
    (void)ReadBits(fd, EV_REL, rel);
    node->hasSpring = Has(ff, FF_SPRING);
    node->hasGain = Has(ff, FF_GAIN);
    node->hasAutocentre = Has(ff, FF_AUTOCENTER);
    int slots = 0;
    node->slots = ioctl(fd, EVIOCGEFFECTS, &slots) >= 0 ? slots : 0;
    const bool pointing = Has(rel, REL_X) && Has(rel, REL_Y) && Has(key, BTN_LEFT);
    if (pointing && node->hasSpring)
        node->kind = ForceKind::Pointing;
    else if (Has(ff, FF_CONSTANT))
        node->kind = ForceKind::Constant;
    else if (Has(ff, FF_RUMBLE) || Has(ff, FF_PERIODIC))
        node->kind = ForceKind::Rumble;
}

// Opens a node, reads what it is, and closes it again.
void LookAt(InputNode *node)
{
    const int fd = open(node->path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        node->openError = errno;
        return;
    }
    Describe(fd, node);
    (void)close(fd);
}

} // namespace

std::vector<InputNode> ListInputNodes()
{
    std::vector<std::string> paths;
    dirent **entries = nullptr;
    const int count = scandir("/dev/input", &entries, IsEventNode, ByNumber);
    for (int i = 0; i < count; ++i) {
        paths.push_back(std::string("/dev/input/") + entries[i]->d_name);
        std::free(entries[i]);
    }
    std::free(entries);

    // Every node is looked at on a thread of its own, all at once, and what
    // has answered by the deadline is listed. A look that is late goes on by
    // itself and closes its node when the driver lets it go; its answer is
    // then no one's.
    struct Looks {
        std::mutex lock;
        std::condition_variable answered;
        std::vector<InputNode> nodes;
        std::vector<bool> done;
        std::size_t pending = 0;
    };
    auto looks = std::make_shared<Looks>();
    looks->nodes.resize(paths.size());
    looks->done.assign(paths.size(), false);
    looks->pending = paths.size();
    auto look = [looks](std::size_t i, std::string path) {
        InputNode node;
        node.path = std::move(path);
        LookAt(&node);
        const std::lock_guard<std::mutex> hold(looks->lock);
        looks->nodes[i] = std::move(node);
        looks->done[i] = true;
        --looks->pending;
        looks->answered.notify_all();
    };
    const auto deadline = std::chrono::steady_clock::now() + kAnswerDeadline;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        try {
            std::thread(look, i, paths[i]).detach();
        } catch (const std::system_error &) {
            look(i, paths[i]); // no thread to spare: looked at here, without a deadline
        }
    }
    std::unique_lock<std::mutex> hold(looks->lock);
    (void)looks->answered.wait_until(hold, deadline, [&] { return looks->pending == 0; });
    std::vector<InputNode> nodes(paths.size());
    for (std::size_t i = 0; i < paths.size(); ++i) {
        if (looks->done[i]) {
            nodes[i] = looks->nodes[i];
        } else {
            nodes[i].path = paths[i];
            nodes[i].late = true;
        }
    }
    return nodes;
}

bool InputDevice::Open(const std::string &path, std::string *why)
{
    Close();
    fd_ = open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) {
        *why = path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

InputDevice::InputDevice(InputDevice &&other) noexcept : fd_(other.fd_) { other.fd_ = -1; }

InputDevice &InputDevice::operator=(InputDevice &&other) noexcept
{
    if (this != &other) {
        Close();
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

InputDevice::~InputDevice() { Close(); }

void InputDevice::Close()
{
    if (fd_ >= 0)
        (void)close(fd_);
    fd_ = -1;
}

int InputDevice::Upload(ff_effect *effect) { return ioctl(fd_, EVIOCSFF, effect) < 0 ? errno : 0; }

bool InputDevice::Gone() const
{
    if (fd_ < 0)
        return true;
    // With no events asked for, only a hang-up or an error is reported: the
    // kernel reports both once the device is removed.
    pollfd state{fd_, 0, 0};
    return poll(&state, 1, 0) == 1 && (state.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

int InputDevice::Erase(int id)
{
    return ioctl(fd_, EVIOCRMFF, static_cast<long>(id)) < 0 ? errno : 0;
}

int InputDevice::Write(unsigned short code, int value)
{
    input_event event;
    std::memset(&event, 0, sizeof event);
    event.type = EV_FF;
    event.code = code;
    event.value = value;
    const ssize_t written = write(fd_, &event, sizeof event);
    if (written == static_cast<ssize_t>(sizeof event))
        return 0;
    // The kernel takes whole events or none: anything else is a failure.
    return written < 0 ? errno : EIO;
}

int InputDevice::Play(int id, int count) { return Write(static_cast<unsigned short>(id), count); }

int InputDevice::SetGain(int gain) { return Write(FF_GAIN, gain); }

int InputDevice::SetAutocentre(int level) { return Write(FF_AUTOCENTER, level); }

} // namespace taclib
