// The SDL host's presenter: the back buffer of a window shown through a
// streaming texture, scaled onto the window with its aspect kept, at most
// once per refresh of the display (frame_pacer.h), and a picture the window
// shows already left out (shown_picture.h).
#pragma once

#include "platform/standin/frame_pacer.h"
#include "platform/standin/shown_picture.h"

#include <SDL.h>

namespace zorbel::standin {

class PixelBuffer;

// What a picture is presented on: a window, its renderer (may be null) and
// the display mode the picture is scaled from (0 x 0 while in none).
struct Canvas {
    SDL_Window *window = nullptr;
    SDL_Renderer *renderer = nullptr;
    int modeWidth = 0;
    int modeHeight = 0;
};

struct Presenter {
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
    // A software renderer draws into the window's own pixels, which keep
    // what was drawn: the bars beside the picture need drawing only when
    // the window's size changes. Other renderers start every frame blank.
    bool keepsPixels = false;
    int clearedWidth = 0;
    int clearedHeight = 0;
    FramePacer pacer{kDefaultRefreshUs};
    ShownPicture shown;
    static constexpr long long kDefaultRefreshUs = 16667; // 60 Hz, where the display does not say
};

// Sets the presenter up for the window's renderer and display.
void PreparePresenter(Presenter &presenter, const Canvas &canvas);
// Frees what the presenter holds; SDL's objects only while `live`.
void FreePresenter(Presenter &presenter, bool live);

// When the window shows this picture already: waits for the frame's turn,
// moves the pacer on a frame, and answers true (nothing to present).
bool WaitTurnIfShown(Presenter &presenter, const Canvas &canvas, const PixelBuffer &buffer,
                     bool deviceLost);
// Puts the picture on the window; false when SDL failed. `deviceLost` (set
// by the host on SDL's device reset) makes the texture anew and is cleared.
bool DrawPicture(Presenter &presenter, const Canvas &canvas, const PixelBuffer &buffer,
                 bool *deviceLost);

// The renderer's logical size is the display mode's: SDL then scales the
// picture onto the window with its aspect kept, hands mouse events over in
// mode pixels, and tells anyone who asks (the force-feedback library among
// them) what the program's screen is.
void ShowModeSize(const Canvas &canvas);

// A frame presented without a pump before it (a program that presents
// twice in a row) waits for its turn here.
void WaitForTurn(const FramePacer &pacer);

} // namespace zorbel::standin
