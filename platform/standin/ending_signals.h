// How SIGTERM, Ctrl+C and a hang-up end the program, whatever the display
// does.
#pragma once

namespace zorbel::standin {

// Before SDL's video starts: SIGTERM, SIGINT and SIGHUP (each unless ignored
// from the start, as under nohup) ask the program to end, which the host
// reads at its next pump (EndRequested). A program that meanwhile waits on a
// display that never answers would never get there: so if it has made no
// progress (NoteProgress) for a while after the signal, and the display's
// server does not answer a call on a connection of its own (`callDisplay`,
// which answers the socket its answer comes on, or -1), `cutDisplay` is
// called from another thread to cut the display's connection (which makes
// it a lost display, and ends the program in order); and if that finds no
// connection to cut or the program still runs a while later, the signal
// ends the process as if it had never been caught. Later calls change
// nothing.
void WatchEndingSignals(bool (*cutDisplay)(), int (*callDisplay)());
// The signal that asked the program to end; 0 while none has.
int EndRequested();
// The program is not stuck: called by the program's thread at every turn of
// the host's pump, for every event SDL takes in from the display and for
// every event the host handles, so that a program busy with a flood of
// input is seen at work.
void NoteProgress();
// The program closed its display itself, on its way out: nothing can wait
// on it any more, so a signal's end is no longer hurried by cutting it; the
// signal still ends a process that has not ended a while after it.
void DisplayClosed();
// While a message box holds the thread: the signals end the process at once
// (false puts the watch back).
void EndAtOnce(bool atOnce);

} // namespace zorbel::standin
