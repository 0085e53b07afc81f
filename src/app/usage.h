// What the native program says about itself when asked on its command line.
#pragma once

// Prints the usage for --help (or -h), or the name and version for
// --version, or the force-feedback devices for --devices, to standard
// output, and returns true; returns false, printing
// nothing, for any other arguments, which the program ignores as a Windows
// program ignores its command line.
bool AnswerInformationRequest(int argc, char **argv);
