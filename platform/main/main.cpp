// The process entry of a program written against WinMain.
#include "platform/standin/entry.h"

int main(int argc, char **argv) { return zorbel::standin::RunWinMain(argc, argv); }
