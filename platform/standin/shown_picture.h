// What a window shows: the record of the picture last presented on it and
// the setting it was presented in. Presenting the same picture again in the
// same setting would change nothing on the screen, and is left out; anything
// that may have touched the window's pixels since (an expose, a restore, a
// resize or refit, a new letterbox, a lost device or surfaces) makes the
// window forget, and the next picture is presented whole.
#pragma once

#include "platform/standin/paint_record.h"

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
    bool Shows(const PaintRecord &picture, const PresentSetting &setting) const
    {
        return known_ && setting == setting_ && picture.Same(shown_);
    }
    // The picture was presented whole in this setting.
    void Presented(const PaintRecord &picture, const PresentSetting &setting)
    {
        shown_ = picture; // reuses the record's storage: no allocation
        setting_ = setting;
        known_ = picture.Known();
    }
    // The window's pixels may have changed.
    void Forget() { known_ = false; }

private:
    PaintRecord shown_;
    PresentSetting setting_;
    bool known_ = false;
};

} // namespace zorbel::standin
