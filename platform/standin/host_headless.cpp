// The headless host: a virtual clock, a scripted cursor, no native windows,
// presentation that only exchanges buffers, and message boxes on record.
#include "platform/standin/host.h"
#include "platform/standin/platform_state.h"

namespace zorbel::standin {

namespace {

// Modes larger than this are refused, like a screen that cannot show them.
constexpr DWORD kLargestMode = 8192;

class HeadlessHost final : public Host {
public:
    bool Headless() const override { return true; }
    DWORD Ticks() override { return State().controls.ticks; }
    POINT Cursor() override { return State().controls.cursor; }
    BYTE Modifiers() override { return 0; }
    void Pump(DWORD) override {}

    bool CreateNativeWindow(Window &) override { return true; }
    void DestroyNativeWindow(Window &) override {}
    void ShowNativeWindow(Window &) override {}
    void RaiseNativeWindow(Window &) override {}
    void SetNativeIcon(Window &, const IconImage &) override {}

    HRESULT CheckDisplayMode(DWORD width, DWORD height, DWORD) override
    {
        return width <= kLargestMode && height <= kLargestMode ? DD_OK : DDERR_INVALIDMODE;
    }
    void EnterFullScreen(Window &, DWORD, DWORD) override {}
    void LeaveFullScreen(Window &) override {}
    bool Present(Window &, const PixelBuffer &) override { return true; }
    bool CanRestore() override { return true; }

    int ShowMessageBox(HWND owner, const char *text, const char *caption, UINT type) override
    {
        testing::MessageBoxRecord record;
        record.owner = testing::HandleName(owner);
        record.caption = caption;
        record.text = text;
        record.type = type;
        State().controls.boxes.push_back(record);
        return IDOK;
    }
};

} // namespace

std::unique_ptr<Host> CreateHeadlessHost() { return std::make_unique<HeadlessHost>(); }

} // namespace zorbel::standin
