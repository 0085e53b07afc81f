// What a window shows: the record of the picture last presented on it and
// the setting it was presented in. Presenting the same picture again in the
// same setting would change nothing on the screen, and is left out; another
// picture filled with the same colour differs from it only where either was
// drawn on, and only that needs copying. Anything that may have touched the
// window's pixels since (an expose, a restore, a resize or refit, a new
// letterbox, a lost device or surfaces) makes the window forget, and the
// next picture is presented whole.
#pragma once

#include "platform/standin/pixel_buffer.h"

#include <algorithm>

namespace zorbel::standin {

// Everything besides the picture that decides the window's pixels.
struct PresentSetting {
    int windowWidth = 0;
    int windowHeight = 0;
    int pictureWidth = 0; // the buffer
    int pictureHeight = 0;
    int modeWidth = 0; // what the picture is scaled from
    int modeHeight = 0;
    unsigned surfaces = 0; // the surfaces' epoch: a loss starts a new one

    bool operator==(const PresentSetting &other) const
    {
        return windowWidth == other.windowWidth && windowHeight == other.windowHeight &&
               pictureWidth == other.pictureWidth && pictureHeight == other.pictureHeight &&
               modeWidth == other.modeWidth && modeHeight == other.modeHeight &&
               surfaces == other.surfaces;
    }
};

class ShownPicture {
public:
    // Whether the window shows this picture in this setting already.
    bool Shows(const PixelBuffer &picture, const PresentSetting &setting) const
    {
        return known_ && setting == setting_ && picture.Record().Same(shown_);
    }
    // The rectangle of the picture outside which it equals the one shown,
    // in this setting; the whole picture when that is not known.
    Raster::Box Changed(const PixelBuffer &picture, const PresentSetting &setting) const
    {
        if (!known_ || !(setting == setting_) || picture.FilledWith() < 0 ||
            picture.FilledWith() != filledWith_)
            return Raster::Box{0, 0, picture.Width(), picture.Height()};
        const Raster::Box drawn = picture.Drawn();
        return Raster::Box{std::min(drawn.left, drawn_.left), std::min(drawn.top, drawn_.top),
                           std::max(drawn.right, drawn_.right),
                           std::max(drawn.bottom, drawn_.bottom)};
    }
    // The picture was presented in this setting.
    void Presented(const PixelBuffer &picture, const PresentSetting &setting)
    {
        shown_ = picture.Record(); // reuses the record's storage: no allocation
        filledWith_ = picture.FilledWith();
        drawn_ = picture.Drawn();
        setting_ = setting;
        known_ = picture.Record().Known();
    }
    // The window's pixels may have changed.
    void Forget() { known_ = false; }

private:
    PaintRecord shown_;
    int filledWith_ = -1;
    Raster::Box drawn_{0, 0, 0, 0};
    PresentSetting setting_;
    bool known_ = false;
};

} // namespace zorbel::standin
