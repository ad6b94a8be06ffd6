#include "uninstaller.h"
#include "win32platform.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    uninstall::Win32Platform platform;
    return uninstall::Uninstaller(platform).run();
}
