// zorbel-present-bench [SECONDS]: the real program (its WinMain and main
// loop, through the SDL host, on the display DISPLAY names) for SECONDS at
// rest and SECONDS with the band held, against the floor of presenting one
// frame measured in the same run: one conversion of a 1024 x 768 RGB565
// picture into the window's own surface and one present of it.
//
// The SDL host runs unchanged inside a host that forwards every call to it;
// it counts the presents, and it holds the band by answering the cursor and
// posting the button press itself, so the figures do not depend on where the
// screen's pointer is or on how the screen scales the picture.
#include "resident_memory.h"
#include "platform/standin/entry.h"
#include "platform/standin/host.h"
#include "platform/standin/monotonic.h"
#include "platform/standin/platform_state.h"

#include <SDL.h>

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
    Span atRest, held;
    double residentAfterWarmUp = 0;
    double residentAtEnd = 0;
    std::string renderer = "none";
};

enum class Phase { WarmUp, AtRest, Settle, Held, Done };

class MeteredHost final : public Host {
public:
    MeteredHost(std::unique_ptr<Host> inner, double seconds, Figures &out)
        : inner_(std::move(inner)), seconds_(seconds), out_(out)
    {
    }

    bool Open(std::string *why) override { return inner_->Open(why); }
    DWORD Ticks() override { return inner_->Ticks(); }
    POINT Cursor() override { return holding_ ? hold_ : inner_->Cursor(); }
    SIZE ScreenSize() override { return inner_->ScreenSize(); }
    BYTE Modifiers() override { return inner_->Modifiers(); }
    void Pump() override
    {
        inner_->Pump();
        Drive();
    }
    bool Wait(DWORD waitMs) override
    {
        const bool any = inner_->Wait(waitMs);
        Drive();
        return any;
    }
    bool CreateNativeWindow(Window &window) override { return inner_->CreateNativeWindow(window); }
    void DestroyNativeWindow(Window &window) override { inner_->DestroyNativeWindow(window); }
    void ShowNativeWindow(Window &window) override { inner_->ShowNativeWindow(window); }
    void RaiseWindow(Window &window) override { inner_->RaiseWindow(window); }
    void SetNativeIcon(Window &window, const IconImage &icon) override
    {
        inner_->SetNativeIcon(window, icon);
    }
    HRESULT CheckDisplayMode(DWORD width, DWORD height, DWORD bits) override
    {
        return inner_->CheckDisplayMode(width, height, bits);
    }
    void EnterFullScreen(Window &window, DWORD width, DWORD height) override
    {
        inner_->EnterFullScreen(window, width, height);
    }
    void LeaveFullScreen(Window &window) override { inner_->LeaveFullScreen(window); }
    void Flipping() override { inner_->Flipping(); }
    bool Present(Window &window, const PixelBuffer &buffer) override
    {
        ++presents_;
        if (presents_ == 1)
            NameRenderer(window);
        return inner_->Present(window, buffer);
    }
    int ShowMessageBox(HWND owner, const char *text, const char *caption, UINT type) override
    {
        return inner_->ShowMessageBox(owner, text, caption, type);
    }
    bool ScriptedFailure(const char *call, HRESULT *result) override
    {
        return inner_->ScriptedFailure(call, result);
    }
    std::string InstanceDirectory() override { return inner_->InstanceDirectory(); }
    bool OtherCopyRunning(const std::string &name) override
    {
        return inner_->OtherCopyRunning(name);
    }
    bool OtherCopyIconic(const std::string &name) override { return inner_->OtherCopyIconic(name); }
    bool BringOtherCopyForward(const std::string &name, bool restore) override
    {
        return inner_->BringOtherCopyForward(name, restore);
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

    void Button(bool down)
    {
        Window *window = FindWindowSlot(State().display.exclusiveWindow);
        if (window != nullptr)
            PostInput(window->Handle(), down ? WM_LBUTTONDOWN : WM_LBUTTONUP, down ? MK_LBUTTON : 0,
                      MAKELPARAM(hold_.x, hold_.y));
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
            hold_ = POINT{centreX, centreY + 200};
            if (elapsed >= kSettleSeconds)
                Next(Phase::Held, nullptr);
            break;
        case Phase::Held:
            if (elapsed >= seconds_) {
                Next(Phase::Done, &out_.held);
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

    std::unique_ptr<Host> inner_;
    double seconds_;
    Figures &out_;
    Phase phase_ = Phase::WarmUp;
    double phaseStart_ = 0;
    double processorStart_ = 0;
    long long presents_ = 0;
    long long presentsStart_ = 0;
    bool holding_ = false;
    POINT hold_{0, 0};
};

// The floor: a screen-sized window's own surface, one conversion of a
// 1024 x 768 RGB565 picture into it and one present, paced as a 60 Hz
// display would, so that the caches see what the program's frames see.
double FloorPerPresentUs(int presents)
{
    constexpr int kWidth = 1024;
    constexpr int kHeight = 768;
    // The window's own pixels in the display server, not a texture of an
    // OpenGL renderer that SDL would otherwise put behind the surface.
    (void)SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    SDL_Rect bounds{};
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0 || SDL_GetDisplayBounds(0, &bounds) != 0)
        return 0;
    SDL_Window *window =
        SDL_CreateWindow("floor", bounds.x, bounds.y, bounds.w, bounds.h, SDL_WINDOW_BORDERLESS);
    SDL_Surface *surface = window != nullptr ? SDL_GetWindowSurface(window) : nullptr;
    double perPresent = 0;
    if (surface != nullptr && surface->w >= kWidth && surface->h >= kHeight) {
        std::vector<std::uint16_t> picture(static_cast<size_t>(kWidth) * kHeight, 0x001F);
        const double start = ProcessorSeconds();
        for (int i = 0; i < presents; ++i) {
            picture[static_cast<size_t>(i) % picture.size()] ^= 0xFFFF;
            (void)SDL_ConvertPixels(kWidth, kHeight, SDL_PIXELFORMAT_RGB565, picture.data(),
                                    kWidth * 2, surface->format->format, surface->pixels,
                                    surface->pitch);
            (void)SDL_UpdateWindowSurface(window);
            std::this_thread::sleep_for(std::chrono::microseconds(16667));
        }
        perPresent = (ProcessorSeconds() - start) / presents * 1e6;
    }
    if (window != nullptr)
        SDL_DestroyWindow(window);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    (void)SDL_ResetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION); // the program chooses its own
    return perPresent;
}

void Print(const char *what, const Span &span, double floorUs)
{
    std::printf(
        "%-8s %5.1f s: %6lld presents (%5.1f per second), %7.1f us processor time per present, "
        "%5.2f x the floor\n",
        what, span.seconds, span.presents, span.presents / span.seconds, span.PerPresentUs(),
        floorUs > 0 ? span.PerPresentUs() / floorUs : 0.0);
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
    // The floor before and after the program's run, the lower of the two:
    // what else the machine does meanwhile weighs on both.
    const double floorBefore = FloorPerPresentUs(120);
    Figures figures;
    ResetPlatform(std::make_unique<MeteredHost>(CreateSdlHost(), seconds, figures));
    char name[] = "zorbel";
    char *programArgs[] = {name, nullptr};
    const int code = RunWinMain(1, programArgs);
    if (figures.held.presents == 0) {
        std::fprintf(stderr, "zorbel-present-bench: the program ended early (status %d)\n", code);
        return 1;
    }
    const double floorAfter = FloorPerPresentUs(120);
    const double floorUs = floorBefore > 0 && floorBefore < floorAfter ? floorBefore : floorAfter;
    const char *display = std::getenv("DISPLAY");
    std::printf("presenting on %s through %s\n", display != nullptr ? display : "(no DISPLAY)",
                figures.renderer.c_str());
    Print("at rest", figures.atRest, floorUs);
    Print("held", figures.held, floorUs);
    std::printf(
        "floor: %.1f us processor time per present (one 1024 x 768 RGB565 conversion into the "
        "window's surface, one present; %.1f before the run, %.1f after)\n",
        floorUs, floorBefore, floorAfter);
    std::printf("resident memory: %.1f MB after warm-up, %.1f MB at the end\n",
                figures.residentAfterWarmUp, figures.residentAtEnd);
    std::printf("goals: at most 3 x the floor per present, at most 40 MB resident and flat\n");
    return code;
}
