// The Help dialog and the help text resource behind it.
#include "app/help_dialog.h"

#include "core/string_table.h"
#include "core/zero_alloc.h"
#include "resource.h"

namespace {
// The help text resource, located at the first opening and kept: it belongs to our own module
// and is never unloaded. It carries no terminating zero, so its length travels with it.
const char* helpText;
DWORD helpTextLength;

void LocateHelpText()
{
    HRSRC found = FindResourceA(appInstance, MAKEINTRESOURCEA(IDR_HELP_TEXT), "TEXT");
    if (!found) return;
    HGLOBAL loaded = LoadResource(appInstance, found);
    if (!loaded) return;
    const char* bytes = (const char*)LockResource(loaded);
    if (!bytes) return;
    helpTextLength = SizeofResource(appInstance, found);
    helpText = bytes;
}

BOOL OnInitDialog(HWND dialog)
{
    char* work = (char*)zeroAlloc(kHelpBufferSize);
    if (!work) return TRUE;  // an empty dialog that still closes beats none at all
    LoadTableString(IDS_HELP_CAPTION, work, kHelpBufferSize);
    SetWindowTextA(dialog, work);
    LoadTableString(IDS_HELP_CLOSE, work, kHelpBufferSize);
    SetDlgItemTextA(dialog, IDOK, work);
    if (!helpText) LocateHelpText();
    work[0] = 0;
    ExpandLineBreaks(helpText, helpTextLength, work, kHelpBufferSize);
    SetDlgItemTextA(dialog, IDC_HELP_TEXT, work);
    zeroFree(work);
    return TRUE;
}
}  // namespace

size_t ExpandLineBreaks(const char* source, size_t sourceLength, char* destination,
                        size_t destinationSize)
{
    if (!source || !destination || destinationSize == 0) return 0;
    size_t out = 0;
    for (size_t i = 0; i < sourceLength && source[i]; ++i) {
        size_t need = source[i] == '\n' ? 2 : 1;
        if (out + need >= destinationSize) break;  // keep room for the zero: cut, never overflow
        if (source[i] == '\n') destination[out++] = '\r';
        destination[out++] = source[i];
    }
    destination[out] = 0;
    return out;
}

INT_PTR CALLBACK HelpDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(dialog);
    case WM_COMMAND:
        // Esc and the caption's close box send IDCANCEL; they close the dialog as Close does.
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, 1);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

void OpenHelpDialog(HWND owner)
{
    DialogBoxParamA(appInstance, MAKEINTRESOURCEA(IDD_HELP), owner, HelpDialog, 0);
}
