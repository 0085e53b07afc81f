// zorbel-gdi-paint: paints the tracer's draw records through the program's
// own PaintFrame onto a 16-bit (RGB565) DIB section with the system's GDI,
// so that the stand-in's frames can be compared with GDI's, pixel for pixel.
//
// Reads jobs from standard input, one a line:
//   sums W H TRACE OUT      every frame of the trace TRACE (zorbel-trace's
//                           output) on a W x H surface; writes "N CHECKSUM"
//                           for the N-th draw record to OUT, one a line
//   frame W H TRACE N OUT   writes the N-th frame to OUT as a binary PPM
// The checksum is 64-bit FNV-1a over the rows' RGB565 values, low byte first.
// Exit status 0 when every job ran, 1 otherwise.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/checksum.h"
#include "common/rgb565.h"
#include "dib_surface.h"
#include "scene/paint.h"

namespace {

class Surface : public DibSurface {
public:
    std::uint64_t Checksum() const
    {
        GdiFlush();
        std::uint64_t hash = zorbel::kFnvBasis;
        for (int y = 0; y < Height(); ++y)
            for (int x = 0; x < Width(); ++x)
                hash = zorbel::Fnv1aPixel(hash, At(x, y));
        return hash;
    }
    // The same 8-bit expansion as the tracer's pictures: the top bits repeated.
    bool WritePpm(const std::string &path) const
    {
        GdiFlush();
        std::FILE *out = std::fopen(path.c_str(), "wb");
        if (out == nullptr)
            return false;
        std::fprintf(out, "P6\n%d %d\n255\n", Width(), Height());
        std::vector<unsigned char> row(static_cast<std::size_t>(Width()) * 3);
        for (int y = 0; y < Height(); ++y) {
            for (int x = 0; x < Width(); ++x) {
                const std::uint32_t rgb = zorbel::Rgb888(At(x, y));
                row[x * 3 + 0] = static_cast<unsigned char>(rgb >> 16);
                row[x * 3 + 1] = static_cast<unsigned char>(rgb >> 8);
                row[x * 3 + 2] = static_cast<unsigned char>(rgb);
            }
            std::fwrite(row.data(), 1, row.size(), out);
        }
        return std::fclose(out) == 0;
    }
};

// The numbers after "KEY": in a record, up to the end of its value.
bool NumbersOf(const std::string &line, const char *key, std::vector<long> &numbers)
{
    numbers.clear();
    const std::string quoted = std::string("\"") + key + "\":";
    std::size_t at = line.find(quoted);
    if (at == std::string::npos)
        return false;
    at += quoted.size();
    if (line.compare(at, 4, "null") == 0)
        return true;
    if (line[at] == '"') { // a quoted hexadecimal number
        numbers.push_back(std::strtol(line.c_str() + at + 1, nullptr, 16));
        return true;
    }
    int depth = 0;
    std::size_t i = at;
    do {
        const char c = line[i];
        if (c == '[') {
            ++depth;
            ++i;
        } else if (c == ']') {
            --depth;
            ++i;
        } else if (c == '-' || (c >= '0' && c <= '9')) {
            char *end = nullptr;
            numbers.push_back(std::strtol(line.c_str() + i, &end, 10));
            i = static_cast<std::size_t>(end - line.c_str());
        } else {
            ++i;
        }
    } while (depth > 0 && i < line.size());
    return true;
}

bool LayoutOf(const std::string &line, BandLayout &layout)
{
    std::vector<long> n;
    layout = BandLayout{};
    if (!NumbersOf(line, "colour", n) || n.size() != 1)
        return false;
    layout.Colour = static_cast<COLORREF>(n[0]);
    if (!NumbersOf(line, "pen", n) || n.size() != 1)
        return false;
    layout.PenWidth = static_cast<int>(n[0]);
    if (!NumbersOf(line, "band", n) || (n.size() != 4 && n.size() != 14))
        return false;
    layout.PointCount = static_cast<int>(n.size() / 2);
    for (int i = 0; i < layout.PointCount; ++i)
        layout.Points[i] = POINT{n[2 * i], n[2 * i + 1]};
    if (!NumbersOf(line, "ball", n) || (n.size() != 0 && n.size() != 4))
        return false;
    layout.BallVisible = n.empty() ? FALSE : TRUE;
    if (!n.empty())
        layout.Ball = RECT{n[0], n[1], n[2], n[3]};
    if (!NumbersOf(line, "tips", n) || n.size() != 8)
        return false;
    layout.Tips[0] = RECT{n[0], n[1], n[2], n[3]};
    layout.Tips[1] = RECT{n[4], n[5], n[6], n[7]};
    return true;
}

// Paints the trace's frames in order; visit(n) sees the surface after the
// n-th. Whether the band holds the ball follows the records: a step says so,
// a press that hits the band grabs it.
template <class Visit> bool PaintTrace(const std::string &path, int width, int height, Visit visit)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "zorbel-gdi-paint: cannot open %s\n", path.c_str());
        return false;
    }
    Surface surface;
    if (!surface.Open(width, height)) {
        std::fprintf(stderr, "zorbel-gdi-paint: no %d x %d 16-bit surface\n", width, height);
        return false;
    }
    const HPEN outline = CreatePen(PS_SOLID, 1, 0x00FFCC00);
    const HBRUSH ball = CreateSolidBrush(0x000000FF);
    BOOL engaged = FALSE;
    std::string line;
    std::vector<long> n;
    bool ok = true;
    while (ok && std::getline(in, line)) {
        if (line.rfind("{\"step\":", 0) == 0) {
            if (NumbersOf(line, "Engaged", n) && n.size() == 1)
                engaged = n[0] != 0 ? TRUE : FALSE;
        } else if (line.rfind("{\"press\":", 0) == 0) {
            if (NumbersOf(line, "hit", n) && n.size() == 1 && n[0] != 0)
                engaged = TRUE;
        } else if (line.rfind("{\"draw\":", 0) == 0) {
            BandLayout layout;
            if (!NumbersOf(line, "draw", n) || n.empty() || !LayoutOf(line, layout)) {
                std::fprintf(stderr, "zorbel-gdi-paint: bad draw record in %s\n", path.c_str());
                ok = false;
                break;
            }
            surface.Clear();
            const HPEN band = CreatePen(PS_SOLID, layout.PenWidth, layout.Colour);
            PaintFrame(surface.Dc(), layout, engaged, PaintTools{band, outline, ball});
            if (band != nullptr)
                DeleteObject(band);
            ok = visit(n[0], surface);
        }
    }
    DeleteObject(outline);
    DeleteObject(ball);
    return ok;
}

bool Run(const std::string &job)
{
    std::istringstream words(job);
    std::string op, trace, out;
    int width = 0, height = 0;
    if (!(words >> op >> width >> height >> trace) || width <= 0 || height <= 0)
        return false;
    if (op == "sums" && (words >> out)) {
        std::FILE *sums = std::fopen(out.c_str(), "wb");
        if (sums == nullptr)
            return false;
        const bool ok = PaintTrace(trace, width, height, [&](long n, const Surface &surface) {
            std::fprintf(sums, "%ld %016llx\n", n,
                         static_cast<unsigned long long>(surface.Checksum()));
            return true;
        });
        return std::fclose(sums) == 0 && ok;
    }
    long wanted = 0;
    if (op == "frame" && (words >> wanted >> out)) {
        bool written = false;
        (void)PaintTrace(trace, width, height, [&](long n, const Surface &surface) {
            if (n == wanted)
                written = surface.WritePpm(out);
            return n < wanted;
        });
        return written;
    }
    return false;
}

} // namespace

int main()
{
    int status = 0;
    std::string job;
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, stdin) != nullptr) {
        job = buffer;
        job.erase(job.find_last_not_of("\r\n") + 1);
        if (job.empty())
            continue;
        if (!Run(job)) {
            std::fprintf(stderr, "zorbel-gdi-paint: failed: %s\n", job.c_str());
            status = 1;
        }
    }
    return status;
}
