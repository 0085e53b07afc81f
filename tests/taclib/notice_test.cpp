// The one line a user gets on standard error when the force they expect is
// refused, once per cause, with outside text made harmless.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "taclib.h"
#include "taclib_test_support.h"

namespace {

using taclib_test::ScopedEnv;
using taclib_test::WriteFile;

// What the calls in `run` printed on standard error.
template <typename Run> std::string Said(Run run)
{
    testing::internal::CaptureStderr();
    run();
    return testing::internal::GetCapturedStderr();
}

int window = 0;

TEST(Notice, EveryRefusalOfTheForceSaysWhyOnce)
{
    {
        ScopedEnv device("TACLIB_DEVICE", std::string("simm"));
        const std::string said = Said([] {
            for (int i = 0; i < 2; ++i) {
                CTacMouse mouse;
                EXPECT_EQ(mouse.Initialize(nullptr, &window, 4, 1), 0);
            }
        });
        EXPECT_EQ(said, "taclib_tests: TACLIB_DEVICE=\"simm\" is neither sim nor none (nor empty): "
                        "no force feedback\n");
    }
    ScopedEnv sim("TACLIB_DEVICE", std::string("sim"));
    {
        ScopedEnv none("TACLIB_DEVICE", std::string("none"));
        EXPECT_EQ(Said([] {
                      CTacMouse mouse;
                      (void)mouse.Initialize(nullptr, &window, 4, 1);
                  }),
                  "")
            << "a device refused on purpose is not worth a word";
    }
    const std::string huge(100000, '1');
    for (const char *screen :
         {"0x0", "65536x1", "800X600", " 800x600", "1024x768junk\x1b", huge.c_str()}) {
        ScopedEnv bad("TACLIB_SCREEN", std::string(screen));
        const std::string said = Said([] {
            CTacMouse mouse;
            (void)mouse.Initialize(nullptr, &window, 4, 1);
        });
        EXPECT_NE(said.find("is not WIDTHxHEIGHT, each 1 to 65535: ignored\n"), std::string::npos)
            << screen << ": " << said;
        EXPECT_EQ(said.find('\x1b'), std::string::npos);
        EXPECT_LT(said.size(), 200u) << "the value is shown cut";
    }
    CTacMouse mouse;
    ASSERT_EQ(mouse.Initialize(nullptr, &window, 4, 1), 1);
    const std::string broken = WriteFile(".hkr", "[effect spring]\ntype = spring\naxes = 7\n");
    const std::string noSpring = WriteFile("2.hkr", "[effect other]\ntype = spring\n");
    const std::string dangling = WriteFile(".link", "");
    ASSERT_EQ(::unlink(dangling.c_str()), 0);
    ASSERT_EQ(::symlink((dangling + ".gone").c_str(), dangling.c_str()), 0);
    const std::string said = Said([&] {
        CTacProject project;
        EXPECT_EQ(project.OpenFile(broken.c_str(), &mouse), 0);
        EXPECT_EQ(project.OpenFile(dangling.c_str(), &mouse), 0);
        EXPECT_EQ(project.OpenFile("surely-nowhere.hkr", &mouse), 0); // the usual case: no word
        ASSERT_EQ(project.OpenFile(noSpring.c_str(), &mouse), 1);
        CTacSpring spring;
        EXPECT_EQ(spring.InitializeFromProject(project, "spring", nullptr, 0), 0);
    });
    EXPECT_NE(said.find(broken + " is not used: line 3: axes must be"), std::string::npos) << said;
    EXPECT_NE(said.find(dangling + " is not used: "), std::string::npos) << said;
    EXPECT_EQ(said.find("surely-nowhere"), std::string::npos) << said;
    EXPECT_NE(said.find("the effect \"spring\" of the project is not played: the project has no "
                        "effect of that name\n"),
              std::string::npos)
        << said;
}

TEST(Notice, AProjectSavedWithAByteOrderMarkIsRead)
{
    ScopedEnv sim("TACLIB_DEVICE", std::string("sim"));
    const std::string marked =
        WriteFile(".hkr", "\xEF\xBB\xBF[effect spring]\ntype = spring\nstiffness = 2500\n");
    CTacMouse mouse;
    ASSERT_EQ(mouse.Initialize(nullptr, &window, 4, 1), 1);
    CTacProject project;
    ASSERT_EQ(project.OpenFile(marked.c_str(), &mouse), 1) << project.LastError();
    CTacSpring spring;
    EXPECT_EQ(spring.InitializeFromProject(project, "spring", nullptr, 0), 1);
}

} // namespace
