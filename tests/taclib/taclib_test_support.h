// Shared by the taclib tests: environment variables set for one test only,
// scratch files, and the call log read back as lines.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "../support/scratch_dir.h"

namespace taclib_test {

// Sets (or, with nullopt, removes) a variable and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char *name, std::optional<std::string> value) : name_(name)
    {
        if (const char *old = std::getenv(name))
            old_ = old;
        if (value) {
            ::setenv(name, value->c_str(), 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~ScopedEnv()
    {
        if (old_) {
            ::setenv(name_.c_str(), old_->c_str(), 1);
        } else {
            ::unsetenv(name_.c_str());
        }
    }
    ScopedEnv(const ScopedEnv &) = delete;
    ScopedEnv &operator=(const ScopedEnv &) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

// A path unique to the running test, in a folder of this process's own that
// goes when it ends, so that suites running side by side never meet.
inline std::string ScratchPath(const std::string &suffix)
{
    static const ScratchDir folder("taclib");
    const testing::TestInfo *info = testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    for (char &c : name) {
        if (c == '/')
            c = '_';
    }
    return folder.Path() + "/" + name + suffix;
}

inline std::string WriteFile(const std::string &suffix, const std::string &content)
{
    std::string path = ScratchPath(suffix);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
    return path;
}

inline std::vector<std::string> ReadLines(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

} // namespace taclib_test
