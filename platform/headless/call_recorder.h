// The headless host's record of platform calls, as lines of text.
#pragma once

#include "platform/standin/call_log.h"

#include <string>
#include <vector>

namespace zorbel::standin {

class TextRecorder final : public CallRecorder {
public:
    std::uint64_t Open(const char *name) override;
    void Add(std::uint64_t line, const LogValue &value) override;

    const std::vector<std::string> &Lines() const { return lines_; }
    void Clear();

private:
    std::vector<std::string> lines_;
    unsigned long long clears_ = 0; // so a line opened before a clear is not finished after it
};

// The one record; it outlives every reset, so a call running across one
// cannot reach a destroyed record.
TextRecorder &Recorder();

std::string HandleName(const void *handle);
std::string HresultName(HRESULT hr);
std::string MessageName(UINT message);

} // namespace zorbel::standin
