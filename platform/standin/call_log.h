// Observing the platform calls a program makes.
//
// Every call of the layer opens a line, adds its arguments, and adds its
// result when it returns. Nothing is kept unless a host installed a
// recorder: the shipped program has none, so these are a test of one
// pointer each. The headless host records lines of text (see
// platform/README.md for their format).
#pragma once

#include "platform/standin/ddraw.h"
#include "platform/standin/winuser.h"

#include <cstddef>
#include <cstdint>

namespace zorbel::standin {

enum class LogKind {
    Int,          // decimal
    Hex,          // 0x1B
    Colour,       // 0x00BBGGRR, 8 digits
    Str,          // quoted, or null
    Resource,     // a number for MAKEINTRESOURCE, else quoted
    Handle,       // the name of a handle or object
    Rect,         // l,t,r,b or null
    Point,        // x,y
    Message,      // hwnd name wParam lParam
    Result,       // -> value
    ResultHr,     // -> DD_OK ...
    ResultHandle, // -> handle name
    Word,         // a bare word
};

struct LogValue {
    LogKind kind = LogKind::Word;
    long long number = 0;
    const void *pointer = nullptr; // handle, text, RECT, POINT or MSG
};

class CallRecorder {
public:
    virtual ~CallRecorder() = default;
    // Opens a line for a call that starts now; returns its key.
    virtual std::uint64_t Open(const char *name) = 0;
    // Adds to a line opened earlier (ignored when that line was cleared since).
    virtual void Add(std::uint64_t line, const LogValue &value) = 0;
};

// The installed recorder, or null.
inline CallRecorder *gCallRecorder = nullptr;

// One call's line. A call's line is opened when the call starts, so that
// calls it makes in turn (a window procedure run by CreateWindowExA, for
// example) come after it; its result is added when it returns.
class LogLine {
public:
    explicit LogLine(const char *name)
        : recorder_(gCallRecorder), line_(recorder_ != nullptr ? recorder_->Open(name) : 0)
    {
    }
    LogLine(const LogLine &) = delete;
    LogLine &operator=(const LogLine &) = delete;

    bool On() const { return recorder_ != nullptr; }

    LogLine &Int(long long value) { return Add(LogKind::Int, value); }
    LogLine &Hex(unsigned long long value)
    {
        return Add(LogKind::Hex, static_cast<long long>(value));
    }
    LogLine &Colour(COLORREF value) { return Add(LogKind::Colour, value); }
    LogLine &Str(const char *text) { return Add(LogKind::Str, 0, text); }
    LogLine &Resource(const char *name) { return Add(LogKind::Resource, 0, name); }
    LogLine &Handle(const void *handle) { return Add(LogKind::Handle, 0, handle); }
    LogLine &Rect(const RECT *rect) { return Add(LogKind::Rect, 0, rect); }
    LogLine &Point(const POINT &point) { return Add(LogKind::Point, 0, &point); }
    LogLine &Message(const MSG &msg) { return Add(LogKind::Message, 0, &msg); }
    LogLine &Result(long long value) { return Add(LogKind::Result, value); }
    LogLine &ResultHr(HRESULT hr) { return Add(LogKind::ResultHr, hr); }
    LogLine &ResultHandle(const void *handle) { return Add(LogKind::ResultHandle, 0, handle); }
    LogLine &Word(const char *text) { return Add(LogKind::Word, 0, text); }

private:
    LogLine &Add(LogKind kind, long long number, const void *pointer = nullptr)
    {
        if (On())
            recorder_->Add(line_, LogValue{kind, number, pointer});
        return *this;
    }

    CallRecorder *recorder_;
    std::uint64_t line_;
};

} // namespace zorbel::standin
