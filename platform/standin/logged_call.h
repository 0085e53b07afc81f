// How every entry point of the layer runs: one helper for the pattern of
// recording the call with its arguments, answering a result the host
// scripted for it or else doing its work, and recording the result.
#pragma once

#include "platform/standin/call_log.h"
#include "platform/standin/platform_state.h"

#include <type_traits>

namespace zorbel::standin {

// Records nothing written through pointers: for calls that write none.
struct NoOut {
    template <class Result> void operator()(LogLine &, const Result &) const {}
};

// `args(line)` records the arguments (only when a record is kept); `work()`
// does the call; `out(line, result)` records what it wrote through pointers.
// A handle result is recorded by name, others as numbers.
template <class Args, class Work, class Out = NoOut>
auto Logged(const char *name, Args &&args, Work &&work, Out &&out = Out{})
{
    LogLine line(name);
    if (line.On())
        args(line);
    const auto result = work();
    if constexpr (std::is_pointer_v<std::decay_t<decltype(result)>>)
        line.ResultHandle(result);
    else
        line.Result(result);
    out(line, result);
    return result;
}

// A call with an HRESULT, whose result the host may have scripted. `out(line,
// result)` always runs: it records what the call wrote through pointers, or
// clears them after a failure.
template <class Args, class Work, class Out = NoOut>
HRESULT LoggedHr(const char *name, Args &&args, Work &&work, Out &&out = Out{})
{
    LogLine line(name);
    if (line.On())
        args(line);
    HRESULT result = DD_OK;
    if (!CurrentHost().ScriptedFailure(name, &result))
        result = work();
    line.ResultHr(result);
    out(line, result);
    return result;
}

// The `out` of a call that hands over an object or handle through `*out`:
// its name after success, else the pointer cleared, as DirectDraw leaves it.
template <class T> auto HandedOver(T *out)
{
    return [out](LogLine &line, HRESULT result) {
        if (result == DD_OK)
            line.Handle(*out);
        else if (out != nullptr)
            *out = nullptr;
    };
}

} // namespace zorbel::standin
