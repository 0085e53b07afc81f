// zorbel-present-bench [SECONDS]: the real program (its WinMain and main
// loop, through the SDL host, on the X display DISPLAY names) for SECONDS at
// rest, SECONDS with the band held still and SECONDS with the band pulled
// by the screen's pointer, against the floor measured in the same run: a
// loop that reads the screen's events, converts a 1024 x 768 RGB565 picture
// into a window's own surface and presents it, once a refresh.
//
// The SDL host runs unchanged inside a host that forwards every call to it
// (ForwardingHost); it counts the frames, and it takes hold of the band by
// pushing SDL's event of a button press itself and, while held still,
// answering the cursor, so that those figures do not depend on where the
// screen's pointer is or on how the screen scales the picture. While pulled, the pointer is
// moved through the X server (PointerMover) and each move timed until the
// end of the first present whose frame read it; the floor loop is timed so
// too.
#include "pointer_mover.h"
#include "resident_memory.h"
#include "platform/standin/entry.h"
#include "platform/standin/forwarding_host.h"
#include "platform/standin/monotonic.h"
#include "platform/standin/platform_state.h"

#include <SDL.h>
#include "app/app_state.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace zorbel::standin;

double ProcessorSeconds()
{
    rusage usage{};
    (void)getrusage(RUSAGE_SELF, &usage); // every thread of the process
    auto seconds = [](const timeval &t) {
        return static_cast<double>(t.tv_sec) + t.tv_usec * 1e-6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double ResidentMb() { return static_cast<double>(ResidentKb()) / 1024.0; }

struct Span {
    double seconds = 0;
    double processor = 0;
    long long presents = 0;
    double PerPresentUs() const { return presents > 0 ? processor / presents * 1e6 : 0; }
};

// What the run measured; kept by main, since the layer's shutdown at the
// end of the run destroys the host.
struct Figures {
    Span atRest, held, pull;
    DelayFigures delays;
    bool bandHeld = false;
    double residentAfterWarmUp = 0;
    double residentAtEnd = 0;
    std::string renderer = "none";
};

enum class Phase { WarmUp, AtRest, Settle, Held, Pull, Done };

class MeteredHost final : public ForwardingHost {
public:
    MeteredHost(std::unique_ptr<Host> inner, double seconds, PointerMover &mover, Figures &out)
        : ForwardingHost(std::move(inner)), seconds_(seconds), mover_(mover), out_(out)
    {
    }

    POINT Cursor() override
    {
        if (holding_)
            return hold_;
        const POINT cursor = ForwardingHost::Cursor();
        if (phase_ == Phase::Pull)
            mover_.Read(cursor.x, cursor.y);
        return cursor;
    }
    void Pump() override
    {
        ForwardingHost::Pump();
        Drive();
    }
    bool Wait(DWORD waitMs) override
    {
        const bool any = ForwardingHost::Wait(waitMs);
        Drive();
        return any;
    }
    bool Present(Window &window, const PixelBuffer &buffer) override
    {
        ++presents_;
        if (presents_ == 1)
            NameRenderer(window);
        const bool shown = ForwardingHost::Present(window, buffer);
        mover_.Presented(MonotonicMicroseconds());
        return shown;
    }

private:
    static constexpr double kWarmUpSeconds = 2;
    static constexpr double kSettleSeconds = 0.5;

    void NameRenderer(Window &window)
    {
        SDL_RendererInfo info{};
        SDL_Renderer *shown = SDL_GetRenderer(SDL_GetWindowFromID(NativeWindowId(window)));
        out_.renderer = shown != nullptr && SDL_GetRendererInfo(shown, &info) == 0
                            ? std::string("SDL renderer \"") + info.name + "\""
                            : std::string("the window's own surface");
    }

    static double Now() { return static_cast<double>(MonotonicMilliseconds()) * 1e-3; }

    // Ends the current span and starts the next phase.
    void Next(Phase phase, Span *ended)
    {
        const double now = Now();
        const double processor = ProcessorSeconds();
        if (ended != nullptr)
            *ended =
                Span{now - phaseStart_, processor - processorStart_, presents_ - presentsStart_};
        phase_ = phase;
        phaseStart_ = now;
        processorStart_ = processor;
        presentsStart_ = presents_;
    }

    // A press or release of the left button on the window, as SDL reports
    // one: the host takes the button for held until the release, as it
    // does a real one (a program with a button held is never at rest).
    void Button(bool down)
    {
        Window *window = FindWindowSlot(State().display.exclusiveWindow);
        if (window == nullptr)
            return;
        SDL_Event event{};
        event.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
        event.button.windowID = NativeWindowId(*window);
        event.button.button = SDL_BUTTON_LEFT;
        event.button.state = down ? SDL_PRESSED : SDL_RELEASED;
        event.button.clicks = 1;
        event.button.x = hold_.x;
        event.button.y = hold_.y;
        (void)SDL_PushEvent(&event);
    }

    // The script, run on the program's own thread at every pump.
    void Drive()
    {
        if (presents_ == 0 || phase_ == Phase::Done)
            return;
        if (phaseStart_ == 0)
            Next(Phase::WarmUp, nullptr);
        const double elapsed = Now() - phaseStart_;
        const LONG centreX = static_cast<LONG>(State().display.width / 2);
        const LONG centreY = static_cast<LONG>(State().display.height / 2);
        switch (phase_) {
        case Phase::WarmUp:
            if (elapsed >= kWarmUpSeconds) {
                out_.residentAfterWarmUp = ResidentMb();
                Next(Phase::AtRest, nullptr);
            }
            break;
        case Phase::AtRest:
            if (elapsed >= seconds_) {
                // Grab the band at its rest centre, then hold it 200 pixels below.
                hold_ = POINT{centreX, centreY};
                holding_ = true;
                Button(true);
                Next(Phase::Settle, &out_.atRest);
            }
            break;
        case Phase::Settle:
            // The press is read with the cursor where it was pressed; the
            // pull comes once it has surely been handled.
            if (elapsed >= kSettleSeconds / 2)
                hold_ = POINT{centreX, centreY + 200};
            if (elapsed >= kSettleSeconds)
                Next(Phase::Held, nullptr);
            break;
        case Phase::Held:
            if (elapsed >= seconds_) {
                out_.bandHeld = App.DragFlag != 0;
                // Still held, the band now follows the screen's pointer,
                // which the mover moves.
                holding_ = false;
                mover_.Moving(true);
                Next(Phase::Pull, &out_.held);
            }
            break;
        case Phase::Pull:
            if (elapsed >= seconds_) {
                mover_.Moving(false);
                Next(Phase::Done, &out_.pull);
                out_.delays = Summarise(mover_.TakeDelaysMs());
                Button(false);
                holding_ = false;
                out_.residentAtEnd = ResidentMb();
                SDL_Event quit{};
                quit.type = SDL_QUIT; // as Ctrl+C: every window is asked to close
                (void)SDL_PushEvent(&quit);
            }
            break;
        case Phase::Done:
            break;
        }
    }

    double seconds_;
    PointerMover &mover_;
    Figures &out_;
    Phase phase_ = Phase::WarmUp;
    double phaseStart_ = 0;
    double processorStart_ = 0;
    long long presents_ = 0;
    long long presentsStart_ = 0;
    bool holding_ = false;
    POINT hold_{0, 0};
};

// The refresh period the SDL host paces to: the display's, 60 Hz where it
// does not say.
long long RefreshUs()
{
    SDL_DisplayMode mode{};
    return SDL_GetCurrentDisplayMode(0, &mode) == 0 && mode.refresh_rate > 0
               ? 1000000 / mode.refresh_rate
               : 16667;
}

struct Floor {
    double perPresentUs = 0;
    DelayFigures delays;
    bool bandHeld = false;
    long long refreshUs = 16667;
};

// The floor: the least any paced program can do. A screen-sized window's
// own surface; at every refresh slot, the screen's events read, one
// conversion of a 1024 x 768 RGB565 picture into the surface and one
// present, so that the caches see what the program's frames see. With the
// pointer moving, a move is shown by the first frame whose slot comes after
// it: the wait for the next slot plus one frame.
Floor MeasureFloor(double seconds, PointerMover *mover)
{
    constexpr int kWidth = 1024;
    constexpr int kHeight = 768;
    Floor floor;
    // The window's own pixels in the display server, not a texture of an
    // OpenGL renderer that SDL would otherwise put behind the surface.
    (void)SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    SDL_Rect bounds{};
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0 || SDL_GetDisplayBounds(0, &bounds) != 0)
        return floor;
    floor.refreshUs = RefreshUs();
    SDL_Window *window =
        SDL_CreateWindow("floor", bounds.x, bounds.y, bounds.w, bounds.h, SDL_WINDOW_BORDERLESS);
    SDL_Surface *surface = window != nullptr ? SDL_GetWindowSurface(window) : nullptr;
    if (surface != nullptr && surface->w >= kWidth && surface->h >= kHeight) {
        std::vector<std::uint16_t> picture(static_cast<size_t>(kWidth) * kHeight, 0x001F);
        if (mover != nullptr)
            mover->Moving(true);
        const double start = ProcessorSeconds();
        const long long end = MonotonicMicroseconds() + static_cast<long long>(seconds * 1e6);
        long long presents = 0;
        for (long long slot = MonotonicMicroseconds(); slot < end; ++presents) {
            SDL_PumpEvents();
            int x = 0;
            int y = 0;
            (void)SDL_GetMouseState(&x, &y);
            if (mover != nullptr)
                mover->Read(x, y);
            picture[static_cast<size_t>(presents) % picture.size()] ^= 0xFFFF;
            (void)SDL_ConvertPixels(kWidth, kHeight, SDL_PIXELFORMAT_RGB565, picture.data(),
                                    kWidth * 2, surface->format->format, surface->pixels,
                                    surface->pitch);
            (void)SDL_UpdateWindowSurface(window);
            const long long now = MonotonicMicroseconds();
            if (mover != nullptr)
                mover->Presented(now);
            slot = now >= slot + floor.refreshUs ? now : slot + floor.refreshUs;
            std::this_thread::sleep_for(std::chrono::microseconds(slot - now));
        }
        floor.perPresentUs = (ProcessorSeconds() - start) / static_cast<double>(presents) * 1e6;
        if (mover != nullptr) {
            mover->Moving(false);
            floor.delays = Summarise(mover->TakeDelaysMs());
        }
    }
    if (window != nullptr)
        SDL_DestroyWindow(window);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    (void)SDL_ResetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION); // the program chooses its own
    return floor;
}

void Print(const char *what, const Span &span, double floorUs)
{
    std::printf("%-8s %5.1f s: %6lld frames (%5.1f per second), %7.1f us processor time per "
                "frame, %5.2f x the floor, %5.2f %% of a core\n",
                what, span.seconds, span.presents, span.presents / span.seconds,
                span.PerPresentUs(), floorUs > 0 ? span.PerPresentUs() / floorUs : 0.0,
                span.seconds > 0 ? span.processor / span.seconds * 100 : 0.0);
}

void PrintDelays(const char *what, const DelayFigures &delays)
{
    std::printf("%-17s %4d moves: mean %5.1f ms, 99th percentile %5.1f ms, worst %5.1f ms\n", what,
                delays.count, delays.mean, delays.p99, delays.worst);
}

} // namespace

int main(int argc, char **argv)
{
    const double seconds = argc >= 2 ? std::atof(argv[1]) : 10;
    if (!(seconds > 0 && seconds <= 3600)) {
        std::fputs("usage: zorbel-present-bench [SECONDS]  (0 < SECONDS <= 3600, default 10)\n",
                   stderr);
        return 2;
    }
    PointerMover mover; // before SDL's video: the first to use Xlib
    std::string why;
    if (!mover.Start(&why)) {
        std::fprintf(stderr, "zorbel-present-bench: %s\n", why.c_str());
        return 1;
    }
    // The floor before and after the program's run, the lower of the two:
    // what else the machine does meanwhile weighs on both.
    const Floor before = MeasureFloor(2, nullptr);
    Figures figures;
    ResetPlatform(std::make_unique<MeteredHost>(CreateSdlHost(), seconds, mover, figures));
    char name[] = "zorbel";
    char *programArgs[] = {name, nullptr};
    const int code = RunWinMain(1, programArgs);
    if (figures.pull.presents == 0 || !figures.bandHeld) {
        std::fprintf(stderr, "zorbel-present-bench: %s (status %d)\n",
                     figures.pull.presents == 0 ? "the program ended early"
                                                : "the program did not take hold of the band",
                     code);
        return 1;
    }
    const Floor after = MeasureFloor(seconds, &mover);
    const double floorUs = before.perPresentUs > 0 && before.perPresentUs < after.perPresentUs
                               ? before.perPresentUs
                               : after.perPresentUs;
    const char *display = std::getenv("DISPLAY");
    std::printf("presenting on %s through %s\n", display != nullptr ? display : "(no DISPLAY)",
                figures.renderer.c_str());
    Print("at rest", figures.atRest, floorUs);
    Print("held", figures.held, floorUs);
    Print("pulled", figures.pull, floorUs);
    std::printf(
        "floor: %.1f us processor time per present (events read, one 1024 x 768 RGB565 "
        "conversion into the window's surface, one present; %.1f before the run, %.1f after)\n",
        floorUs, before.perPresentUs, after.perPresentUs);
    PrintDelays("pointer to screen", figures.delays);
    PrintDelays("floor", after.delays);
    if (mover.GivenUp() > 0)
        std::printf("(%d moves never seen on the screen, left out)\n", mover.GivenUp());
    std::printf("resident memory: %.1f MB after warm-up, %.1f MB at the end\n",
                figures.residentAfterWarmUp, figures.residentAtEnd);
    const double refreshMs = static_cast<double>(after.refreshUs) / 1000.0;
    std::printf("goals: at most 3 x the floor per present, at most 0.5 %% of a core at rest, "
                "at most 40 MB resident and flat; pointer to screen at most %.1f ms on average "
                "(half a refresh + 1 ms) and %.1f ms at the 99th percentile (a refresh + 1 ms)\n",
                refreshMs / 2 + 1, refreshMs + 1);
    return code;
}
