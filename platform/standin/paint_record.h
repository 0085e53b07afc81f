// What a buffer's pixels were made of: the colour it was last filled with
// and every drawing call since, with its arguments. Drawing is exact and
// depends on nothing else, so two buffers of one size with equal records
// hold equal pixels: a picture is known to be the one on the screen without
// looking at a pixel.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace zorbel::standin {

class PaintRecord {
public:
    // The first word of a drawing call's record: which call it was.
    static constexpr long long kThinLine = 1;
    static constexpr long long kDot = 2;
    static constexpr long long kLine = 3;
    static constexpr long long kPolyline = 4; // its points follow, a pair each
    static constexpr long long kEllipse = 5;

    PaintRecord() { words_.reserve(kReserved); }

    // The whole buffer filled with one pixel value: the record starts anew.
    void Filled(std::uint16_t pixel);
    // A drawing call and its arguments; its first word names the call.
    void Add(std::initializer_list<long long> words);
    // The pixels are no longer known (a buffer just made, a record grown
    // too long): the record matches none until the next fill.
    void Forget();

    bool Known() const { return known_; }
    // Equal records of known pixels; a record that is not known equals none.
    bool Same(const PaintRecord &other) const
    {
        return known_ && other.known_ && words_ == other.words_;
    }

private:
    // More than a frame of the program draws, so that drawing allocates
    // nothing; a record may grow to kMostWords before it is given up.
    static constexpr std::size_t kReserved = 4096;
    static constexpr std::size_t kMostWords = 1 << 16;

    std::vector<long long> words_;
    bool known_ = false;
};

} // namespace zorbel::standin
