// vexillor.exe: the banner tool for Quillmere. The command line is not looked at.
#include "app/main_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    return RunVexillor(instance);
}
