// What the native program says about itself when asked on its command line.
#pragma once

// The answer to no request: the program runs.
constexpr int kNoInformationRequest = -1;

// Prints the usage for --help (or -h), the name and version for --version,
// or the force-feedback devices for --devices, to standard output, and
// returns the exit status: 0, or 2 with a line on standard error when
// standard output could not take it. Returns kNoInformationRequest, printing
// nothing, for any other arguments, which the program ignores as a Windows
// program ignores its command line.
int AnswerInformationRequest(int argc, char **argv);
