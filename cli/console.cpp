// The console side of vexillor-cli on Windows. Whatever prints (our commands, the conversion's
// printf lines, CLI11) writes UTF-8 bytes to the C library's streams. A console does not take
// bytes in its own terms: it reads them in its output code page (437, 850, ...). So a stream
// that is a console is turned into one end of a pipe, and a thread writes what comes out of the
// other end as UTF-16. One pipe for both streams keeps their order as printed.
#include "cli/console.h"

#ifdef _WIN32

#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <iostream>
#include <string>

#include "platform/win32.h"

namespace {

HANDLE console = nullptr;  // where the pump writes: the console standard output or error was
HANDLE pump = nullptr;
bool outputRedirected = false, errorRedirected = false;

bool IsConsole(HANDLE h)
{
    DWORD mode;
    return h && h != INVALID_HANDLE_VALUE && GetConsoleMode(h, &mode);
}

// The length of a UTF-8 sequence that ends `bytes` unfinished (0 when the last one is whole):
// it waits for the pipe's next read.
size_t UnfinishedTail(const unsigned char* bytes, size_t n)
{
    for (size_t back = 1; back <= 3 && back <= n; ++back) {
        unsigned char c = bytes[n - back];
        if ((c & 0xC0) == 0x80) continue;
        size_t need = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        return need > back ? back : 0;
    }
    return 0;
}

// UTF-8 as UTF-16. A byte that starts no valid sequence is read in the ANSI code page: where the
// manifest's UTF-8 does not hold (Windows before 10 1903), a file name as typed arrives so.
std::wstring Widen(const char* text, size_t n)
{
    std::wstring wide(n, L'\0');
    int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, int(n), &wide[0], int(n));
    if (units > 0 || n == 0) {
        wide.resize(size_t(units));
        return wide;
    }
    wide.clear();
    for (size_t i = 0; i < n;) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        wchar_t one[2];
        int got = length <= n - i ? MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text + i, int(length), one, 2)
                                  : 0;
        if (got <= 0) {
            length = 1;
            got = MultiByteToWideChar(CP_ACP, 0, text + i, 1, one, 2);
        }
        wide.append(one, size_t(got > 0 ? got : 0));
        i += length;
    }
    return wide;
}

void WriteToConsole(const char* text, size_t n)
{
    std::wstring wide = Widen(text, n);
    for (size_t at = 0; at < wide.size();) {
        DWORD written = 0;
        DWORD chunk = DWORD(wide.size() - at < 8192 ? wide.size() - at : 8192);
        if (!WriteConsoleW(console, wide.data() + at, chunk, &written, nullptr) || written == 0) return;
        at += written;
    }
}

DWORD WINAPI Pump(void* pipe)
{
    enum { kRead = 4096 };
    unsigned char buffer[kRead + 3];
    size_t kept = 0;
    DWORD got = 0;
    while (ReadFile(pipe, buffer + kept, kRead, &got, nullptr) && got) {
        size_t n = kept + got, tail = UnfinishedTail(buffer, n);
        WriteToConsole(reinterpret_cast<const char*>(buffer), n - tail);
        memmove(buffer, buffer + n - tail, tail);
        kept = tail;
    }
    if (kept) WriteToConsole(reinterpret_cast<const char*>(buffer), kept);
    CloseHandle(pipe);
    return 0;
}

// At exit: what the streams hold goes into the pipe, their ends close, and the pump writes the
// rest before the process ends.
void FinishConsoleOutput()
{
    std::cout.flush();
    std::cerr.flush();
    fflush(stdout);
    fflush(stderr);
    if (outputRedirected) _close(1);
    if (errorRedirected) _close(2);
    WaitForSingleObject(pump, INFINITE);
}

}  // namespace

void UseConsoleOutput()
{
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE), err = GetStdHandle(STD_ERROR_HANDLE);
    bool outIsConsole = IsConsole(out), errIsConsole = IsConsole(err);
    if (!outIsConsole && !errIsConsole) return;
    HANDLE readEnd, writeEnd;
    if (!CreatePipe(&readEnd, &writeEnd, nullptr, 0)) return;
    int fd = _open_osfhandle(reinterpret_cast<intptr_t>(writeEnd), _O_WRONLY);
    if (fd < 0) {
        CloseHandle(readEnd);
        CloseHandle(writeEnd);
        return;
    }
    // A handle of our own: redirecting a stream closes the one it had.
    if (!DuplicateHandle(GetCurrentProcess(), outIsConsole ? out : err, GetCurrentProcess(), &console, 0, FALSE,
                         DUPLICATE_SAME_ACCESS) ||
        !(pump = CreateThread(nullptr, 0, Pump, readEnd, 0, nullptr))) {
        _close(fd);
        CloseHandle(readEnd);
        return;
    }
    fflush(stdout);
    fflush(stderr);
    outputRedirected = outIsConsole && _dup2(fd, 1) == 0;
    errorRedirected = errIsConsole && _dup2(fd, 2) == 0;
    _close(fd);  // the standard streams hold ends of their own
    atexit(FinishConsoleOutput);
}

bool IntroduceWhenDoubleClicked(int argc)
{
    DWORD processes[2];
    if (!LooksDoubleClicked(argc, GetConsoleProcessList(processes, 2))) return false;
    console = GetStdHandle(STD_OUTPUT_HANDLE);
    if (!IsConsole(console)) return false;
    // Lines shorter than the console's 80 columns.
    static const char kIntroduction[] =
        "vexillor-cli " VEX_VERSION ": the command line of Vexillor. It makes banners for\n"
        "Quillmere from any picture and installs them into player profiles.\n"
        "\n"
        "It runs in a Command Prompt, not by a double-click. Start \"Vexillor command\n"
        "prompt\" from the Start menu (or type cmd in the address bar of this folder in\n"
        "Explorer), then type a command line such as:\n"
        "\n"
        "  vexillor-cli --help\n"
        "  vexillor-cli fit \"C:\\Users\\Ann\\Pictures\\crest.png\" --in-game\n"
        "  vexillor-cli check crest-banner.bmp\n"
        "  vexillor-cli players\n"
        "  vexillor-cli install crest-banner.bmp --player Aldric --in-game\n"
        "\n"
        "The guide tells more: \"Vexillor guide\" in the Start menu, README.txt here.\n"
        "\n"
        "Press a key to close this window.\n";
    WriteToConsole(kIntroduction, sizeof kIntroduction - 1);
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    INPUT_RECORD record;
    DWORD read = 0;
    while (ReadConsoleInputW(input, &record, 1, &read) && read == 1)
        if (record.EventType == KEY_EVENT && record.Event.KeyEvent.bKeyDown) break;
    return true;
}

#else

void UseConsoleOutput() {}
bool IntroduceWhenDoubleClicked(int) { return false; }

#endif

bool LooksDoubleClicked(int argc, unsigned long consoleProcesses) { return argc <= 1 && consoleProcesses == 1; }
