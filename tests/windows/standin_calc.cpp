// Stands in for the system calculator in the Windows end-to-end test: it
// leaves a mark that it started, then stays up until the test ends it, so the
// test can see it outlive Tarnwick.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    CloseHandle(CreateFileA("C:\\calc-started", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    Sleep(5 * 60 * 1000);
    return 0;
}
