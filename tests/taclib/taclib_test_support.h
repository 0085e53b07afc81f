// Shared by the taclib tests: environment variables set for one test only,
// scratch files, and the call log read back as lines.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "../scratch_dir.h"

namespace taclib_test {

// Sets (or, with nullopt, removes) a variable and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(char const *name, std::optional<std::string> value) : name_(name)
    {
        if (char const *old = std::getenv(name)) old_ = old;
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
    ScopedEnv(ScopedEnv const &) = delete;
    ScopedEnv &operator=(ScopedEnv const &) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

// A path unique to the running test, in a folder of this process's own that
// goes when it ends, so that suites running side by side never meet.
inline std::string ScratchPath(std::string const &suffix)
{
    static ScratchDir const folder("taclib");
    testing::TestInfo const *info = testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    for (char &c : name) {
        if (c == '/') c = '_';
    }
    return folder.Path() + "/" + name + suffix;
}

inline std::string WriteFile(std::string const &suffix, std::string const &content)
{
    std::string path = ScratchPath(suffix);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
    return path;
}

inline std::vector<std::string> ReadLines(std::string const &path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

}  // namespace taclib_test
