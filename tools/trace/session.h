// Runs trace commands against the real scene on the headless host.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "script.h"

class Launcher;

namespace zorbel::trace {

class Session {
public:
    explicit Session(std::FILE *out);
    ~Session();

    // Runs one parsed command. Returns false with the reason when the
    // command is not allowed where it stands.
    bool Run(const Command &command, std::string &error);

private:
    void EnsureLauncher();
    void SetClient(int width, int height);
    void Press();
    void Release();
    void Resize(int width, int height);
    void Steps(long long count);
    void Frame();
    void Draw();
    void Emit(const std::string &line);

    std::FILE *out_;
    std::unique_ptr<Launcher> launcher_;
    bool anyCommand_ = false;
    long long steps_ = 0;
    long long draws_ = 0;
    long long frames_ = 0;
};

} // namespace zorbel::trace
