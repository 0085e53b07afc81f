// The platform backend outside Windows: SDL2 haptics. A haptic mouse is taken
// first; failing one, the first haptic device that can play a spring.
#include <SDL.h>

#include <set>

#include "backend.h"
#include "call_log.h"

namespace taclib {

namespace {

// SDL's condition units: positions and coefficients in +-0x7FFF, saturation
// in 0..0xFFFF, a deadband of 0xFFFF reaching from the centre to the end of
// the axis.
constexpr std::int32_t kPositionHalf = 0x7FFF;
constexpr std::int32_t kCoefficientFull = 0x7FFF;
constexpr std::int32_t kSaturationFull = 0xFFFF;
constexpr std::int32_t kDeadbandHalf = 0xFFFF;

bool CanPlaySpring(SDL_Haptic *haptic)
{
    return (SDL_HapticQuery(haptic) & SDL_HAPTIC_SPRING) != 0;
}

SDL_Haptic *OpenMouse()
{
    if (SDL_MouseIsHaptic() != SDL_TRUE)
        return nullptr;
    SDL_Haptic *haptic = SDL_HapticOpenFromMouse();
    if (haptic != nullptr && !CanPlaySpring(haptic)) {
        SDL_HapticClose(haptic);
        return nullptr;
    }
    return haptic;
}

SDL_Haptic *OpenFirstWithSpring()
{
    int count = SDL_NumHaptics();
    for (int i = 0; i < count; ++i) {
        SDL_Haptic *haptic = SDL_HapticOpen(i);
        if (haptic == nullptr)
            continue;
        if (CanPlaySpring(haptic))
            return haptic;
        SDL_HapticClose(haptic);
    }
    return nullptr;
}

// The program's screen coordinates are those of the picture it shows. When
// that picture is a renderer's logical size (a display mode scaled onto a
// larger screen), that is the screen; otherwise the display itself.
ScreenSize FindScreen()
{
    ScreenSize size;
    if (ScreenFromEnvironment(&size))
        return size;
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0)
        return kDefaultScreen;
    SDL_Window *window = SDL_GetMouseFocus();
    if (window == nullptr)
        window = SDL_GetKeyboardFocus();
    SDL_Renderer *renderer = window != nullptr ? SDL_GetRenderer(window) : nullptr;
    if (renderer != nullptr) {
        SDL_RenderGetLogicalSize(renderer, &size.width, &size.height);
        if (size.width > 0 && size.height > 0)
            return size;
    }
    SDL_Rect bounds;
    if (SDL_GetDisplayBounds(0, &bounds) == 0 && bounds.w > 0 && bounds.h > 0)
        return {bounds.w, bounds.h};
    return kDefaultScreen;
}

class SdlBackend : public Backend {
public:
    explicit SdlBackend(SDL_Haptic *haptic) : haptic_(haptic)
    {
        unsigned int features = SDL_HapticQuery(haptic);
        // The device's own centring would fight the spring's centre.
        if ((features & SDL_HAPTIC_AUTOCENTER) != 0)
            (void)SDL_HapticSetAutocenter(haptic, 0);
        if ((features & SDL_HAPTIC_GAIN) != 0)
            (void)SDL_HapticSetGain(haptic, 100);
        axes_ = SDL_HapticNumAxes(haptic);
        const char *name = SDL_HapticName(SDL_HapticIndex(haptic));
        LogNote(std::string("sdl open ") + (name != nullptr ? name : "(unnamed)"));
    }

    ~SdlBackend() override
    {
        for (EffectId id : effects_)
            SDL_HapticDestroyEffect(haptic_, id);
        SDL_HapticClose(haptic_);
        SDL_QuitSubSystem(SDL_INIT_HAPTIC);
    }

    ScreenSize Screen() override { return FindScreen(); }

    unsigned long Capacity() override
    {
        int n = SDL_HapticNumEffects(haptic_);
        return n > 0 ? static_cast<unsigned long>(n) : 1;
    }

    bool CreateSpring(const SpringParams &p, EffectId *id) override
    {
        SDL_HapticEffect effect = MakeEffect(p, 0);
        int made = SDL_HapticNewEffect(haptic_, &effect);
        if (made < 0)
            return Failed("SDL_HapticNewEffect");
        effects_.insert(made);
        *id = made;
        return true;
    }

    bool UpdateSpring(EffectId id, const SpringParams &p) override
    {
        SDL_HapticEffect effect = MakeEffect(p, 0);
        return SDL_HapticUpdateEffect(haptic_, id, &effect) == 0 ||
               Failed("SDL_HapticUpdateEffect");
    }

    bool Start(EffectId id, const SpringParams &p, const StartParams &s) override
    {
        SDL_HapticEffect effect = MakeEffect(p, static_cast<Uint16>(s.delayMs));
        if (SDL_HapticUpdateEffect(haptic_, id, &effect) != 0)
            return Failed("SDL_HapticUpdateEffect");
        if (s.solo && SDL_HapticStopAll(haptic_) != 0)
            return Failed("SDL_HapticStopAll");
        Uint32 iterations =
            s.iterations == kInfiniteIterations ? SDL_HAPTIC_INFINITY : s.iterations;
        return SDL_HapticRunEffect(haptic_, id, iterations) == 0 || Failed("SDL_HapticRunEffect");
    }

    bool Stop(EffectId id) override
    {
        return SDL_HapticStopEffect(haptic_, id) == 0 || Failed("SDL_HapticStopEffect");
    }

    void Destroy(EffectId id) override
    {
        if (effects_.erase(id) != 0)
            SDL_HapticDestroyEffect(haptic_, id);
    }

private:
    static bool Failed(const char *call)
    {
        LogNote(std::string("sdl ") + call + " failed: " + SDL_GetError());
        return false;
    }

    SDL_HapticEffect MakeEffect(const SpringParams &p, Uint16 delayMs)
    {
        SDL_HapticEffect effect;
        SDL_zero(effect);
        SDL_HapticCondition &c = effect.condition;
        c.type = SDL_HAPTIC_SPRING;
        c.direction.type = SDL_HAPTIC_CARTESIAN;
        c.length = p.durationMs == 0 ? SDL_HAPTIC_INFINITY : p.durationMs;
        c.delay = delayMs;
        ScreenSize screen = FindScreen();
        std::int64_t centre[2] = {EffectiveCentreX(p), EffectiveCentreY(p)};
        std::int32_t extent[2] = {screen.width, screen.height};
        for (int axis = 0; axis < 2 && axis < axes_; ++axis) {
            if ((p.axes & (1u << axis)) == 0)
                continue; // no force along an axis left out
            Uint16 saturation = static_cast<Uint16>(
                MapLevel(static_cast<std::int32_t>(p.saturation), kSaturationFull));
            Sint16 coefficient = static_cast<Sint16>(MapLevel(p.stiffness, kCoefficientFull));
            c.right_sat[axis] = c.left_sat[axis] = saturation;
            c.right_coeff[axis] = c.left_coeff[axis] = coefficient;
            c.deadband[axis] =
                static_cast<Uint16>(MapDistance(p.deadband, extent[axis], kDeadbandHalf, 0xFFFF));
            c.center[axis] =
                static_cast<Sint16>(MapPosition(centre[axis], extent[axis], kPositionHalf));
        }
        return effect;
    }

    SDL_Haptic *haptic_;
    int axes_ = 0;
    std::set<EffectId> effects_;
};

} // namespace

std::unique_ptr<Backend> OpenPlatformBackend(const OpenRequest &, std::string *why)
{
    // Haptics alone needs no display, and with no device this returns at once.
    if (SDL_InitSubSystem(SDL_INIT_HAPTIC) != 0) {
        *why = std::string("SDL haptics unavailable: ") + SDL_GetError();
        return nullptr;
    }
    SDL_Haptic *haptic = OpenMouse();
    if (haptic == nullptr)
        haptic = OpenFirstWithSpring();
    if (haptic == nullptr) {
        SDL_QuitSubSystem(SDL_INIT_HAPTIC);
        *why = "no haptic device that can play a spring";
        return nullptr;
    }
    return std::make_unique<SdlBackend>(haptic);
}

} // namespace taclib
