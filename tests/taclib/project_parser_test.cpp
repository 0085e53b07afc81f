// The effect project format: what a good file yields, and for every kind of
// malformed file the line and the reason given.
#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <iterator>
#include <ostream>
#include <sstream>
#include <string>
#include <utility>

#include "project_parser.h"

namespace {

using taclib::EffectEntry;
using taclib::ParseError;
using taclib::ParseProject;
using taclib::ProjectData;

struct Parsed {
    bool ok;
    ProjectData data;
    ParseError error;
};

Parsed Parse(const std::string &text)
{
    Parsed p;
    p.ok = ParseProject(text.data(), text.size(), &p.data, &p.error);
    return p;
}

// Every value of an effect on one line.
std::string Values(const EffectEntry &e)
{
    const taclib::SpringParams &s = e.spring;
    std::ostringstream out;
    out << e.name << " line " << e.line << ": stiffness " << s.stiffness << " saturation "
        << s.saturation << " deadband " << s.deadband << " axes " << s.axes << " centre "
        << (e.hasCentre ? "" : "none ") << s.centreX << "," << s.centreY << " trim " << s.trimX
        << "," << s.trimY << " duration " << s.durationMs << (e.startNow ? " start" : "");
    return out.str();
}

TEST(ProjectParser, ReadsEveryKeyOfEveryEffect)
{
    Parsed p = Parse("# effects for a test\r\n"
                     "\r\n"
                     "[effect spring]\r\n"
                     "type = spring\r\n"
                     "\tstiffness=-2500   # pushes away\r\n"
                     "saturation = 7000\r\n"
                     "deadband = 12\r\n"
                     "axes = y\r\n"
                     "centre = 300 , -40\r\n"
                     "trim = -3, 4\r\n"
                     "duration = 1500\r\n"
                     "start = yes\r\n"
                     "[ effect  soft.x-1 ]\n"
                     "axes = x\n"
                     "type = spring\n");
    ASSERT_TRUE(p.ok) << p.error.line << ": " << p.error.reason;
    ASSERT_EQ(p.data.effects.size(), 2u);
    EXPECT_EQ(Values(p.data.effects[0]),
              "spring line 3: stiffness -2500 saturation 7000 deadband 12 axes 2 "
              "centre 300,-40 trim -3,4 duration 1500 start");
    // Omitted keys take the built-in spring's values.
    EXPECT_EQ(Values(p.data.effects[1]),
              "soft.x-1 line 13: stiffness 1000 saturation 10000 deadband 0 axes 1 "
              "centre none 0,0 trim 0,0 duration 0");
    EXPECT_EQ(taclib::FindEffect(p.data, "soft.x-1"), &p.data.effects[1]);
    EXPECT_EQ(taclib::FindEffect(p.data, "Spring"), nullptr); // names are case-sensitive
}

struct Malformed {
    const char *what;
    std::string text;
    int line;
    const char *reason; // a part of the message
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const Malformed &m, std::ostream *os) { *os << m.what; }

class ProjectParserRejects : public testing::TestWithParam<Malformed> {};

TEST_P(ProjectParserRejects, WithLineAndReason)
{
    const Malformed &m = GetParam();
    Parsed p = Parse(m.text);
    ASSERT_FALSE(p.ok);
    EXPECT_EQ(p.error.line, m.line);
    EXPECT_NE(p.error.reason.find(m.reason), std::string::npos) << p.error.reason;
    EXPECT_TRUE(p.data.effects.empty());
}

const std::string kHead = "[effect a]\ntype = spring\n";

// A project of COUNT effects.
std::string Effects(std::size_t count)
{
    std::string text;
    for (std::size_t i = 0; i < count; ++i)
        text += "[effect e" + std::to_string(i) + "]\ntype = spring\n";
    return text;
}

// A project of exactly SIZE bytes.
std::string OfSize(std::size_t size)
{
    std::string text = kHead + "#";
    return text + std::string(size - text.size(), 'x');
}

INSTANTIATE_TEST_SUITE_P(
    AllKinds, ProjectParserRejects,
    testing::Values(
        Malformed{"empty", "", 0, "holds no effect"},
        Malformed{"comments only", "# nothing\n\n   # here\n", 0, "holds no effect"},
        Malformed{"no type", "[effect a]\nstiffness = 5\n", 1, "has no type"},
        Malformed{"no type, next section follows", kHead + "[effect b]\naxes = x\n[effect c]\n", 3,
                  "\"b\" has no type"},
        Malformed{"unknown key", kHead + "stifness = 5\n", 3, "unknown key \"stifness\""},
        Malformed{"key in capitals", kHead + "Stiffness = 5\n", 3, "unknown key"},
        Malformed{"key set twice", kHead + "axes = x\naxes = y\n", 4, "already set on line 3"},
        Malformed{"key before any section", "type = spring\n", 1, "before the first"},
        Malformed{"unknown section", "[effects a]\n", 1, "unknown section \"effects\""},
        Malformed{"unclosed header", "[effect a\n", 1, "must end with \"]\""},
        Malformed{"text after header", "[effect a] x\n", 1, "must end with \"]\""},
        Malformed{"no name", "[effect]\n", 1, "has no name"},
        Malformed{"name with a slash", "[effect a/b]\n", 1, "may hold only"},
        Malformed{"name with a space", "[effect a b]\n", 1, "may hold only"},
        Malformed{"name too long", "[effect " + std::string(64, 'n') + "]\n", 1, "at most 63"},
        Malformed{"effect defined twice", kHead + "\n[effect a]\n", 4, "already defined on line 1"},
        Malformed{"no equals sign", "[effect a]\ntype spring\n", 2, "expected \"key = value\""},
        Malformed{"no key", kHead + "= 5\n", 3, "key is missing"},
        Malformed{"no value", kHead + "stiffness =   # later\n", 3, "has no value"},
        Malformed{"not a number", kHead + "stiffness = 12a\n", 3, "not a whole number"},
        Malformed{"sign alone", kHead + "deadband = -\n", 3, "not a whole number"},
        Malformed{"hexadecimal", kHead + "stiffness = 0x10\n", 3, "not a whole number"},
        Malformed{"huge number", kHead + "stiffness = 99999999999999999999999999\n", 3, "between"},
        Malformed{"unknown axis", kHead + "axes = z\n", 3, "x, y, both"},
        Malformed{"axis number 4", kHead + "axes = 4\n", 3, "x, y, both"},
        Malformed{"centre of one number", kHead + "centre = 5\n", 3, "two numbers"},
        Malformed{"centre of three numbers", kHead + "centre = 1, 2, 3\n", 3, "two numbers"},
        Malformed{"centre half given", kHead + "centre = 1,\n", 3,
                  "centre expects two numbers \"x, y\", not \"1,\""},
        Malformed{"start neither yes nor no", kHead + "start = maybe\n", 3, "yes or no"},
        Malformed{"another type", "[effect a]\ntype = damper\n", 2,
                  "type must be spring, the one effect type, not \"damper\""},
        Malformed{"control character", "[effect a]\x01\n", 1, "control character \"\\x01\""},
        Malformed{"NUL byte", kHead + std::string("axes = x\0y\n", 11), 3, "control character"},
        Malformed{"carriage return inside a line", kHead + "axes = x\r# no\n", 3,
                  "control character"},
        Malformed{"non-ASCII key", kHead + "st\xc3\xa4rke = 1\n", 3,
                  "unknown key \"st\\xc3\\xa4rke\""},
        Malformed{"non-ASCII value", kHead + "axes = \"\xff\"\n", 3, "\\x22\\xff\\x22"},
        Malformed{"65 effects", Effects(65), 129, "more than 64 effects"},
        Malformed{"a byte over 64 KiB", OfSize(taclib::kMaxProjectBytes + 1), 0,
                  "larger than 65536 bytes"}),
    [](const testing::TestParamInfo<Malformed> &info) {
        std::string name;
        for (const char *c = info.param.what; *c != '\0'; ++c) {
            name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
        }
        return name;
    });

TEST(ProjectParserLimits, TheLimitsThemselvesAreAccepted)
{
    const std::pair<const char *, std::string> cases[] = {
        {"64 effects", Effects(64)},
        {"64 KiB", OfSize(taclib::kMaxProjectBytes)},
        {"a name of 63 characters", "[effect " + std::string(63, 'n') + "]\ntype = spring\n"},
        {"non-ASCII bytes in a comment", "# caf\xc3\xa9\n" + kHead},
    };
    for (const auto &[what, text] : cases) {
        Parsed p = Parse(text);
        EXPECT_TRUE(p.ok) << what << ": line " << p.error.line << ": " << p.error.reason;
    }
}

// Each spring limit at both ends and one beyond, through the project parser
// and through the check of the public calls: the ends are taken (the upper
// one with a sign, and at the end of the file), one beyond is refused with a
// message giving the range.
TEST(ProjectParserLimits, EachSpringLimitAtItsEnds)
{
    using taclib::SpringParams;
    struct Case {
        const taclib::Limit &limit;
        const char *key;
        const char *after; // the second number of a pair
        void (*set)(SpringParams *, std::int64_t);
    };
    const Case cases[] = {
        {taclib::kStiffnessLimit, "stiffness", "",
         [](SpringParams *p, std::int64_t v) { p->stiffness = static_cast<std::int32_t>(v); }},
        {taclib::kSaturationLimit, "saturation", "",
         [](SpringParams *p, std::int64_t v) { p->saturation = static_cast<std::uint32_t>(v); }},
        {taclib::kDeadbandLimit, "deadband", "",
         [](SpringParams *p, std::int64_t v) { p->deadband = static_cast<std::uint32_t>(v); }},
        {taclib::kTrimLimit, "trim", ", 0",
         [](SpringParams *p, std::int64_t v) { p->trimX = static_cast<std::int32_t>(v); }},
        {taclib::kDurationLimit, "duration", "",
         [](SpringParams *p, std::int64_t v) { p->durationMs = static_cast<std::uint32_t>(v); }},
    };
    for (const Case &c : cases) {
        const std::string range =
            "between " + std::to_string(c.limit.lo) + " and " + std::to_string(c.limit.hi);
        for (const std::int64_t v : {c.limit.lo, c.limit.hi, c.limit.lo - 1, c.limit.hi + 1}) {
            const bool end = v == c.limit.lo || v == c.limit.hi;
            const std::string value = (v > 0 && v == c.limit.hi ? "+" : "") + std::to_string(v);
            const Parsed p = Parse(kHead + c.key + " = " + value + c.after + (end ? "" : "\n"));
            SpringParams params;
            c.set(&params, v);
            std::string why;
            EXPECT_EQ(p.ok, end) << c.key << " = " << value;
            EXPECT_EQ(taclib::CheckSpring(params, &why), end) << c.key << " = " << value;
            if (!end) {
                EXPECT_NE(p.error.reason.find(range), std::string::npos) << p.error.reason;
                EXPECT_EQ(why.rfind(std::string(c.key) + " must be " + range, 0), 0u) << why;
            }
        }
    }
}

TEST(ProjectParser, TheReadmesExampleIsAValidProject)
{
    std::ifstream in(TACLIB_SOURCE_DIR "/README.md", std::ios::binary);
    ASSERT_TRUE(in) << "the library's README is missing";
    const std::string readme{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::size_t begin = readme.find("```ini\n");
    ASSERT_NE(begin, std::string::npos);
    begin += 7;
    std::size_t end = readme.find("```", begin);
    ASSERT_NE(end, std::string::npos);
    Parsed p = Parse(readme.substr(begin, end - begin));
    ASSERT_TRUE(p.ok) << p.error.line << ": " << p.error.reason;
    ASSERT_EQ(p.data.effects.size(), 2u);
    EXPECT_EQ(Values(p.data.effects[1]),
              "stiff-x line 10: stiffness 6000 saturation 10000 deadband 0 axes 1 "
              "centre 512,384 trim -2,0 duration 2000 start");
}

} // namespace
