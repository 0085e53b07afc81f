// The rasterizer against what GDI painted for the same calls: the reference
// files hold each probe command followed by the rows of pixels it painted
// (see tools/gdiref/probe.cpp, which wrote them on a 16-bit surface).
#include "platform/standin/raster.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

using zorbel::standin::Raster;
using zorbel::standin::RasterPoint;

constexpr std::uint16_t kPen = 0x067F;   // the probe's pen colour in RGB565
constexpr std::uint16_t kBrush = 0xF800; // its brush colour

struct Case {
    std::string command;
    int width = 0;
    int height = 0;
    std::map<std::pair<int, int>, char> painted;
};

std::vector<Case> Load(const std::string &name)
{
    std::ifstream in(std::string(ZORBEL_GDI_REFERENCE) + "/" + name);
    EXPECT_TRUE(in.good()) << name;
    std::vector<Case> cases;
    int width = 96, height = 96;
    std::string line;
    Case *current = nullptr;
    while (std::getline(in, line)) {
        if (current == nullptr) {
            if (line.rfind("size ", 0) == 0) {
                std::istringstream(line.substr(5)) >> width >> height;
                continue;
            }
            cases.push_back(Case{line, width, height, {}});
            current = &cases.back();
            continue;
        }
        if (line == ".") {
            current = nullptr;
            continue;
        }
        const auto colon = line.find(':');
        const int y = std::stoi(line.substr(0, colon));
        std::istringstream runs(line.substr(colon + 1));
        std::string run;
        while (runs >> run) {
            const char c = run.back();
            const auto dash = run.find('-', 1);
            const int from = std::stoi(run.substr(0, dash));
            const int to = std::stoi(run.substr(dash + 1, run.size() - dash - 2));
            for (int x = from; x <= to; ++x)
                current->painted[{x, y}] = c;
        }
    }
    return cases;
}

// Draws one probe command and returns what differs from GDI's pixels, empty
// when nothing does.
std::string Differences(const Case &c)
{
    std::vector<std::uint16_t> pixels(static_cast<std::size_t>(c.width) * c.height, 0);
    Raster raster(pixels.data(), c.width, c.height, c.width);
    std::istringstream words(c.command);
    std::string op;
    words >> op;
    std::vector<long> n;
    for (long v; words >> v;)
        n.push_back(v);
    if (op == "line") {
        raster.Line(n[1], n[2], n[3], n[4], static_cast<int>(n[0]), kPen);
    } else if (op == "poly") {
        std::vector<RasterPoint> points;
        for (std::size_t i = 1; i + 1 < n.size(); i += 2)
            points.push_back(RasterPoint{n[i], n[i + 1]});
        raster.Polyline(points.data(), static_cast<int>(points.size()), static_cast<int>(n[0]),
                        kPen);
    } else if (op == "ellipse") {
        raster.Ellipse(n[0], n[1], n[2], n[3], true, kPen, true, kBrush);
    } else {
        return "unknown command";
    }
    std::ostringstream out;
    int count = 0;
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) {
            const std::uint16_t v = pixels[static_cast<std::size_t>(y) * c.width + x];
            const char mine = v == 0 ? '.' : v == kPen ? 'p' : v == kBrush ? 'b' : '?';
            const auto it = c.painted.find({x, y});
            const char gdi = it == c.painted.end() ? '.' : it->second;
            if (mine != gdi && count++ < 4)
                out << " (" << x << "," << y << ") GDI " << gdi << " here " << mine;
        }
    if (count > 0)
        out << " [" << count << " pixels]";
    return out.str();
}

void CheckAll(const char *file, std::size_t expectedAtLeast)
{
    const std::vector<Case> cases = Load(file);
    EXPECT_GE(cases.size(), expectedAtLeast);
    int failures = 0;
    for (const Case &c : cases) {
        const std::string diff = Differences(c);
        if (!diff.empty() && failures++ < 10)
            ADD_FAILURE() << c.command << ":" << diff;
    }
    EXPECT_EQ(failures, 0) << "of " << cases.size() << " cases in " << file;
}

TEST(Raster, ThinLinesInEveryDirection) { CheckAll("thin_lines.txt", 200); }
TEST(Raster, WidePenLinesOfEveryWidthAndDirection) { CheckAll("wide_lines.txt", 300); }
TEST(Raster, PolylinesWithRoundJoins) { CheckAll("polylines.txt", 100); }
TEST(Raster, CirclesOfEverySize) { CheckAll("circles.txt", 40); }
TEST(Raster, ShapesCutByTheSurfaceEdges) { CheckAll("clipped.txt", 14); }

// Small ellipses are kept by size and moved into place: one drawn again at
// other places, partly off the surface, after more sizes than are kept have
// come and gone, is the one a fresh surface draws there.
TEST(Raster, KeptEllipseShapesMatchFreshOnes)
{
    constexpr int kWidth = 80, kHeight = 60;
    std::vector<std::uint16_t> kept(kWidth * kHeight), fresh(kWidth * kHeight);
    Raster keeper(kept.data(), kWidth, kHeight, kWidth);
    for (int round = 0; round < 2; ++round)
        for (long size = 2; size <= 14; ++size)
            for (const long taller : {0L, 3L})
                for (const long at : {-7L, 3L, 70L}) {
                    const long x = at + round * 5, y = at / 2 - round;
                    const long h = size + taller;
                    std::fill(kept.begin(), kept.end(), 0);
                    std::fill(fresh.begin(), fresh.end(), 0);
                    keeper.Ellipse(x, y, x + size, y + h, true, kPen, true, kBrush);
                    Raster(fresh.data(), kWidth, kHeight, kWidth)
                        .Ellipse(x, y, x + size, y + h, true, kPen, true, kBrush);
                    EXPECT_EQ(kept, fresh) << size << " x " << h << " at " << x << "," << y;
                }
}

} // namespace
