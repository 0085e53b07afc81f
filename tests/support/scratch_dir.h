// A folder of its own for one test, removed with everything in it when the
// test is done: CTest runs tests in parallel, and nothing is left behind.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

class ScratchDir {
public:
    explicit ScratchDir(const char *prefix)
    {
        std::string pattern = ::testing::TempDir() + prefix + "-XXXXXX"; // ends in /
        if (mkdtemp(pattern.data()) == nullptr)
            ADD_FAILURE() << "cannot make a temporary folder from " << pattern;
        else
            path_ = pattern;
    }
    ~ScratchDir()
    {
        std::error_code ignored;
        if (!path_.empty())
            std::filesystem::remove_all(path_, ignored);
    }
    ScratchDir(const ScratchDir &) = delete;
    ScratchDir &operator=(const ScratchDir &) = delete;

    const std::string &Path() const { return path_; }

private:
    std::string path_;
};
