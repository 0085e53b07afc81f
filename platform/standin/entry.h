// Starting a program written against WinMain.
#pragma once

namespace zorbel::standin {

// Calls WinMain as Windows would start the program, with the arguments after
// the program's name as its command line, then shuts the layer down; returns
// WinMain's result. The layer's own `main` is exactly this; a program that
// needs its own `main` calls it.
int RunWinMain(int argc, char **argv);

} // namespace zorbel::standin
