#include "records.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace zorbel::trace {
namespace {

std::string PointText(POINT point)
{
    return "[" + std::to_string(point.x) + "," + std::to_string(point.y) + "]";
}

std::string RectText(const RECT &rect)
{
    return "[" + std::to_string(rect.left) + "," + std::to_string(rect.top) + "," +
           std::to_string(rect.right) + "," + std::to_string(rect.bottom) + "]";
}

} // namespace

std::string FormatDouble(double value)
{
    if (!std::isfinite(value))
        return "null";
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

void Record::Key(const char *key)
{
    if (text_.size() > 1)
        text_ += ',';
    text_ += '"';
    text_ += key;
    text_ += "\":";
}

Record &Record::Int(const char *key, long long value)
{
    Key(key);
    text_ += std::to_string(value);
    return *this;
}

Record &Record::Double(const char *key, double value)
{
    Key(key);
    text_ += FormatDouble(value);
    return *this;
}

// A colour as a string of hexadecimal digits, which needs no escaping.
Record &Record::Colour(const char *key, COLORREF colour)
{
    Key(key);
    char text[16];
    (void)std::snprintf(text, sizeof text, "\"0x%08X\"", static_cast<unsigned>(colour));
    text_ += text;
    return *this;
}

Record &Record::Point(const char *key, POINT point)
{
    Key(key);
    text_ += PointText(point);
    return *this;
}

Record &Record::Rect(const char *key, const RECT &rect)
{
    Key(key);
    text_ += RectText(rect);
    return *this;
}

Record &Record::Null(const char *key)
{
    Key(key);
    text_ += "null";
    return *this;
}

Record &Record::Points(const char *key, const POINT *points, int count)
{
    Key(key);
    text_ += '[';
    for (int i = 0; i < count; ++i)
        text_ += (i > 0 ? "," : "") + PointText(points[i]);
    text_ += ']';
    return *this;
}

Record &Record::Rects(const char *key, const RECT *rects, int count)
{
    Key(key);
    text_ += '[';
    for (int i = 0; i < count; ++i)
        text_ += (i > 0 ? "," : "") + RectText(rects[i]);
    text_ += ']';
    return *this;
}

std::string StepRecord(long long number, const Launcher &launcher)
{
    return Record()
        .Int("step", number)
        .Int("Engaged", launcher.Engaged)
        .Int("BallAlive", launcher.BallAlive)
        .Int("BandStretched", launcher.BandStretched)
        .Int("BandSide", launcher.BandSide)
        .Double("BallX", launcher.BallX)
        .Double("BallY", launcher.BallY)
        .Double("VelX", launcher.VelX)
        .Double("VelY", launcher.VelY)
        .Double("AccelX", launcher.AccelX)
        .Double("AccelY", launcher.AccelY)
        .Double("Tension", launcher.Tension)
        .Int("BandPenWidth", launcher.BandPenWidth)
        .Point("BallPoint", launcher.BallPoint)
        .Point("LeftTip", launcher.LeftTip)
        .Point("RightTip", launcher.RightTip)
        .Point("RestCentre", launcher.RestCentre)
        .Line();
}

std::string DrawRecord(long long number, const BandLayout &layout, const Launcher &launcher)
{
    Record record;
    record.Int("draw", number)
        .Colour("colour", layout.Colour)
        .Int("pen", layout.PenWidth)
        .Points("band", layout.Points, layout.PointCount);
    if (layout.BallVisible)
        record.Rect("ball", layout.Ball);
    else
        record.Null("ball");
    return record.Rects("tips", layout.Tips, 2)
        .Int("BandSide", launcher.BandSide)
        .Point("LeftTip", launcher.LeftTip)
        .Point("RightTip", launcher.RightTip)
        .Line();
}

} // namespace zorbel::trace
