#include "platform/standin/sdl_message_box.h"

#include "platform/standin/ending_signals.h"
#include "platform/standin/sdl_box_colours.h"
#include "platform/standin/winuser.h"

namespace zorbel::standin {

bool ShowSdlMessageBox(SDL_Window *near, const char *text, const char *caption)
{
    const SDL_MessageBoxButtonData button{SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT |
                                              SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT,
                                          IDOK, "OK"};
    SDL_MessageBoxColorScheme colours{};
    const bool readable = near != nullptr && ReadableBoxColours(near, &colours);
    const SDL_MessageBoxData data{SDL_MESSAGEBOX_ERROR,         nullptr, caption, text, 1, &button,
                                  readable ? &colours : nullptr};
    // Nothing reads the note of a signal to end while the box waits:
    // meanwhile the signals end the program as they would any.
    int pressed = -1;
    EndAtOnce(true);
    const bool shown = SDL_ShowMessageBox(&data, &pressed) == 0;
    EndAtOnce(false);
    return shown;
}

} // namespace zorbel::standin
