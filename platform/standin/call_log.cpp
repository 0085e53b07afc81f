#include "platform/standin/call_log.h"

#include "platform/standin/directdraw.h"
#include "platform/standin/platform_state.h"

#include <cinttypes>
#include <cstdio>

namespace zorbel::standin {

namespace {

std::string Numbered(const char *prefix, long long number)
{
    return prefix + std::to_string(number);
}

std::string HexText(unsigned long long value)
{
    char text[32];
    (void)std::snprintf(text, sizeof(text), "0x%llX", value);
    return text;
}

std::string ObjectName(const void *object)
{
    Platform &platform = State();
    for (DirectDrawObject *dd : platform.directDraws)
        if (object == static_cast<IDirectDraw *>(dd) || object == static_cast<IDirectDraw4 *>(dd))
            return Numbered("dd", dd->Serial());
    for (SurfaceObject *surface : platform.surfaces)
        if (object == static_cast<IDirectDrawSurface4 *>(surface))
            return Numbered("surface", surface->Serial());
    return {};
}

} // namespace

CallLog &Log()
{
    static CallLog log;
    return log;
}

std::string HandleName(const void *handle)
{
    if (handle == nullptr)
        return "null";
    if (handle == ProcessInstance())
        return "inst";
    Platform &platform = State();
    const HandleParts parts = UnpackHandle(handle);
    switch (parts.kind) {
    case HandleKind::Window:
        if (Window *window = FindWindowSlot(static_cast<HWND>(const_cast<void *>(handle))))
            return Numbered("hwnd", window->serial);
        break;
    case HandleKind::Proxy:
        if (Proxy *proxy = FindProxy(static_cast<HWND>(const_cast<void *>(handle))))
            return Numbered("proxy", proxy->serial);
        break;
    case HandleKind::Pen:
    case HandleKind::Brush:
        if (GdiObject *object = FindGdiObject(const_cast<void *>(handle)))
            return Numbered(parts.kind == HandleKind::Pen ? "pen" : "brush", object->serial);
        break;
    case HandleKind::Stock:
        return Numbered("stock", parts.slot);
    case HandleKind::Dc:
        if (DeviceContext *dc = FindDc(static_cast<HDC>(const_cast<void *>(handle))))
            if (dc->surface != nullptr)
                return Numbered("dc", dc->surface->Serial());
        break;
    case HandleKind::Icon:
        return Numbered("icon", parts.slot | (parts.generation << 8));
    case HandleKind::Cursor:
        return Numbered("cursor", parts.slot | (parts.generation << 8));
    case HandleKind::Accel:
        return Numbered("accel", parts.slot | (parts.generation << 8));
    case HandleKind::None:
        break;
    }
    (void)platform;
    std::string name = ObjectName(handle);
    return name.empty() ? HexText(reinterpret_cast<std::uintptr_t>(handle)) : name;
}

std::string HresultName(HRESULT hr)
{
    struct Known {
        HRESULT value;
        const char *name;
    };
    static const Known known[] = {
        {DD_OK, "DD_OK"},
        {DDERR_SURFACELOST, "DDERR_SURFACELOST"},
        {DDERR_WASSTILLDRAWING, "DDERR_WASSTILLDRAWING"},
        {DDERR_INVALIDMODE, "DDERR_INVALIDMODE"},
        {DDERR_UNSUPPORTEDMODE, "DDERR_UNSUPPORTEDMODE"},
        {DDERR_INVALIDPARAMS, "DDERR_INVALIDPARAMS"},
        {DDERR_INVALIDOBJECT, "DDERR_INVALIDOBJECT"},
        {DDERR_NOEXCLUSIVEMODE, "DDERR_NOEXCLUSIVEMODE"},
        {DDERR_NOTFOUND, "DDERR_NOTFOUND"},
        {DDERR_SURFACEBUSY, "DDERR_SURFACEBUSY"},
        {DDERR_NOTFLIPPABLE, "DDERR_NOTFLIPPABLE"},
        {DDERR_WRONGMODE, "DDERR_WRONGMODE"},
        {DDERR_NODC, "DDERR_NODC"},
        {DDERR_DCALREADYCREATED, "DDERR_DCALREADYCREATED"},
        {DDERR_GENERIC, "DDERR_GENERIC"},
        {DDERR_OUTOFMEMORY, "DDERR_OUTOFMEMORY"},
        {DDERR_UNSUPPORTED, "DDERR_UNSUPPORTED"},
        {E_NOINTERFACE, "E_NOINTERFACE"},
        {E_POINTER, "E_POINTER"},
    };
    for (const Known &entry : known)
        if (entry.value == hr)
            return entry.name;
    char text[16];
    (void)std::snprintf(text, sizeof(text), "0x%08" PRIX32, static_cast<std::uint32_t>(hr));
    return text;
}

std::string MessageName(UINT message)
{
    switch (message) {
    case WM_NULL: return "WM_NULL";
    case WM_CREATE: return "WM_CREATE";
    case WM_DESTROY: return "WM_DESTROY";
    case WM_MOVE: return "WM_MOVE";
    case WM_SIZE: return "WM_SIZE";
    case WM_ACTIVATE: return "WM_ACTIVATE";
    case WM_PAINT: return "WM_PAINT";
    case WM_CLOSE: return "WM_CLOSE";
    case WM_QUIT: return "WM_QUIT";
    case WM_SHOWWINDOW: return "WM_SHOWWINDOW";
    case WM_KEYDOWN: return "WM_KEYDOWN";
    case WM_KEYUP: return "WM_KEYUP";
    case WM_CHAR: return "WM_CHAR";
    case WM_COMMAND: return "WM_COMMAND";
    case WM_MOUSEMOVE: return "WM_MOUSEMOVE";
    case WM_LBUTTONDOWN: return "WM_LBUTTONDOWN";
    case WM_LBUTTONUP: return "WM_LBUTTONUP";
    case WM_LBUTTONDBLCLK: return "WM_LBUTTONDBLCLK";
    default: break;
    }
    char text[16];
    (void)std::snprintf(text, sizeof(text), "0x%04X", message);
    return text;
}

LogLine::LogLine(const char *name)
{
    CallLog &log = Log();
    if (!log.enabled)
        return;
    index_ = log.lines.size();
    clears_ = log.clears;
    log.lines.emplace_back(name);
}

std::string &LogLine::Text() { return Log().lines[index_]; }

LogLine &LogLine::Word(const char *text)
{
    if (On() && Log().clears == clears_ && index_ < Log().lines.size())
        Text().append(" ").append(text);
    return *this;
}

LogLine &LogLine::Int(long long value) { return Word(std::to_string(value).c_str()); }

LogLine &LogLine::Hex(unsigned long long value) { return Word(HexText(value).c_str()); }

LogLine &LogLine::Colour(COLORREF value)
{
    char text[16];
    (void)std::snprintf(text, sizeof(text), "0x%08" PRIX32, static_cast<std::uint32_t>(value));
    return Word(text);
}

LogLine &LogLine::Str(const char *text)
{
    if (!On())
        return *this;
    if (text == nullptr)
        return Word("null");
    return Word(("\"" + std::string(text) + "\"").c_str());
}

LogLine &LogLine::Resource(const char *name)
{
    if (!On())
        return *this;
    if (name != nullptr && IS_INTRESOURCE(name))
        return Int(static_cast<long long>(reinterpret_cast<std::uintptr_t>(name)));
    return Str(name);
}

LogLine &LogLine::Handle(const void *handle)
{
    if (!On())
        return *this;
    return Word(HandleName(handle).c_str());
}

LogLine &LogLine::Rect(const RECT *rect)
{
    if (!On())
        return *this;
    if (rect == nullptr)
        return Word("null");
    char text[64];
    (void)std::snprintf(text, sizeof(text), "%d,%d,%d,%d", static_cast<int>(rect->left),
                        static_cast<int>(rect->top), static_cast<int>(rect->right),
                        static_cast<int>(rect->bottom));
    return Word(text);
}

LogLine &LogLine::Point(POINT point)
{
    if (!On())
        return *this;
    char text[32];
    (void)std::snprintf(text, sizeof(text), "%d,%d", static_cast<int>(point.x),
                        static_cast<int>(point.y));
    return Word(text);
}

LogLine &LogLine::Message(const MSG &msg)
{
    if (!On())
        return *this;
    Handle(msg.hwnd);
    Word(MessageName(msg.message).c_str());
    Hex(msg.wParam);
    return Hex(static_cast<std::uintptr_t>(msg.lParam) & 0xFFFFFFFFu);
}

LogLine &LogLine::Result(long long value)
{
    if (!On())
        return *this;
    Word("->");
    return Int(value);
}

LogLine &LogLine::ResultHr(HRESULT hr)
{
    if (!On())
        return *this;
    Word("->");
    return Word(HresultName(hr).c_str());
}

LogLine &LogLine::ResultHandle(const void *handle)
{
    if (!On())
        return *this;
    Word("->");
    return Handle(handle);
}

} // namespace zorbel::standin
