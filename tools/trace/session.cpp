#include "session.h"

#include "app/app_state.h"
#include "app/clock.h"
#include "platform/testing.h"
#include "records.h"
#include "scene/launcher.h"

namespace zorbel::trace {

Session::Session(std::FILE *out) : out_(out)
{
    testing::UseHeadlessHost();
    App = AppState{};
}

Session::~Session() = default;

void Session::SetClient(int width, int height)
{
    App.ClientRect = RECT{0, 0, width, height};
    App.ClientTopLeft = POINT{0, 0};
    App.ClientBottomRight = POINT{width, height};
}

void Session::EnsureLauncher()
{
    if (launcher_)
        return;
    if (App.ClientBottomRight.x == 0 && App.ClientBottomRight.y == 0 && !anyCommand_)
        SetClient(1024, 768);
    launcher_ = std::make_unique<Launcher>();
    App.TheLauncher = launcher_.get();
}

bool Session::Run(const Command &command, std::string &error)
{
    if (command.op == Op::None)
        return true;
    if (command.op == Op::Client) {
        if (anyCommand_) {
            error = "client must be the first command";
            return false;
        }
        SetClient(static_cast<int>(command.a), static_cast<int>(command.b));
        anyCommand_ = true;
        EnsureLauncher();
        return true;
    }
    EnsureLauncher();
    anyCommand_ = true;
    switch (command.op) {
    case Op::Cursor:
        testing::SetCursorPos(POINT{static_cast<LONG>(command.a), static_cast<LONG>(command.b)});
        break;
    case Op::Press:
        Press();
        break;
    case Op::Release:
        Release();
        break;
    case Op::Step:
        Steps(command.a);
        break;
    case Op::Draw:
        Draw();
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
        Frame();
        break;
    default:
        break;
    }
    return true;
}

void Session::Press()
{
    POINT cursor{0, 0};
    (void)GetCursorPos(&cursor);
    (void)ScreenToClient(App.MainWindow, &cursor);
    const BOOL hit = launcher_->HitTest(cursor);
    if (hit) {
        App.DragFlag = 1;
        launcher_->Grab();
    }
    Emit(Record().Point("press", cursor).Int("hit", hit ? 1 : 0).Line());
}

void Session::Release() { App.DragFlag = 0; }

void Session::Resize(int width, int height)
{
    SetClient(width, height);
    launcher_->Recentre((App.ClientRect.left + App.ClientRect.right) / 2,
                        (App.ClientRect.top + App.ClientRect.bottom) / 2);
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

void Session::Frame()
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
    Draw();
}

void Session::Draw()
{
    const BandLayout layout = launcher_->LayOutBand();
    Emit(DrawRecord(++draws_, layout, *launcher_));
}

void Session::Emit(const std::string &line) { (void)std::fputs(line.c_str(), out_); }

} // namespace zorbel::trace
