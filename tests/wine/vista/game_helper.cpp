// A stand-in game for the launch tests: runs for a second and a half, then exits.
#include <windows.h>

int main() {
    Sleep(1500);
    return 0;
}
