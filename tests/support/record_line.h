// The record the tests' own Windows DLLs keep: one line appended to the file
// that the environment variable names, opened and closed for every line, so
// that the record survives a crash and is written even while the process
// detaches its libraries. Nothing is written without the variable.
#pragma once

#include <windows.h>

#include <cstring>

inline void AppendRecordLine(const char *variable, const char *text)
{
    char path[MAX_PATH];
    DWORD n = GetEnvironmentVariableA(variable, path, sizeof path);
    if (n == 0 || n >= sizeof path)
        return;
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written;
    (void)WriteFile(file, text, static_cast<DWORD>(std::strlen(text)), &written, nullptr);
    (void)WriteFile(file, "\n", 1, &written, nullptr);
    (void)CloseHandle(file);
}
