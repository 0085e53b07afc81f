// The headless host's record of platform calls: one line of text a call.
#include "platform/headless/call_recorder.h"

#include "common/text.h"

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

std::string Quoted(const void *text) { return QuotedText(static_cast<const char *>(text)); }

} // namespace

std::string HandleName(const void *handle)
{
    if (handle == nullptr)
        return "null";
    if (handle == ProcessInstance())
        return "inst";
    Platform &platform = State();
    const HandleFields parts = UnpackHandle(handle);
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
    case WM_CREATE:
        return "WM_CREATE";
    case WM_DESTROY:
        return "WM_DESTROY";
    case WM_MOVE:
        return "WM_MOVE";
    case WM_SIZE:
        return "WM_SIZE";
    case WM_PAINT:
        return "WM_PAINT";
    case WM_CLOSE:
        return "WM_CLOSE";
    case WM_QUIT:
        return "WM_QUIT";
    case WM_SHOWWINDOW:
        return "WM_SHOWWINDOW";
    case WM_ACTIVATEAPP:
        return "WM_ACTIVATEAPP";
    case WM_KEYDOWN:
        return "WM_KEYDOWN";
    case WM_KEYUP:
        return "WM_KEYUP";
    case WM_COMMAND:
        return "WM_COMMAND";
    case WM_LBUTTONDOWN:
        return "WM_LBUTTONDOWN";
    case WM_LBUTTONUP:
        return "WM_LBUTTONUP";
    case WM_LBUTTONDBLCLK:
        return "WM_LBUTTONDBLCLK";
    default:
        break;
    }
    char text[16];
    (void)std::snprintf(text, sizeof(text), "0x%04X", message);
    return text;
}

TextRecorder &Recorder()
{
    static TextRecorder recorder;
    return recorder;
}

void TextRecorder::Clear()
{
    lines_.clear();
    ++clears_;
}

std::uint64_t TextRecorder::Open(const char *name)
{
    lines_.emplace_back(name);
    return (lines_.size() - 1) | (static_cast<std::uint64_t>(clears_ & 0xFFFFFF) << 40);
}

void TextRecorder::Add(std::uint64_t key, const LogValue &value)
{
    const std::uint64_t index = key & ((std::uint64_t{1} << 40) - 1);
    if ((key >> 40) != (clears_ & 0xFFFFFF) || index >= lines_.size())
        return; // opened before a clear
    std::string &line = lines_[index];
    auto word = [&line](const std::string &text) { line.append(" ").append(text); };
    char text[64];
    switch (value.kind) {
    case LogKind::Int:
        word(std::to_string(value.number));
        break;
    case LogKind::Hex:
        word(HexText(static_cast<unsigned long long>(value.number)));
        break;
    case LogKind::Colour:
        (void)std::snprintf(text, sizeof(text), "0x%08" PRIX32,
                            static_cast<std::uint32_t>(value.number));
        word(text);
        break;
    case LogKind::Str:
        word(Quoted(value.pointer));
        break;
    case LogKind::Resource:
        if (value.pointer != nullptr && IS_INTRESOURCE(value.pointer))
            word(std::to_string(reinterpret_cast<std::uintptr_t>(value.pointer)));
        else
            word(Quoted(value.pointer));
        break;
    case LogKind::Handle:
        word(HandleName(value.pointer));
        break;
    case LogKind::Rect:
        if (const auto *rect = static_cast<const RECT *>(value.pointer)) {
            (void)std::snprintf(text, sizeof(text), "%d,%d,%d,%d", static_cast<int>(rect->left),
                                static_cast<int>(rect->top), static_cast<int>(rect->right),
                                static_cast<int>(rect->bottom));
            word(text);
        } else {
            word("null");
        }
        break;
    case LogKind::Point: {
        const POINT &point = *static_cast<const POINT *>(value.pointer);
        (void)std::snprintf(text, sizeof(text), "%d,%d", static_cast<int>(point.x),
                            static_cast<int>(point.y));
        word(text);
        break;
    }
    case LogKind::Message: {
        const MSG &msg = *static_cast<const MSG *>(value.pointer);
        word(HandleName(msg.hwnd));
        word(MessageName(msg.message));
        word(HexText(msg.wParam));
        word(HexText(static_cast<std::uintptr_t>(msg.lParam) & 0xFFFFFFFFu));
        break;
    }
    case LogKind::Result:
        word("->");
        word(std::to_string(value.number));
        break;
    case LogKind::ResultHr:
        word("->");
        word(HresultName(static_cast<HRESULT>(value.number)));
        break;
    case LogKind::ResultHandle:
        word("->");
        word(HandleName(value.pointer));
        break;
    case LogKind::Word:
        word(static_cast<const char *>(value.pointer));
        break;
    }
}

} // namespace zorbel::standin
