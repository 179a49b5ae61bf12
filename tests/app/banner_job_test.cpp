// The banner job from the player's side: a drop of several files on the running program, and
// Create with its open-file dialog and every way out of the target dialog with its message.
#include <set>

#include "app/banner_job.h"
#include "tests/app/app_fixtures.h"
#include <shlobj.h>  // DROPFILES

namespace {

// The names in `folder` (ending in a backslash).
std::set<std::string> FilesIn(const std::string& folder)
{
    std::set<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &entry);
    for (bool more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &entry))
        names.insert(entry.cFileName);
    FindClose(search);
    return names;
}

using BannerJobTest = BannerTest;

// The drop handle as the main window receives it (Wine hands a posted one on as a copy).
HDROP receivedDrop;
LRESULT CALLBACK WatchDrops(int code, WPARAM wParam, LPARAM lParam)
{
    const MSG* message = (const MSG*)lParam;
    if (code == HC_ACTION && message->message == WM_DROPFILES) receivedDrop = (HDROP)message->wParam;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(BannerJobTest, DroppedFilesRunOneCompleteJobEachInDropOrder)
{
    GameInstallation game;
    std::string ann = game.AddPlayer("Ann", 0, "Ann");
    // As the shell posts a drop: DROPFILES, then the ANSI paths, each ending in a zero, one zero more.
    std::string paths = Put("notes.txt", Bytes{'x'}) + '\0' + Put("tiny.bmp", BmpFile(16)) + '\0' +
                        Put("logo.bmp", BmpFile(32)) + '\0' + '\0';
    HGLOBAL drop = GlobalAlloc(GMEM_MOVEABLE, sizeof(DROPFILES) + paths.size());
    char* bytes = (char*)GlobalLock(drop);
    *(DROPFILES*)bytes = DROPFILES{sizeof(DROPFILES), {150, 60}, FALSE, FALSE};  // offset, point, fNC, fWide
    memcpy(bytes + sizeof(DROPFILES), paths.data(), paths.size());
    GlobalUnlock(drop);
    std::vector<std::string> shown;
    SIZE_T heldDuringJobs = 0;
    bool releasedAfter = false;
    receivedDrop = nullptr;
    int exitCode = RunProgram([&](HWND main) {
        HHOOK hook = SetWindowsHookExA(WH_GETMESSAGE, WatchDrops, nullptr, uiThread);
        PostMessageA(main, WM_DROPFILES, (WPARAM)drop, 0);
        shown.push_back(NextMessage());
        shown.push_back(NextMessage());
        if (HWND dialog = WaitForDialog("Save 'logo.bmp' as banner ...")) {
            SelectListRow(GetDlgItem(dialog, IDC_PLAYER_LIST), 0);
            Click(GetDlgItem(dialog, IDOK));
            heldDuringJobs = receivedDrop ? GlobalSize(receivedDrop) : 0;
            shown.push_back(NextMessage());
        }
        releasedAfter = Within(1000, [] { return GlobalSize(receivedDrop) == 0; });
        UnhookWindowsHookEx(hook);
        Click(Button(main, "Exit"));
    });
    if (receivedDrop != drop) GlobalFree(drop);
    EXPECT_EQ(0, exitCode);
    EXPECT_EQ((std::vector<std::string>{"Error | File 'notes.txt' is not a valid bitmap file. | hand",
                                        "Error | File 'tiny.bmp' has an invalid format and cannot be used as a banner.\nBanner "
                                        "must have the format:\n- 32x32x16M for in-game banners,\n- 32x32x16M or 64x64x16M "
                                        "for statistic banners. | exclamation",
                                        "Done | File 'logo.bmp' converted to '" + ann + "BannerUser.tex'. | information"}),
              shown);
    EXPECT_GT(heldDuringJobs, 0u) << "the drop handle went before the jobs were done";
    EXPECT_TRUE(releasedAfter) << "the drop handle must be released after the jobs";
}

TEST_F(BannerJobTest, CreateAsksForAPictureAndEveryWayOutOfTheTargetDialogEndsAsItShould)
{
    GameInstallation game;  // rows in race order: the long profile, Ann, Bob
    // A profile folder of 247 characters: its UserInfo.dat (259) fits a path, the banner (261) not.
    std::string tooLong = game.AddPlayer(std::string(247 - game.PlayersDir().size() - 1, 'q'), 1, "Q");
    std::string ann = game.AddPlayer("Ann", 0, "Ann"), bob = game.AddPlayer("Bob", 2, "Bob");
    MakeFolder(NativePath(ann + "BannerUser.tex"));  // a folder where Ann's banner goes
    const std::string kFailed = "Error | Error converting file 'logo.bmp'. | hand";
    const struct {
        std::string way;
        const char* name;     // of a 32x32 picture below the scratch folder
        int row;              // chosen in the target dialog before leaving it
        std::string message;  // "" for none
    } kJobs[] = {
        {"Cancel in the open-file dialog", "logo.bmp", 2, ""},
        {"Close", "logo.bmp", 2, ""},
        {"Esc", "logo.bmp", 2, ""},
        {"OK", "Art\\Banner.BMP", 2, "Done | File 'Banner.BMP' converted to '" + bob + "BannerUser.tex'. | information"},
        {"OK", "logo.bmp", 0, kFailed},  // the destination is too long
        {"OK", "logo.bmp", 1, kFailed},  // a folder is in the way
    };
    std::string filter;
    std::vector<std::string> ended, wanted;
    int exitCode = RunProgram([&](HWND main) {
        for (const auto& c : kJobs) {
            std::string picture = Put(c.name, BmpFile(32));
            Click(Button(main, "Create"));
            HWND open = WaitForDialog("Choose banner bitmap"), target = nullptr;
            if (!open) return;
            HWND types = GetDlgItem(open, 0x470);  // cmb1, the file types
            filter = WindowText(types) + " of " + std::to_string(SendMessageA(types, CB_GETCOUNT, 0, 0)) +
                     (GetWindow(open, GW_OWNER) == main ? ", owned by the main window" : ", not owned by the main window");
            if (c.way == "Cancel in the open-file dialog") {
                Click(GetDlgItem(open, IDCANCEL));
            } else {
                HWND name = GetDlgItem(open, 0x47c) ? GetDlgItem(open, 0x47c) : GetDlgItem(open, 0x480);  // cmb13, edt1
                SetWindowTextA(name, picture.c_str());
                Click(GetDlgItem(open, IDOK));
                if (!(target = WaitForDialog("Save '" + picture.substr(picture.rfind('\\') + 1) + "' as banner ..."))) return;
                SelectListRow(GetDlgItem(target, IDC_PLAYER_LIST), c.row);
                if (c.way == "Close") Click(GetDlgItem(target, IDCANCEL));
                if (c.way == "Esc") PressEscape(target);
                if (c.way == "OK") Click(GetDlgItem(target, IDOK));
            }
            // The job runs on after the dialog: a message would show within milliseconds.
            WaitUntilGone(target ? target : open);
            bool quiet = c.message.empty() && !Within(300, [&] { return TopWindows() != std::vector<HWND>{main}; });
            ended.push_back(c.way + ": " + (quiet ? "quiet" : NextMessage()) +
                            (memchr(destinationPath, 0, sizeof destinationPath) ? "" : ", the destination overran its buffer"));
            wanted.push_back(c.way + ": " + (c.message.empty() ? "quiet" : c.message));
        }
        Click(Button(main, "Exit"));
    });
    EXPECT_EQ(0, exitCode);
    EXPECT_EQ("Banner bitmaps of 1, owned by the main window", filter);
    EXPECT_EQ(wanted, ended);
    EXPECT_EQ((std::set<std::string>{".", "..", "UserInfo.dat"}), FilesIn(tooLong)) << "nothing may be written";
    EXPECT_EQ((std::set<std::string>{".", "..", "BannerUser.tex", "UserInfo.dat"}), FilesIn(ann)) << "nothing may be written";
}

}  // namespace
