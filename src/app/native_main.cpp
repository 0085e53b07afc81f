// The native program's process entry. The Windows program ignores its
// command line; the native one first answers --help and --version, without
// opening a display, and otherwise starts as the Windows program does.
#include "app/usage.h"
#include "platform/standin/entry.h"

int main(int argc, char **argv)
{
    const int answered = AnswerInformationRequest(argc, argv);
    if (answered != kNoInformationRequest)
        return answered;
    return zorbel::standin::RunWinMain(argc, argv);
}
