// gdi-probe: draws single GDI primitives onto a 16-bit (RGB565) DIB section
// and prints the pixels each one painted, so that the stand-in's drawing can
// be checked against what GDI itself paints.
//
// Reads commands from standard input, one a line:
//   size W H                         the surface for the cases that follow (default 96 x 96)
//   line PEN X0 Y0 X1 Y1             MoveToEx to (X0, Y0), LineTo (X1, Y1)
//   poly PEN X0 Y0 X1 Y1 ...         Polyline through the points
//   ellipse L T R B                  Ellipse with a 1-pixel pen and a solid brush
// PEN is the solid pen's width. For each case it prints the command, then one
// line per painted row: "Y: X0-X1p X0-X1b ..." (p: pen colour, b: brush
// colour, ? anything else), then a lone ".". A size command is echoed.
#include <windows.h>

#include "common/rgb565.h"
#include "dib_surface.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr COLORREF kPen = RGB(0x00, 0xCC, 0xFF);
constexpr COLORREF kBrush = RGB(0xFF, 0x00, 0x00);
constexpr WORD kPenPixel = zorbel::Rgb565(kPen);
constexpr WORD kBrushPixel = zorbel::Rgb565(kBrush);

struct Surface : DibSurface {
    void Print() const
    {
        GdiFlush();
        for (int y = 0; y < Height(); ++y) {
            std::string text;
            for (int x = 0; x < Width();) {
                if (At(x, y) == 0) {
                    ++x;
                    continue;
                }
                const WORD v = At(x, y);
                int end = x;
                while (end + 1 < Width() && At(end + 1, y) == v)
                    ++end;
                const char c = v == kPenPixel ? 'p' : v == kBrushPixel ? 'b' : '?';
                text += " " + std::to_string(x) + "-" + std::to_string(end) + c;
                x = end + 1;
            }
            if (!text.empty())
                std::printf("%d:%s\n", y, text.c_str());
        }
        std::printf(".\n");
    }
};

std::vector<long> Numbers(const char *text)
{
    std::vector<long> values;
    char *end = nullptr;
    for (;;) {
        const long v = std::strtol(text, &end, 10);
        if (end == text)
            break;
        values.push_back(v);
        text = end;
    }
    return values;
}

} // namespace

int main()
{
    // Lines end in a bare newline, as the reference files keep them.
    _setmode(_fileno(stdout), _O_BINARY);
    Surface surface;
    if (!surface.Open(96, 96)) {
        std::fputs("gdi-probe: no 16-bit DIB section\n", stderr);
        return 1;
    }
    const HBRUSH brush = CreateSolidBrush(kBrush);
    char line[4096];
    while (std::fgets(line, sizeof line, stdin) != nullptr) {
        line[std::strcspn(line, "\r\n")] = '\0';
        char word[16] = {};
        int used = 0;
        if (std::sscanf(line, "%15s%n", word, &used) != 1)
            continue;
        const std::vector<long> n = Numbers(line + used);
        const std::string op = word;
        if (op == "size" && n.size() == 2) {
            if (!surface.Open(static_cast<int>(n[0]), static_cast<int>(n[1]))) {
                std::fputs("gdi-probe: no 16-bit DIB section\n", stderr);
                return 1;
            }
            std::printf("%s\n", line);
            continue;
        }
        surface.Clear();
        std::printf("%s\n", line);
        if (op == "line" && n.size() == 5) {
            const HPEN pen = CreatePen(PS_SOLID, static_cast<int>(n[0]), kPen);
            const HGDIOBJ oldPen = SelectObject(surface.Dc(), pen);
            MoveToEx(surface.Dc(), static_cast<int>(n[1]), static_cast<int>(n[2]), nullptr);
            LineTo(surface.Dc(), static_cast<int>(n[3]), static_cast<int>(n[4]));
            SelectObject(surface.Dc(), oldPen);
            DeleteObject(pen);
        } else if (op == "poly" && n.size() >= 5 && n.size() % 2 == 1) {
            std::vector<POINT> points;
            for (size_t i = 1; i + 1 < n.size(); i += 2)
                points.push_back(POINT{n[i], n[i + 1]});
            const HPEN pen = CreatePen(PS_SOLID, static_cast<int>(n[0]), kPen);
            const HGDIOBJ oldPen = SelectObject(surface.Dc(), pen);
            Polyline(surface.Dc(), points.data(), static_cast<int>(points.size()));
            SelectObject(surface.Dc(), oldPen);
            DeleteObject(pen);
        } else if (op == "ellipse" && n.size() == 4) {
            const HPEN pen = CreatePen(PS_SOLID, 1, kPen);
            const HGDIOBJ oldPen = SelectObject(surface.Dc(), pen);
            const HGDIOBJ oldBrush = SelectObject(surface.Dc(), brush);
            Ellipse(surface.Dc(), static_cast<int>(n[0]), static_cast<int>(n[1]),
                    static_cast<int>(n[2]), static_cast<int>(n[3]));
            SelectObject(surface.Dc(), oldBrush);
            SelectObject(surface.Dc(), oldPen);
            DeleteObject(pen);
        }
        surface.Print();
    }
    DeleteObject(brush);
    surface.Close();
    return 0;
}
