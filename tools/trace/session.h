// Runs trace commands against the real scene and window procedure on the
// headless host.
#pragma once

#include <cstdio>
#include <string>

#include "platform/win32.h"
#include "script.h"

class Launcher;
struct BandLayout;

namespace zorbel::trace {

class Session {
public:
    // pngDir: where each drawn frame goes as a picture; empty for none.
    // sums: where each drawn frame's checksum goes; null for none.
    Session(std::FILE *out, std::string pngDir, std::FILE *sums = nullptr);
    ~Session();

    // Runs one parsed command. Returns false with the reason when the
    // command is not allowed where it stands or cannot be carried out.
    bool Run(const Command &command, std::string *why);

private:
    bool Open(int width, int height, std::string *why);
    bool OpenDisplay(int width, int height, std::string *why);
    void Deliver();
    void Press();
    void Button(bool down);
    void Resize(int width, int height);
    void Steps(long long count);
    bool Frame(std::string *why);
    bool Draw(std::string *why);
    void Emit(const std::string &line);
    bool Pictures() const { return !pngDir_.empty() || sums_ != nullptr; }

    std::FILE *out_;
    std::string pngDir_;
    std::FILE *sums_;
    HWND window_ = nullptr;
    Launcher *launcher_ = nullptr;
    long long steps_ = 0;
    long long draws_ = 0;
    long long frames_ = 0;
};

} // namespace zorbel::trace
