// The tracer's records: JSON objects, one a line.
#pragma once

#include <string>

#include "scene/launcher.h"

namespace zorbel::trace {

// Builds one JSON object without spaces, keys in the order they are added.
class Record {
public:
    Record &Int(const char *key, long long value);
    Record &Double(const char *key, double value);
    Record &Colour(const char *key, COLORREF colour);
    Record &Point(const char *key, POINT point);
    Record &Rect(const char *key, const RECT &rect);
    Record &Null(const char *key);
    Record &Points(const char *key, const POINT *points, int count);
    Record &Rects(const char *key, const RECT *rects, int count);
    std::string Line() const { return text_ + "}\n"; }

private:
    void Key(const char *key);
    std::string text_ = "{";
};

// The shortest text that reads back as the same double; null if not finite.
std::string FormatDouble(double value);

std::string StepRecord(long long number, const Launcher &launcher);
std::string DrawRecord(long long number, const BandLayout &layout, const Launcher &launcher);

} // namespace zorbel::trace
