#include "session.h"

#include "common/checksum.h"

#include <cstdint>
#include <cstdio>

#include "app/app_state.h"
#include "app/clock.h"
#include "app/lifecycle.h"
#include "app/window.h"
#include "display/display.h"
#include "display/flip_chain.h"
#include "platform/testing.h"
#include "records.h"
#include "scene/drawing_tools.h"
#include "scene/launcher.h"

namespace zorbel::trace {

Session::Session(std::FILE *out, std::string pngDir, std::FILE *sums)
    : out_(out), pngDir_(std::move(pngDir)), sums_(sums)
{
    testing::UseHeadlessHost();
    testing::SetCallLogging(false);
    App = AppState{};
}

Session::~Session()
{
    if (launcher_ != nullptr)
        Shutdown();
    testing::Reset();
}

// The program's window of the given client size at the screen origin. Its
// procedure takes the client geometry from the move and size messages of
// its creation, as it does in the program; the launcher is built from it.
bool Session::Open(int width, int height, std::string *why)
{
    window_ = CreateProgramWindow(testing::ProcessInstance(), width, height);
    if (window_ == nullptr) {
        *why =
            "cannot create a window of " + std::to_string(width) + " x " + std::to_string(height);
        return false;
    }
    App.MainWindow = window_;
    Deliver();
    if (Pictures() && !OpenDisplay(width, height, why))
        return false;
    launcher_ = new Launcher();
    App.TheLauncher = launcher_;
    CreateDrawingTools();
    return true;
}

// A flipping pair of the client's size to draw frames into, opened without
// touching the client geometry that the window procedure keeps.
bool Session::OpenDisplay(int width, int height, std::string *why)
{
    const char *failed = "";
    const bool ok =
        OpenDirectDraw4(&App.DirectDraw, &failed) == DD_OK &&
        TakeScreen(App.DirectDraw, window_, static_cast<DWORD>(width), static_cast<DWORD>(height),
                   &failed) == DD_OK &&
        CreateFlipChain(App.DirectDraw, &App.Primary, &App.BackBuffer, &failed) == DD_OK;
    if (!ok)
        *why = "cannot draw pictures of " + std::to_string(width) + " x " + std::to_string(height) +
               " pixels";
    return ok;
}

// Lets the window procedure handle what the platform has queued for it.
void Session::Deliver()
{
    MSG msg{};
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        if (msg.message != WM_QUIT)
            (void)DispatchMessageA(&msg);
}

bool Session::Run(const Command &command, std::string *why)
{
    if (command.op == Op::None)
        return true;
    if (command.op == Op::Client && launcher_ != nullptr) {
        *why = "client must be the first command";
        return false;
    }
    if (launcher_ == nullptr) {
        const bool client = command.op == Op::Client;
        if (!Open(client ? static_cast<int>(command.a) : 1024,
                  client ? static_cast<int>(command.b) : 768, why))
            return false;
        if (client)
            return true;
    }
    bool ok = true;
    switch (command.op) {
    case Op::Cursor:
        testing::SetCursorPos(POINT{static_cast<LONG>(command.a), static_cast<LONG>(command.b)});
        break;
    case Op::Press:
        Press();
        break;
    case Op::Release:
        Button(false);
        break;
    case Op::Step:
        Steps(command.a);
        break;
    case Op::Draw:
        ok = Draw(why);
        break;
    case Op::Resize:
        Resize(static_cast<int>(command.a), static_cast<int>(command.b));
        break;
    case Op::Start:
        StartClock();
        break;
    case Op::Tick:
        testing::SetTickCount(static_cast<DWORD>(command.a));
        break;
    case Op::Frame:
        ok = Frame(why);
        break;
    default:
        break;
    }
    return ok;
}

void Session::Press()
{
    POINT cursor{0, 0};
    (void)GetCursorPos(&cursor);
    (void)ScreenToClient(window_, &cursor);
    const BOOL hit = launcher_->HitTest(cursor);
    Button(true);
    Emit(Record().Point("press", cursor).Int("hit", hit ? 1 : 0).Line());
}

void Session::Button(bool down)
{
    testing::InjectLeftButton(down, window_);
    Deliver();
}

void Session::Resize(int width, int height)
{
    testing::InjectWindowRect(RECT{0, 0, width, height}, window_);
    Deliver();
}

void Session::Steps(long long count)
{
    for (long long i = 0; i < count; ++i) {
        launcher_->Step();
        Emit(StepRecord(++steps_, *launcher_));
    }
}

namespace {

// Lets the real scheduler drive the launcher while each step gets its record.
struct RecordingStepper {
    Launcher &launcher;
    std::FILE *out;
    long long &steps;
    void Step()
    {
        launcher.Step();
        (void)std::fputs(StepRecord(++steps, launcher).c_str(), out);
    }
};

} // namespace

bool Session::Frame(std::string *why)
{
    RecordingStepper stepper{*launcher_, out_, steps_};
    const DWORD now = ClockNow();
    const unsigned ran = RunDueStepsOn(stepper);
    Emit(Record()
             .Int("frame", ++frames_)
             .Int("now", now)
             .Int("steps", ran)
             .Int("NextStepTime", App.NextStepTime)
             .Line());
    return Draw(why);
}

namespace {

// 64-bit FNV-1a over the pixels' RGB565 values, row by row, low byte first.
std::uint64_t Checksum(const testing::Pixels &pixels)
{
    std::uint64_t hash = kFnvBasis;
    for (int y = 0; y < pixels.height; ++y)
        for (int x = 0; x < pixels.width; ++x)
            hash = Fnv1aPixel(hash, pixels.At(x, y));
    return hash;
}

} // namespace

// The band logic once, as a frame runs it, and its record. With pictures
// wanted, the very layout of the record is then drawn as the program draws
// a frame.
bool Session::Draw(std::string *why)
{
    const BandLayout layout = launcher_->LayOutBand();
    Emit(DrawRecord(++draws_, layout, *launcher_));
    if (!Pictures())
        return true;
    launcher_->DrawLayout(layout);
    const testing::Pixels pixels = testing::BackBufferPixels();
    if (sums_ != nullptr)
        (void)std::fprintf(sums_, "%lld %016llx\n", draws_,
                           static_cast<unsigned long long>(Checksum(pixels)));
    if (pngDir_.empty())
        return true;
    char name[32];
    (void)std::snprintf(name, sizeof name, "/frame-%06lld.png", draws_);
    if (!testing::WritePng(pixels, pngDir_ + name)) {
        *why = "cannot write " + pngDir_ + name;
        return false;
    }
    return true;
}

void Session::Emit(const std::string &line) { (void)std::fputs(line.c_str(), out_); }

} // namespace zorbel::trace
