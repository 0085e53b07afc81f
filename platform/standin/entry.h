// Starting a program written against WinMain.
#pragma once

namespace zorbel::standin {

// Opens standard input, output and error on /dev/null where they are
// closed; opens the display, or says on standard error why none could be opened and
// returns 1; then calls WinMain as Windows would start the program, with the
// arguments after the program's name as its command line, shuts the layer
// down and returns WinMain's result. The layer's own `main` is exactly this;
// a program that needs its own `main` calls it.
int RunWinMain(int argc, char **argv);

} // namespace zorbel::standin
