// What other threads of the process may ask of the layer: GetCursorPos and
// GetSystemMetrics, as on Windows, where both are safe on any thread. The
// force-feedback library reads the pointer this way from its own thread.
//
// Everything else of the layer runs on the program's one thread (host.h).
// That thread answers these two calls from the host, as before; any other
// thread gets what the program's thread last published, and never reaches
// the host, the call log or the layer's state.
#pragma once

#include "platform/standin/windef.h"

namespace zorbel::standin {

// The program's thread: the one that made the host (ResetPlatform, or the
// first call that needed one).
void MarkProgramThread();
bool OnProgramThread();

// The program's thread, after each turn of the message pump: publishes the
// cursor and the screen's metrics, when another thread has asked for them
// since the last turn (a library following the pointer) and once at first.
void PublishForOtherThreads();

// Whether another thread asked since this was last called.
bool OtherThreadsAsked();

// What other threads are answered.
POINT PublishedCursor();
int PublishedMetric(int index);

// The program's thread: the values it just read for itself, published too.
void PublishCursor(POINT cursor);
void PublishMetric(int index, int value);

} // namespace zorbel::standin
