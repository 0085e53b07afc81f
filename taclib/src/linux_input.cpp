#include "linux_input.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

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

} // namespace

std::vector<InputNode> ListInputNodes()
{
    std::vector<InputNode> nodes;
    dirent **entries = nullptr;
    const int count = scandir("/dev/input", &entries, IsEventNode, ByNumber);
    for (int i = 0; i < count; ++i) {
        InputNode node;
        node.path = std::string("/dev/input/") + entries[i]->d_name;
        std::free(entries[i]);
        const int fd = open(node.path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            node.openError = errno;
        } else {
            Describe(fd, &node);
            (void)close(fd);
        }
        nodes.push_back(std::move(node));
    }
    std::free(entries);
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
