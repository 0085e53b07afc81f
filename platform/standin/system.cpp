// Time, cursor, coordinates and the message box.
#include "platform/standin/logged_call.h"

#include "common/own_file.h"
#include "common/text.h"
#include "platform/standin/other_threads.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace zorbel::standin {

namespace {

// The client area's origin on the screen: a minimised window's is far off
// screen and its client area empty, as on Win32.
POINT ClientOrigin(const Window &window)
{
    if (window.iconic)
        return POINT{-32000, -32000};
    return POINT{window.rect.left, window.rect.top};
}

// With ZORBEL_MESSAGE_LOG naming a file, every message box is also written
// there as one line, "<caption> TAB <text>" (line breaks as \n), when it
// is shown: a record of what the user was told that needs no screen to
// read. Written as the library's call log is: never through a link another
// user could have planted, never into another user's file, and one write of
// the whole line, so that lines of two processes do not mix.
void NoteMessageBox(const char *caption, const char *text)
{
    const char *path = std::getenv("ZORBEL_MESSAGE_LOG");
    if (path == nullptr || path[0] == '\0')
        return;
    // Tabs and line breaks inside the texts would break the line apart.
    auto append = [](std::string *line, const char *part) {
        for (const char *c = part; *c != '\0'; ++c)
            *line += *c == '\n' ? std::string("\\n") : std::string(1, *c == '\t' ? ' ' : *c);
    };
    std::string line;
    append(&line, caption);
    line += '\t';
    append(&line, text);
    line += '\n';
    // A refused log is said once, on standard error: the log cannot say it.
    std::string why;
    static bool told = false;
    if (!AppendToOwnFile(path, line, &why) && !told) {
        told = true;
        std::fprintf(stderr, "%s: the message log %s is not written: %s\n",
                     program_invocation_short_name, OneLineText(path).c_str(),
                     OneLineText(why).c_str());
    }
}

} // namespace

} // namespace zorbel::standin

using namespace zorbel::standin;

DWORD WINAPI GetTickCount()
{
    return Logged(
        "GetTickCount", [](LogLine &) {}, [] { return CurrentHost().Ticks(); });
}

namespace zorbel::standin {

namespace {

int MetricFromHost(int index)
{
    if (index != SM_CXSCREEN && index != SM_CYSCREEN)
        return 0;
    const DisplayState &display = State().display;
    if (display.modeSet)
        return static_cast<int>(index == SM_CXSCREEN ? display.width : display.height);
    const SIZE screen = CurrentHost().ScreenSize();
    return index == SM_CXSCREEN ? screen.cx : screen.cy;
}

} // namespace

void PublishForOtherThreads()
{
    if (!OtherThreadsAsked())
        return;
    PublishCursor(CurrentHost().Cursor());
    for (int index : {SM_CXSCREEN, SM_CYSCREEN})
        PublishMetric(index, MetricFromHost(index));
}

} // namespace zorbel::standin

BOOL WINAPI GetCursorPos(LPPOINT point)
{
    // Another thread (the force-feedback library's) gets what the program's
    // thread published, and is not recorded: the record is the program's.
    if (!OnProgramThread()) {
        if (point == nullptr)
            return FALSE;
        *point = PublishedCursor();
        return TRUE;
    }
    return Logged(
        "GetCursorPos", [](LogLine &) {},
        [&]() -> BOOL {
            if (point == nullptr)
                return FALSE;
            *point = CurrentHost().Cursor();
            PublishCursor(*point);
            return TRUE;
        },
        [&](LogLine &line, BOOL done) {
            if (done)
                line.Int(point->x).Int(point->y);
        });
}

int WINAPI GetSystemMetrics(int index)
{
    if (!OnProgramThread())
        return PublishedMetric(index);
    return Logged(
        "GetSystemMetrics", [&](LogLine &line) { line.Int(index); },
        [&]() -> int {
            const int value = MetricFromHost(index);
            PublishMetric(index, value);
            return value;
        },
        [](LogLine &, int) {});
}

namespace {

// Moves a point by the window's client origin, times direction: -1 from
// screen to client coordinates, +1 back.
BOOL ShiftByClientOrigin(const char *name, HWND window, LPPOINT point, int direction)
{
    return Logged(
        name,
        [&](LogLine &line) {
            line.Handle(window);
            if (point != nullptr)
                line.Int(point->x).Int(point->y);
        },
        [&]() -> BOOL {
            const Window *own = FindWindowSlot(window);
            if (own == nullptr || point == nullptr)
                return FALSE;
            const POINT origin = ClientOrigin(*own);
            point->x += direction * origin.x;
            point->y += direction * origin.y;
            return TRUE;
        },
        [&](LogLine &line, BOOL done) {
            if (done)
                line.Int(point->x).Int(point->y);
        });
}

} // namespace

BOOL WINAPI ScreenToClient(HWND window, LPPOINT point)
{
    return ShiftByClientOrigin("ScreenToClient", window, point, -1);
}

BOOL WINAPI ClientToScreen(HWND window, LPPOINT point)
{
    return ShiftByClientOrigin("ClientToScreen", window, point, +1);
}

BOOL WINAPI GetClientRect(HWND window, LPRECT rect)
{
    return Logged(
        "GetClientRect", [&](LogLine &line) { line.Handle(window); },
        [&]() -> BOOL {
            const Window *own = FindWindowSlot(window);
            if (own == nullptr || rect == nullptr)
                return FALSE;
            // Borderless windows only: the client area is the whole window.
            *rect = own->iconic ? RECT{0, 0, 0, 0}
                                : RECT{0, 0, own->rect.right - own->rect.left,
                                       own->rect.bottom - own->rect.top};
            return TRUE;
        },
        [&](LogLine &line, BOOL done) {
            if (done)
                line.Rect(rect);
        });
}

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type)
{
    return Logged(
        "MessageBoxA", [&](LogLine &line) { line.Handle(owner).Str(text).Str(caption).Hex(type); },
        [&] {
            const char *shownText = text != nullptr ? text : "";
            const char *shownCaption = caption != nullptr ? caption : "Error";
            NoteMessageBox(shownCaption, shownText);
            return CurrentHost().ShowMessageBox(owner, shownText, shownCaption, type);
        });
}
