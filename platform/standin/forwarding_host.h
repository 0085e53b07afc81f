// A host that hands every call to another host: the base of a host that
// watches or changes a few calls of a real one (a benchmark's, say) and
// leaves the rest as they are. Every method of Host is forwarded here,
// those with a default too, so that a host built on this one can forget
// none: a method added to Host is added here as well.
#pragma once

#include "platform/standin/host.h"

#include <memory>
#include <string>
#include <utility>

namespace zorbel::standin {

class ForwardingHost : public Host {
public:
    explicit ForwardingHost(std::unique_ptr<Host> inner) : inner_(std::move(inner)) {}

    bool Open(std::string *why) override { return inner_->Open(why); }
    DWORD Ticks() override { return inner_->Ticks(); }
    POINT Cursor() override { return inner_->Cursor(); }
    SIZE ScreenSize() override { return inner_->ScreenSize(); }
    BYTE Modifiers() override { return inner_->Modifiers(); }
    void Pump() override { inner_->Pump(); }
    bool Wait(DWORD waitMs) override { return inner_->Wait(waitMs); }

    bool CreateNativeWindow(Window &window) override { return inner_->CreateNativeWindow(window); }
    void DestroyNativeWindow(Window &window) override { inner_->DestroyNativeWindow(window); }
    void ShowNativeWindow(Window &window) override { inner_->ShowNativeWindow(window); }
    void RaiseWindow(Window &window) override { inner_->RaiseWindow(window); }
    void ComeForward(Window &window, const std::string &activation) override
    {
        inner_->ComeForward(window, activation);
    }
    bool HasFocus(Window &window) override { return inner_->HasFocus(window); }
    void AskForAttention(Window &window) override { inner_->AskForAttention(window); }
    void SetNativeIcon(Window &window, const IconImage &icon) override
    {
        inner_->SetNativeIcon(window, icon);
    }

    HRESULT CheckDisplayMode(DWORD width, DWORD height, DWORD bitsPerPixel) override
    {
        return inner_->CheckDisplayMode(width, height, bitsPerPixel);
    }
    void EnterFullScreen(Window &window, DWORD width, DWORD height) override
    {
        inner_->EnterFullScreen(window, width, height);
    }
    void LeaveFullScreen(Window &window) override { inner_->LeaveFullScreen(window); }
    void Flipping() override { inner_->Flipping(); }
    bool Present(Window &window, const PixelBuffer &buffer) override
    {
        return inner_->Present(window, buffer);
    }

    int ShowMessageBox(HWND owner, const char *text, const char *caption, UINT type) override
    {
        return inner_->ShowMessageBox(owner, text, caption, type);
    }
    const char *ScreenLoss() override { return inner_->ScreenLoss(); }
    bool ScriptedFailure(const char *call, HRESULT *result) override
    {
        return inner_->ScriptedFailure(call, result);
    }

    std::string InstanceDirectory() override { return inner_->InstanceDirectory(); }
    bool OtherCopyRunning(const std::string &className) override
    {
        return inner_->OtherCopyRunning(className);
    }
    bool OtherCopyIconic(const std::string &className) override
    {
        return inner_->OtherCopyIconic(className);
    }
    bool BringOtherCopyForward(const std::string &className, bool restore) override
    {
        return inner_->BringOtherCopyForward(className, restore);
    }

private:
    std::unique_ptr<Host> inner_;
};

} // namespace zorbel::standin
