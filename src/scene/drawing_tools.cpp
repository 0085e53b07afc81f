#include "scene/drawing_tools.h"

#include "app/app_state.h"

namespace {

constexpr COLORREF kBallColour = 0x000000FF;    // red
constexpr COLORREF kOutlineColour = 0x00FFCC00; // light blue

template <class Handle> void DeleteInto(Handle &handle)
{
    if (handle != nullptr) {
        (void)DeleteObject(handle);
        handle = nullptr;
    }
}

} // namespace

void CreateDrawingTools()
{
    App.BallBrush = CreateSolidBrush(kBallColour);
    App.OutlinePen = CreatePen(PS_SOLID, 1, kOutlineColour);
}

void DeleteDrawingTools()
{
    DeleteInto(App.BallBrush);
    DeleteInto(App.OutlinePen);
}
