// The SDL host.
//
// Serves: the shipped native program, on any screen SDL's video drivers
// open: real windows, mouse and keys, presentation of the RGB565 back buffer
// scaled to the screen with its aspect kept (refitted when the screen
// changes size), message boxes, and the end of a session (a hang-up, a lost
// display).
// Limitations: top-level windows only, shown full screen in a display mode;
// SDL's off-screen and dummy drivers count only when named in
// SDL_VIDEODRIVER; a screen no renderer can present on refuses every mode;
// the other running copy goes through the shared single-instance sockets.
// Game controllers and joysticks are a second pointing device
// (sdl_controller.h).
// Dependencies: SDL2 (video, renderer, message boxes, game controllers and
// joysticks), and Xlib through what SDL has loaded for the screen's size and
// the display's loss.
#include "platform/standin/host.h"

#include "platform/standin/display_reason.h"
#include "platform/standin/ending_signals.h"
#include "platform/standin/frame_pacer.h"
#include "platform/standin/pixel_buffer.h"
#include "platform/standin/monotonic.h"
#include "platform/standin/platform_state.h"
#include "platform/standin/resources.h"
#include "platform/standin/sdl_controller.h"
#include "platform/standin/sdl_box_colours.h"
#include "platform/standin/sdl_ending.h"
#include "platform/standin/sdl_input_wait.h"
#include "platform/standin/sdl_renderer_choice.h"
#include "platform/standin/sdl_screen.h"
#include "platform/standin/shown_picture.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace zorbel::standin {

namespace {

struct NativeWindow {
    SDL_Window *window = nullptr;
    SDL_Renderer *renderer = nullptr;
    SDL_Texture *texture = nullptr;
    // For a software renderer: the back buffer and the locked texture as SDL
    // surfaces (their pixels set at each present: the flip chain exchanges
    // its buffers), the back buffer blitted into the texture, which is in
    // the window's own format. The texture is then only stretched onto the
    // window, which SDL does fast in one format; stretching and converting
    // in one go goes through its slowest blitter. The two surfaces last, so
    // the blit keeps its mapping and a frame allocates nothing.
    SDL_Surface *picture = nullptr;
    SDL_Surface *locked = nullptr;
    // The display mode shown full screen; 0 x 0 while in none.
    int modeWidth = 0;
    int modeHeight = 0;
    // A software renderer draws into the window's own pixels, which keep
    // what was drawn: the bars beside the picture need drawing only when
    // the window's size changes. Other renderers start every frame blank.
    bool keepsPixels = false;
    int clearedWidth = 0;
    int clearedHeight = 0;
    FramePacer pacer{kDefaultRefreshUs};
    ShownPicture shown;
    // The screen's size when last looked at, while in a display mode.
    int screenWidth = 0;
    int screenHeight = 0;
    static constexpr long long kDefaultRefreshUs = 16667; // 60 Hz, where the display does not say
};

// A frame presented without a pump before it (a program that presents
// twice in a row) waits for its turn here.
void WaitForTurn(const FramePacer &pacer)
{
    const long long wait = pacer.UntilNextFrame(MicrosecondsNow());
    if (wait > 0)
        std::this_thread::sleep_for(std::chrono::microseconds(wait));
}

NativeWindow *NativeOf(Window &window) { return static_cast<NativeWindow *>(window.native); }

// Whether SDL still has a display for the window. When the screen's last
// output goes (unplugged, or the screen made smaller than it), SDL 2 drops
// its display and then crashes on anything that leaves full screen: hiding,
// leaving the mode, destroying the window.
bool HasDisplay(SDL_Window *window)
{
    return SDL_GetNumVideoDisplays() > 0 && SDL_GetWindowDisplayIndex(window) >= 0;
}

// The renderer's logical size is the display mode's: SDL then scales the
// picture onto the window with its aspect kept, hands mouse events over in
// mode pixels, and tells anyone who asks (the force-feedback library among
// them) what the program's screen is.
void ShowModeSize(NativeWindow &native)
{
    if (native.renderer == nullptr)
        return;
    int shownWidth = 0;
    int shownHeight = 0;
    SDL_RenderGetLogicalSize(native.renderer, &shownWidth, &shownHeight);
    if (native.modeWidth != shownWidth || native.modeHeight != shownHeight)
        (void)SDL_RenderSetLogicalSize(native.renderer, native.modeWidth, native.modeHeight);
}

// A point in picture pixels to the window's client coordinates. In a display
// mode the cursor cannot leave the mode's screen, as on Win32.
POINT PictureToClient(const NativeWindow &native, LONG x, LONG y)
{
    if (native.modeWidth == 0)
        return POINT{x, y};
    return POINT{std::clamp<LONG>(x, 0, native.modeWidth - 1),
                 std::clamp<LONG>(y, 0, native.modeHeight - 1)};
}

Window *WindowOfId(Uint32 id)
{
    for (Window &window : State().windows)
        if (window.used && window.native != nullptr &&
            SDL_GetWindowID(NativeOf(window)->window) == id)
            return &window;
    return nullptr;
}

// The window whose coordinates the cursor is reported in.
Window *CursorWindow()
{
    Window *newest = NewestTopLevelWindow();
    return newest != nullptr && newest->native != nullptr ? newest : nullptr;
}

// Where a controller moves the pointer: the window the cursor is reported in.
PointerWindow PointerTarget()
{
    PointerWindow target;
    Window *window = CursorWindow();
    if (window == nullptr || window->iconic)
        return target;
    target.handle = window->Handle();
    target.native = NativeOf(*window)->window;
    target.renderer = NativeOf(*window)->renderer;
    target.width = window->rect.right - window->rect.left;
    target.height = window->rect.bottom - window->rect.top;
    return target;
}

// The keys a program's accelerators can name (Escape, Return, Space); other
// keys give no messages.
WORD VirtualKeyOf(SDL_Keycode key)
{
    switch (key) {
    case SDLK_ESCAPE:
        return 0x1B;
    case SDLK_RETURN:
        return 0x0D;
    case SDLK_SPACE:
        return 0x20;
    default:
        return 0;
    }
}

void HandleWindowEvent(const SDL_WindowEvent &event)
{
    Window *window = WindowOfId(event.windowID);
    if (window == nullptr)
        return;
    // Whatever happened to the window, its pixels are presented anew.
    NativeOf(*window)->shown.Forget();
    switch (event.event) {
    case SDL_WINDOWEVENT_CLOSE:
        SendAtNextPump(window->Handle(), WM_CLOSE, 0, 0);
        break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
    case SDL_WINDOWEVENT_FOCUS_LOST:
        // Another program came to the front, or this one came back: no
        // thread id of the other program here (lParam 0).
        SendAtNextPump(window->Handle(), WM_ACTIVATEAPP,
                       event.event == SDL_WINDOWEVENT_FOCUS_GAINED ? TRUE : FALSE, 0);
        break;
    case SDL_WINDOWEVENT_MINIMIZED:
        NoteIconic(*window, true, false);
        break;
    case SDL_WINDOWEVENT_RESTORED:
    case SDL_WINDOWEVENT_MAXIMIZED:
        NoteIconic(*window, false, false);
        break;
    default:
        break;
    }
}

void HandleButton(const SDL_MouseButtonEvent &event, bool down)
{
    if (event.button != SDL_BUTTON_LEFT)
        return;
    Window *window = WindowOfId(event.windowID);
    if (window == nullptr)
        return;
    // SDL has already turned the event's position into picture pixels.
    const POINT client = PictureToClient(*NativeOf(*window), event.x, event.y);
    // Every press is a plain press: the class has no double-click style.
    PostInput(window->Handle(), down ? WM_LBUTTONDOWN : WM_LBUTTONUP, down ? MK_LBUTTON : 0,
              MAKELPARAM(client.x, client.y));
}

void AskWindowsToClose()
{
    for (Window &window : State().windows)
        if (window.used)
            SendAtNextPump(window.Handle(), WM_CLOSE, 0, 0);
}

void HandleKey(const SDL_KeyboardEvent &event, bool down)
{
    const WORD key = VirtualKeyOf(event.keysym.sym);
    Window *window = WindowOfId(event.windowID);
    if (window == nullptr)
        window = CursorWindow();
    if (key == 0 || window == nullptr)
        return;
    // Repeat count 1, bit 30 the previous state, bit 31 the transition (no
    // scan code: nothing reads it).
    DWORD lParam = 1;
    if (!down)
        lParam |= (1u << 30) | (1u << 31);
    else if (event.repeat != 0)
        lParam |= 1u << 30;
    PostInput(window->Handle(), down ? WM_KEYDOWN : WM_KEYUP, key, static_cast<LPARAM>(lParam));
}

class SdlHost final : public Host {
public:
    ~SdlHost() override
    {
        controllers_.Stop();
        // A lost display is not touched again; a window SDL cannot take down
        // (see HasDisplay) would take SDL's video down with it: the X server
        // removes it when this process ends.
        if (!Live() || windowLeft_)
            return;
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        // Nobody else (force feedback, say) uses SDL any more: let it free
        // what it holds beyond subsystems, such as its D-Bus connection.
        if (SDL_WasInit(SDL_INIT_EVERYTHING) == 0)
            SDL_Quit();
    }

    bool Open(std::string *why) override;
    // Wraps at 2^32 like the system tick count.
    DWORD Ticks() override { return static_cast<DWORD>(MonotonicMilliseconds()); }
    POINT Cursor() override;
    SIZE ScreenSize() override;
    BYTE Modifiers() override;
    void Pump() override;
    bool Wait(DWORD waitMs) override;

    bool CreateNativeWindow(Window &window) override;
    void DestroyNativeWindow(Window &window) override;
    void ShowNativeWindow(Window &window) override;
    void RaiseWindow(Window &window) override
    {
        if (Live())
            SDL_RaiseWindow(NativeOf(window)->window);
    }
    void SetNativeIcon(Window &window, const IconImage &icon) override;

    HRESULT CheckDisplayMode(DWORD width, DWORD height, DWORD bitsPerPixel) override;
    void EnterFullScreen(Window &window, DWORD width, DWORD height) override;
    void LeaveFullScreen(Window &window) override;
    bool Present(Window &window, const PixelBuffer &buffer) override;

    int ShowMessageBox(HWND owner, const char *text, const char *caption, UINT type) override;
    const char *ScreenLoss() override { return DisplayLoss(); }

private:
    // The screen is open and has not been lost since.
    bool Live() const { return ready_ && DisplayLoss() == nullptr; }
    bool Start();
    void FollowScreenSize();
    void Handle(const SDL_Event &event);
    bool Unchanged(NativeWindow &native, const PixelBuffer &buffer);
    bool EnsureTexture(NativeWindow &native, const PixelBuffer &buffer, bool *made);
    bool Upload(NativeWindow &native, const PixelBuffer &buffer, SDL_Rect *changed);
    void MakeUpMissedRelease(Uint32 windowId);
    void MakeUpUnseenPress();
    void PostLeftAtCursor(Window &window, bool down);
    bool Draw(Window &window, const PixelBuffer &buffer);

    bool started_ = false;
    bool ready_ = false;
    bool deviceLost_ = false;
    // Whether SDL has seen the pointer move in a window since it entered one.
    bool pointerMoved_ = false;
    bool closeAsked_ = false; // after the display's loss
    bool endPassed_ = false;  // a signal's request to end
    bool leftHeld_ = false;   // as the last left-button event said
    Uint32 pressUnseen_ = 0;  // the window of a made-up release SDL knows nothing of
    // False once a window could get no renderer (an 8-bit screen): no
    // display mode can be shown then, and the program is told so.
    bool presentable_ = true;
    bool windowLeft_ = false; // a window left for the X server to remove
    Controllers controllers_;
    unsigned long long nextScreenCheck_ = 0;
    std::string problem_; // why the screen did not open
};

// SDL's drivers that show nothing: they count only when asked for by name.
bool ShowsNothing(const char *driver)
{
    return driver != nullptr &&
           (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0 ||
            std::strcmp(driver, "evdev") == 0);
}

bool SdlHost::Start()
{
    if (!started_) {
        started_ = true;
        // Before anything can wait on the display: a signal to end must end
        // the program whatever the display does (see ending_signals.h).
        // Close requests come from the windows, and signals are read from
        // the note the watch keeps, not from SDL.
        WatchEndingSignals(CutDisplay);
        (void)SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        (void)SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
        (void)SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
        (void)SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
        // A click that brings the window forward is a click, as on Win32:
        // SDL would otherwise drop one that comes right after the focus.
        (void)SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
        const char *chosen = std::getenv("SDL_VIDEODRIVER");
        const bool named = chosen != nullptr && chosen[0] != '\0';
        // Without a display named, SDL would only find one that shows nothing.
        const char *display = std::getenv("DISPLAY");
        const char *waylandDisplay = std::getenv("WAYLAND_DISPLAY");
        const bool x11 = display != nullptr && display[0] != '\0';
        const bool wayland = waylandDisplay != nullptr && waylandDisplay[0] != '\0';
        const bool anyDisplay = x11 || wayland;
        // Only the display named is tried: no other driver's complaints.
        if (!named && x11 && !wayland)
            (void)SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
        if (anyDisplay || named)
            ChooseRenderer();
        // Xlib's complaints (a refused authorization, once a try) are held
        // and said once, or made part of the reason.
        ErrorCapture capture;
        capture.Start();
        ready_ = (named || anyDisplay) && SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
        // An X server right after a client of this process left may refuse
        // for a moment: a few more tries, briefly.
        for (int retry = 0; !ready_ && anyDisplay && !named && retry < 5; ++retry) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            ready_ = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
        }
        const std::string said = capture.Stop();
        if (!ready_) {
            problem_ = named ? SDL_GetError() : NoDisplayReason(SDL_GetError(), said);
            if (problem_.find("refused the connection") == std::string::npos)
                RepeatOnce(said);
        } else if (!named && ShowsNothing(SDL_GetCurrentVideoDriver())) {
            // SDL fell back to a driver without a screen: nobody could see
            // the program or end it.
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
            ready_ = false;
            problem_ = NoDisplayReason("", "");
        } else {
            RepeatOnce(said);
            WatchSessionEnd();
            std::string why;
            if (!controllers_.Start(&why))
                std::fprintf(stderr, "no game controllers: %s\n", why.c_str());
        }
    }
    return Live();
}

bool SdlHost::Open(std::string *why)
{
    if (Start())
        return true;
    *why = problem_;
    return false;
}

POINT SdlHost::Cursor()
{
    int x = 0;
    int y = 0;
    if (!Start()) {
        return POINT{0, 0};
    }
    Window *window = CursorWindow();
    if (window == nullptr) {
        (void)SDL_GetGlobalMouseState(&x, &y);
        return POINT{x, y};
    }
    POINT held{0, 0};
    if (controllers_.Pointer(&held)) {
        const POINT client = PictureToClient(*NativeOf(*window), held.x, held.y);
        return POINT{client.x + window->rect.left, client.y + window->rect.top};
    }
    SDL_Window *native = NativeOf(*window)->window;
    if (SDL_GetMouseFocus() == native && pointerMoved_) {
        // Kept up to date by the motion events the pump reads, also while a
        // button is held; SDL's global position may lag during such a grab.
        // Until the first motion (a window shown under a still pointer) it
        // holds no position at all.
        (void)SDL_GetMouseState(&x, &y);
    } else {
        int windowX = 0;
        int windowY = 0;
        (void)SDL_GetGlobalMouseState(&x, &y);
        SDL_GetWindowPosition(native, &windowX, &windowY);
        x -= windowX;
        y -= windowY;
    }
    float pictureX = static_cast<float>(x);
    float pictureY = static_cast<float>(y);
    if (NativeOf(*window)->renderer != nullptr)
        SDL_RenderWindowToLogical(NativeOf(*window)->renderer, x, y, &pictureX, &pictureY);
    const POINT client =
        PictureToClient(*NativeOf(*window), static_cast<LONG>(std::floor(pictureX)),
                        static_cast<LONG>(std::floor(pictureY)));
    return POINT{client.x + window->rect.left, client.y + window->rect.top};
}

SIZE SdlHost::ScreenSize()
{
    SDL_Rect bounds{};
    if (!Start() || SDL_GetDisplayBounds(0, &bounds) != 0)
        return SIZE{0, 0};
    return SIZE{bounds.w, bounds.h};
}

BYTE SdlHost::Modifiers()
{
    if (!Start())
        return 0;
    const SDL_Keymod mod = SDL_GetModState();
    BYTE flags = 0;
    if ((mod & KMOD_SHIFT) != 0)
        flags |= FSHIFT;
    if ((mod & KMOD_CTRL) != 0)
        flags |= FCONTROL;
    if ((mod & KMOD_ALT) != 0)
        flags |= FALT;
    return flags;
}

// A paced frame's wait comes here, after its present and before the next
// frame reads its input: the pointer is then read as late as can be before
// the present that shows it.
void SdlHost::Pump()
{
    if (Live()) {
        const long long now = MicrosecondsNow();
        long long wait = 0;
        for (Window &window : State().windows)
            if (window.used && window.native != nullptr)
                wait = std::max(wait, NativeOf(window)->pacer.UntilNextFrame(now));
        Window *shown = CursorWindow();
        if (wait > 0)
            WaitTakingInInput(shown != nullptr ? NativeOf(*shown)->window : nullptr, wait);
    }
    (void)Wait(0);
}

bool SdlHost::Wait(DWORD waitMs)
{
    if (!ready_)
        return false;
    NoteProgress();
    SDL_Event event;
    if (Live() && waitMs > 0 && SDL_WaitEventTimeout(&event, static_cast<int>(waitMs)) == 1)
        Handle(event);
    while (Live() && SDL_PollEvent(&event) == 1)
        Handle(event);
    if (Live() && pressUnseen_ != 0)
        MakeUpUnseenPress();
    // A signal to end is passed on once there is a window to close.
    if (EndRequested() != 0 && !endPassed_ && NewestTopLevelWindow() != nullptr) {
        endPassed_ = true;
        AskWindowsToClose();
    }
    if (!Live() && !closeAsked_) {
        // The display is gone: the program is asked to close, as by a
        // signal, and shuts down in order.
        closeAsked_ = true;
        AskWindowsToClose();
    }
    if (Live()) {
        FollowScreenSize();
        controllers_.ShowPointer(PointerTarget());
    }
    return true;
}

// A screen that changes size under a display mode (a resolution changed, a
// projector plugged in) gets the picture refitted, scaled and centred as at
// the start; the mode, and so the program's own coordinates, stay as they
// are. A window manager that keeps the window on one monitor of a larger
// screen refits it itself: only a window covering the whole screen is made
// to cover it again. The server is asked four times a second.
void SdlHost::FollowScreenSize()
{
    constexpr unsigned long long kEveryMs = 250;
    const unsigned long long now = MonotonicMilliseconds();
    if (now < nextScreenCheck_)
        return;
    nextScreenCheck_ = now + kEveryMs;
    for (Window &window : State().windows) {
        NativeWindow *native = window.used ? NativeOf(window) : nullptr;
        int width = 0;
        int height = 0;
        if (native == nullptr || native->modeWidth == 0 ||
            !ScreenSizeNow(native->window, &width, &height) ||
            (width == native->screenWidth && height == native->screenHeight))
            continue;
        int shownWidth = 0;
        int shownHeight = 0;
        SDL_GetWindowSize(native->window, &shownWidth, &shownHeight);
        const bool covered =
            shownWidth == native->screenWidth && shownHeight == native->screenHeight;
        native->screenWidth = width;
        native->screenHeight = height;
        if (covered)
            (void)CoverScreen(native->window, width, height);
    }
}

// A window that was unmapped or hidden gets no button events: a release made
// meanwhile is lost, and the program would go on as if the button were held.
// When the window comes back the pointer is asked, and a release it missed
// is made up, where the cursor is. SDL still takes the button for held and
// drops the next press as no change: until its own release comes, the
// pointer is asked at each pump, and the press made up too.
void SdlHost::MakeUpMissedRelease(Uint32 windowId)
{
    Window *window = WindowOfId(windowId);
    if (!leftHeld_ || window == nullptr ||
        (SDL_GetGlobalMouseState(nullptr, nullptr) & SDL_BUTTON_LMASK) != 0)
        return;
    leftHeld_ = false;
    pressUnseen_ = windowId;
    PostLeftAtCursor(*window, false);
}

void SdlHost::MakeUpUnseenPress()
{
    Window *window = WindowOfId(pressUnseen_);
    if (window == nullptr || (SDL_GetMouseState(nullptr, nullptr) & SDL_BUTTON_LMASK) == 0) {
        pressUnseen_ = 0; // SDL sees the button as it is again
        return;
    }
    if (!leftHeld_ && (SDL_GetGlobalMouseState(nullptr, nullptr) & SDL_BUTTON_LMASK) != 0) {
        leftHeld_ = true;
        PostLeftAtCursor(*window, true);
    }
}

void SdlHost::PostLeftAtCursor(Window &window, bool down)
{
    const POINT cursor = Cursor();
    PostInput(window.Handle(), down ? WM_LBUTTONDOWN : WM_LBUTTONUP, down ? MK_LBUTTON : 0,
              MAKELPARAM(cursor.x - window.rect.left, cursor.y - window.rect.top));
}

void SdlHost::Handle(const SDL_Event &event)
{
    if (controllers_.Handle(event, PointerTarget()))
        return;
    switch (event.type) {
    case SDL_WINDOWEVENT:
        if (event.window.event == SDL_WINDOWEVENT_LEAVE)
            pointerMoved_ = false;
        HandleWindowEvent(event.window);
        if (event.window.event == SDL_WINDOWEVENT_SHOWN ||
            event.window.event == SDL_WINDOWEVENT_EXPOSED ||
            event.window.event == SDL_WINDOWEVENT_FOCUS_GAINED)
            MakeUpMissedRelease(event.window.windowID);
        break;
    case SDL_MOUSEMOTION:
        pointerMoved_ = true;
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        if (event.button.button == SDL_BUTTON_LEFT)
            leftHeld_ = event.type == SDL_MOUSEBUTTONDOWN;
        HandleButton(event.button, event.type == SDL_MOUSEBUTTONDOWN);
        break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        HandleKey(event.key, event.type == SDL_KEYDOWN);
        break;
    case SDL_RENDER_DEVICE_RESET:
        deviceLost_ = true;
        NoteSurfacesLost(); // and so every window's picture is presented anew
        break;
    case SDL_RENDER_TARGETS_RESET:
        NoteSurfacesLost();
        break;
    case SDL_QUIT:
        AskWindowsToClose();
        break;
    default:
        break;
    }
}

bool SdlHost::CreateNativeWindow(Window &window)
{
    if (!Start()) {
        std::fprintf(stderr, "no window: no display could be opened: %s\n", problem_.c_str());
        return false;
    }
    Uint32 flags = SDL_WINDOW_HIDDEN | SDL_WINDOW_BORDERLESS;
    if ((window.exStyle & WS_EX_TOPMOST) != 0)
        flags |= SDL_WINDOW_ALWAYS_ON_TOP;
    const int width = std::max<int>(window.rect.right - window.rect.left, 1);
    const int height = std::max<int>(window.rect.bottom - window.rect.top, 1);
    auto native = std::make_unique<NativeWindow>();
    native->window = SDL_CreateWindow(window.title.c_str(), window.rect.left, window.rect.top,
                                      width, height, flags);
    if (native->window == nullptr) {
        std::fprintf(stderr, "SDL window: %s\n", SDL_GetError());
        return false;
    }
    native->renderer = SDL_CreateRenderer(native->window, -1,
                                          SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);
    if (native->renderer == nullptr)
        native->renderer = SDL_CreateRenderer(native->window, -1, SDL_RENDERER_SOFTWARE);
    presentable_ = presentable_ && native->renderer != nullptr;
    SDL_RendererInfo info{};
    native->keepsPixels = native->renderer != nullptr &&
                          SDL_GetRendererInfo(native->renderer, &info) == 0 &&
                          (info.flags & SDL_RENDERER_SOFTWARE) != 0;
    SDL_DisplayMode shown{};
    if (SDL_GetWindowDisplayMode(native->window, &shown) == 0 && shown.refresh_rate > 0)
        native->pacer = FramePacer(1000000 / shown.refresh_rate);
    SurviveDisplayLoss(native->window);
    window.native = native.release();
    return true;
}

void SdlHost::DestroyNativeWindow(Window &window)
{
    NativeWindow *native = NativeOf(window);
    if (native == nullptr)
        return;
    SDL_FreeSurface(native->picture);
    SDL_FreeSurface(native->locked);
    if (Live()) {
        if (native->texture != nullptr)
            SDL_DestroyTexture(native->texture);
        if (native->renderer != nullptr)
            SDL_DestroyRenderer(native->renderer);
        if (HasDisplay(native->window) ||
            (SDL_GetWindowFlags(native->window) & SDL_WINDOW_FULLSCREEN) == 0)
            SDL_DestroyWindow(native->window);
        else
            windowLeft_ = true;
    }
    delete native;
    window.native = nullptr;
}

void SdlHost::ShowNativeWindow(Window &window)
{
    NativeWindow *native = NativeOf(window);
    if (!Live())
        return;
    const Uint32 flags = SDL_GetWindowFlags(native->window);
    if (!window.visible) {
        SDL_HideWindow(native->window);
        return;
    }
    if ((flags & SDL_WINDOW_SHOWN) == 0)
        SDL_ShowWindow(native->window);
    if (window.iconic && (flags & SDL_WINDOW_MINIMIZED) == 0)
        SDL_MinimizeWindow(native->window);
    else if (!window.iconic && (flags & SDL_WINDOW_MINIMIZED) != 0)
        SDL_RestoreWindow(native->window);
}

void SdlHost::SetNativeIcon(Window &window, const IconImage &icon)
{
    SDL_Surface *surface = SDL_CreateRGBSurfaceWithFormatFrom(
        const_cast<std::uint32_t *>(icon.argb.data()), icon.width, icon.height, 32, icon.width * 4,
        SDL_PIXELFORMAT_ARGB8888);
    if (surface == nullptr)
        return;
    if (Live())
        SDL_SetWindowIcon(NativeOf(window)->window, surface);
    SDL_FreeSurface(surface);
}

HRESULT SdlHost::CheckDisplayMode(DWORD width, DWORD height, DWORD)
{
    SDL_Rect bounds{};
    if (!Start() || SDL_GetDisplayBounds(0, &bounds) != 0)
        return DDERR_UNSUPPORTEDMODE;
    const bool fits = presentable_ && static_cast<DWORD>(bounds.w) >= width &&
                      static_cast<DWORD>(bounds.h) >= height;
    return fits ? DD_OK : DDERR_INVALIDMODE;
}

void SdlHost::EnterFullScreen(Window &window, DWORD width, DWORD height)
{
    NativeWindow *native = NativeOf(window);
    if (!Live())
        return;
    native->modeWidth = static_cast<int>(width);
    native->modeHeight = static_cast<int>(height);
    native->shown.Forget();
    ShowModeSize(*native);
    // Covering the screen first makes the window full screen even where no
    // window manager acts on the full-screen request (a bare X server).
    SDL_Rect bounds{};
    if (SDL_GetDisplayBounds(SDL_GetWindowDisplayIndex(native->window), &bounds) == 0) {
        SDL_SetWindowPosition(native->window, bounds.x, bounds.y);
        SDL_SetWindowSize(native->window, bounds.w, bounds.h);
    }
    if (SDL_SetWindowFullscreen(native->window, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0)
        std::fprintf(stderr, "SDL full screen: %s\n", SDL_GetError());
    if (!ScreenSizeNow(native->window, &native->screenWidth, &native->screenHeight)) {
        native->screenWidth = bounds.w;
        native->screenHeight = bounds.h;
    }
}

void SdlHost::LeaveFullScreen(Window &window)
{
    NativeWindow *native = NativeOf(window);
    if (native->modeWidth == 0 || !Live())
        return;
    native->modeWidth = 0;
    native->modeHeight = 0;
    native->shown.Forget();
    // Without a display there is no full screen to leave (see HasDisplay).
    if (HasDisplay(native->window))
        (void)SDL_SetWindowFullscreen(native->window, 0);
    SDL_SetWindowPosition(native->window, window.rect.left, window.rect.top);
    SDL_SetWindowSize(native->window, std::max<int>(window.rect.right - window.rect.left, 1),
                      std::max<int>(window.rect.bottom - window.rect.top, 1));
    ShowModeSize(*native); // none: the window's own pixels again
}

// The streaming texture a back buffer of this size is shown through, made
// anew after a device reset.
bool SdlHost::EnsureTexture(NativeWindow &native, const PixelBuffer &buffer, bool *made)
{
    const int width = buffer.Width();
    const int height = buffer.Height();
    if (native.renderer == nullptr)
        return false;
    int textureWidth = 0;
    int textureHeight = 0;
    if (native.texture != nullptr && !deviceLost_ &&
        SDL_QueryTexture(native.texture, nullptr, nullptr, &textureWidth, &textureHeight) == 0 &&
        textureWidth == width && textureHeight == height)
        return true;
    if (native.texture != nullptr)
        SDL_DestroyTexture(native.texture);
    SDL_FreeSurface(native.picture);
    SDL_FreeSurface(native.locked);
    native.picture = nullptr;
    native.locked = nullptr;
    deviceLost_ = false;
    native.clearedWidth = 0; // whatever the window showed is gone with the device
    Uint32 format = SDL_PIXELFORMAT_RGB565;
    if (native.keepsPixels) {
        const Uint32 shown = SDL_GetWindowPixelFormat(native.window);
        SDL_RendererInfo info{};
        if (SDL_GetRendererInfo(native.renderer, &info) == 0)
            for (Uint32 i = 0; i < info.num_texture_formats; ++i)
                if (info.texture_formats[i] == shown)
                    format = shown;
        native.picture = SDL_CreateRGBSurfaceWithFormatFrom(nullptr, width, height, 16,
                                                            buffer.Pitch(), SDL_PIXELFORMAT_RGB565);
    }
    native.texture =
        SDL_CreateTexture(native.renderer, format, SDL_TEXTUREACCESS_STREAMING, width, height);
    *made = true;
    return native.texture != nullptr && (!native.keepsPixels || native.picture != nullptr);
}

// Only the changed part of the picture goes into the texture, which holds
// the rest from the pictures before; null for all of it.
bool SdlHost::Upload(NativeWindow &native, const PixelBuffer &buffer, SDL_Rect *changed)
{
    if (native.picture == nullptr)
        return SDL_UpdateTexture(native.texture, nullptr, buffer.Bytes(), buffer.Pitch()) == 0;
    void *pixels = nullptr;
    int pitch = 0;
    if (SDL_LockTexture(native.texture, nullptr, &pixels, &pitch) != 0)
        return false;
    if (native.locked == nullptr || native.locked->pitch != pitch) {
        Uint32 format = 0;
        (void)SDL_QueryTexture(native.texture, &format, nullptr, nullptr, nullptr);
        SDL_FreeSurface(native.locked);
        native.locked = SDL_CreateRGBSurfaceWithFormatFrom(pixels, buffer.Width(), buffer.Height(),
                                                           0, pitch, format);
    }
    bool copied = false;
    if (native.locked != nullptr) {
        native.locked->pixels = pixels;
        native.picture->pixels = const_cast<unsigned char *>(buffer.Bytes()); // only read
        SDL_Rect target = changed != nullptr ? *changed : SDL_Rect{};
        copied = SDL_BlitSurface(native.picture, changed, native.locked,
                                 changed != nullptr ? &target : nullptr) == 0;
    }
    SDL_UnlockTexture(native.texture);
    return copied;
}

bool SdlHost::Present(Window &window, const PixelBuffer &buffer)
{
    // A display lost since the last turn of the message pump is found by
    // the drawing itself. The screen's events are not read here: a screen
    // that changed size is followed by the pump before the next frame.
    struct Frame {
        SdlHost *host;
        Window *window;
        const PixelBuffer *buffer;
        bool shown;
    } frame{this, &window, &buffer, false};
    const auto draw = [](void *context) {
        auto *f = static_cast<Frame *>(context);
        f->shown = f->host->Draw(*f->window, *f->buffer);
    };
    // Once the display is gone, nothing is shown any more: the program is
    // closing.
    NativeWindow *native = NativeOf(window);
    return !Live() || (native != nullptr && Unchanged(*native, buffer)) ||
           !DrawOnScreen(draw, &frame) || frame.shown;
}

// Whether only what changed since the picture shown needs copying into the
// texture and putting on the screen: a software renderer's texture and
// window surface keep their pixels, and an unscaled picture (no bars beside
// it, none drawn this frame) covers them pixel for pixel.
bool CopiesPart(const NativeWindow &native, const PresentSetting &setting, bool textureMade)
{
    return native.keepsPixels && !textureMade && setting.windowWidth == setting.pictureWidth &&
           setting.windowHeight == setting.pictureHeight &&
           setting.modeWidth == setting.pictureWidth &&
           setting.modeHeight == setting.pictureHeight &&
           native.clearedWidth == setting.windowWidth &&
           native.clearedHeight == setting.windowHeight;
}

SDL_Rect RectOf(const Raster::Box &box)
{
    if (box.right <= box.left || box.bottom <= box.top)
        return SDL_Rect{0, 0, 0, 0}; // nothing drawn: only the record changed
    return SDL_Rect{static_cast<int>(box.left), static_cast<int>(box.top),
                    static_cast<int>(box.right - box.left), static_cast<int>(box.bottom - box.top)};
}

PresentSetting SettingOf(const NativeWindow &native, const PixelBuffer &buffer)
{
    PresentSetting setting;
    SDL_GetWindowSize(native.window, &setting.windowWidth, &setting.windowHeight);
    setting.pictureWidth = buffer.Width();
    setting.pictureHeight = buffer.Height();
    setting.modeWidth = native.modeWidth;
    setting.modeHeight = native.modeHeight;
    setting.surfaces = State().display.epoch;
    return setting;
}

// A picture the window shows already, in the setting it was presented in,
// is not presented again; the frame still keeps its turn in the rhythm. On a
// display whose presents wait for its refresh nothing is left out: the
// presents pace the program there.
bool SdlHost::Unchanged(NativeWindow &native, const PixelBuffer &buffer)
{
    if (!native.pacer.Pacing() || deviceLost_ ||
        !native.shown.Shows(buffer, SettingOf(native, buffer)))
        return false;
    WaitForTurn(native.pacer);
    native.pacer.Skipped(MicrosecondsNow());
    return true;
}

bool SdlHost::Draw(Window &window, const PixelBuffer &buffer)
{
    NativeWindow *native = NativeOf(window);
    if (native == nullptr)
        return false;
    const PresentSetting setting = SettingOf(*native, buffer);
    const Raster::Box box = native->shown.Changed(buffer, setting);
    native->shown.Forget(); // until the present is through
    bool made = false;
    if (!EnsureTexture(*native, buffer, &made))
        return false;
    const bool part = CopiesPart(*native, setting, made);
    SDL_Rect changed = RectOf(box);
    if (!Upload(*native, buffer, part ? &changed : nullptr))
        return false;
    ShowModeSize(*native);
    const int width = setting.windowWidth;
    const int height = setting.windowHeight;
    if (!native->keepsPixels || width != native->clearedWidth || height != native->clearedHeight) {
        (void)SDL_SetRenderDrawColor(native->renderer, 0, 0, 0, 255);
        (void)SDL_RenderClear(native->renderer);
        native->clearedWidth = width;
        native->clearedHeight = height;
    }
    if (SDL_RenderCopy(native->renderer, native->texture, part ? &changed : nullptr,
                       part ? &changed : nullptr) != 0)
        return false;
    WaitForTurn(native->pacer);
    if (part) {
        // The software renderer draws into the window's surface, which its
        // present puts on the screen whole: only the changed part is put.
        (void)SDL_RenderFlush(native->renderer);
        (void)SDL_UpdateWindowSurfaceRects(native->window, &changed, 1);
    } else {
        SDL_RenderPresent(native->renderer);
    }
    native->pacer.Presented(MicrosecondsNow());
    if (deviceLost_)
        native->shown.Forget();
    else
        native->shown.Presented(buffer, setting);
    return !deviceLost_;
}

// Where no box can be shown, the text goes to standard error and the call
// answers 0, as MessageBoxA does when it fails.
int SdlHost::ShowMessageBox(HWND owner, const char *text, const char *caption, UINT)
{
    const SDL_MessageBoxButtonData button{SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT |
                                              SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT,
                                          IDOK, "OK"};
    // Any of the program's windows tells which display the box goes on.
    Window *window = FindWindowSlot(owner);
    if (window == nullptr || window->native == nullptr)
        window = CursorWindow();
    SDL_MessageBoxColorScheme colours{};
    const bool readable = Live() && window != nullptr && window->native != nullptr &&
                          ReadableBoxColours(NativeOf(*window)->window, &colours);
    const SDL_MessageBoxData data{SDL_MESSAGEBOX_ERROR,         nullptr, caption, text, 1, &button,
                                  readable ? &colours : nullptr};
    // Nothing reads the note of a signal to end while the box waits:
    // meanwhile the signals end the program as they would any.
    int pressed = -1;
    const bool started = Start();
    EndAtOnce(true);
    const bool shown = started && SDL_ShowMessageBox(&data, &pressed) == 0;
    EndAtOnce(false);
    if (shown)
        return IDOK;
    std::fprintf(stderr, "%s: %s\n", caption, text);
    return 0;
}

} // namespace

std::unique_ptr<Host> CreateSdlHost() { return std::make_unique<SdlHost>(); }

unsigned NativeWindowId(const Window &window)
{
    const auto *native = static_cast<const NativeWindow *>(window.native);
    return native != nullptr ? SDL_GetWindowID(native->window) : 0;
}

} // namespace zorbel::standin
