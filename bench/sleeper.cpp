// A program for Tonekeep to launch and watch during the wake-up count: it runs until
// the benchmark signals the named event below, or two minutes at most.
#include <windows.h>

int main() {
    HANDLE stop = CreateEventW(nullptr, TRUE, FALSE, L"Local\\TonekeepBenchSleeperStop");
    WaitForSingleObject(stop, 120000);
    if (stop) CloseHandle(stop);
    return 0;
}
