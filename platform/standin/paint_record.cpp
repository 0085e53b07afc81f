#include "platform/standin/paint_record.h"

namespace zorbel::standin {

void PaintRecord::Filled(std::uint16_t pixel)
{
    words_.clear();
    words_.push_back(pixel);
    known_ = true;
}

void PaintRecord::Add(std::initializer_list<long long> words)
{
    if (!known_)
        return;
    if (words_.size() + words.size() > kMostWords) {
        Forget();
        return;
    }
    words_.insert(words_.end(), words);
}

void PaintRecord::Forget()
{
    words_.clear();
    known_ = false;
}

} // namespace zorbel::standin
