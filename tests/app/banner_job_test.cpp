// The banner job from the player's side: the messages for every outcome, a multi-file drop on
// the running program, and the open-file dialog behind Create.
#include <string.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/win32.h"
#include <commctrl.h>

#include "app/app_state.h"
#include "app/banner_job.h"
#include "app/main_window.h"
#include "core/string_table.h"
#include "resource.h"
#include "tests/app/app_fixtures.h"
#include "tests/app/gui_driver.h"

namespace {

const char kInvalidFormat[] =
    "File '%s' has an invalid format and cannot be used as a banner.\nBanner must have the format:\n"
    "- 32x32x16M for in-game banners,\n- 32x32x16M or 64x64x16M for statistic banners.";

std::string Format(const char* format, const std::string& a, const std::string& b = "")
{
    char text[1024];
    snprintf(text, sizeof text, format, a.c_str(), b.c_str());
    return text;
}

std::string IconName(LPCSTR icon)
{
    if (icon == IDI_HAND) return "hand";
    if (icon == IDI_EXCLAMATION) return "exclamation";
    if (icon == IDI_ASTERISK) return "information";
    return "none";
}

class BannerJobTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        REQUIRE_DISPLAY();
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&controls);
        mainWindow = nullptr;
    }
    std::string Put(const std::string& name, const Bytes& bytes)
    {
        MakeFolder(NativePath(files.path()));
        std::string path = files.core(name);
        size_t slash = path.rfind('\\');
        MakeFolder(NativePath(path.substr(0, slash)));
        WriteFileBytes(NativePath(path), bytes);
        return path;
    }
    // Runs one job for `path` and answers the message it shows (caption empty when none).
    MessageBoxView JobMessage(const std::string& path, const std::function<void()>& inDialog = nullptr)
    {
        snprintf(sourcePath, sizeof sourcePath, "%s", path.c_str());
        MessageBoxView view = {"", "", nullptr};
        RunWithPlayer(RunBannerJob, [&] {
            if (inDialog) inDialog();
            view = AnswerMessageBox(inDialog ? 10000 : 5000);
        });
        return view;
    }
    TempDir files;
};

struct Refused {
    const char* name;      // the file as the job gets it, below the scratch folder
    int pictureSize;       // 0: a text file, -1: no file at all
    const char* shownAs;   // the file name the message names
    bool badExtension;     // message 1120 rather than 1119
};

TEST_F(BannerJobTest, PicturesThatCannotBeBannersGetTheirMessage)
{
    const Refused kCases[] = {
        {"notes.txt", 0, "notes.txt", true},
        {"banner", 0, "banner", true},
        {"pics.old\\banner", 0, "banner", true},  // the last dot belongs to a folder
        {"tiny.bmp", 16, "tiny.bmp", false},
        {"Odd.BMP", 16, "Odd.BMP", false},        // tested lowercased, named as it is
        {"missing.bmp", -1, "missing.bmp", false},
        {"wide.tga", 0, "wide.tga", false},
    };
    for (const Refused& c : kCases) {
        SCOPED_TRACE(c.name);
        std::string path = files.core(c.name);
        if (c.pictureSize > 0)
            Put(c.name, BmpFile(PatternPicture(c.pictureSize, false)));
        else if (c.pictureSize == 0)
            Put(c.name, Bytes{'n', 'o', 't', 'e', 's'});
        bannerWidth = bannerHeight = 99;
        MessageBoxView m = JobMessage(path);
        EXPECT_EQ("Error", m.caption);
        if (c.badExtension) {
            EXPECT_EQ(Format("File '%s' is not a valid bitmap file.", c.shownAs), m.text);
            EXPECT_EQ("hand", IconName(m.icon));
        } else {
            EXPECT_EQ(Format(kInvalidFormat, c.shownAs), m.text);
            EXPECT_EQ("exclamation", IconName(m.icon));
            EXPECT_EQ(0, bannerWidth);
            EXPECT_EQ(0, bannerHeight);
        }
    }
}

TEST_F(BannerJobTest, SuccessNamesTheSourceByNameAndTheTextureByItsFullPath)
{
    GameInstallation game;
    std::string ann = game.AddPlayer("Ann", 0, "Ann");
    std::string path = Put("Art\\Banner.BMP", BmpFile(PatternPicture(32, false)));
    std::string caption;
    MessageBoxView m = JobMessage(path, [&] {
        HWND d = WaitForTopWindow("#32770", "Save 'Banner.BMP' as banner ...");
        if (!d) return;
        caption = WindowText(d);
        SelectListRow(GetDlgItem(d, IDC_PLAYER_LIST), 0);
        Click(GetDlgItem(d, IDOK));
    });
    EXPECT_EQ("Save 'Banner.BMP' as banner ...", caption);
    EXPECT_EQ("Done", m.caption);
    EXPECT_EQ(Format("File '%s' converted to '%s'.", "Banner.BMP", ann + "BannerUser.tex"), m.text);
    EXPECT_EQ("information", IconName(m.icon));
    EXPECT_EQ(32, bannerWidth);
    EXPECT_EQ(32, bannerHeight);
    EXPECT_TRUE(FileExists(NativePath(ann + "BannerUser.tex")));
}

TEST_F(BannerJobTest, AFailedConversionNamesTheSourceAndWritesNothing)
{
    for (bool tooLong : {false, true}) {
        SCOPED_TRACE(tooLong ? "destination too long" : "destination is a folder");
        GameInstallation game;
        std::string folder = tooLong ? game.AddPlayer(std::string(247 - game.PlayersDir().size() - 1, 'q'), 0, "Q")
                                     : game.AddPlayer("Ann", 0, "Ann");
        if (!tooLong) MakeFolder(NativePath(folder + "BannerUser.tex"));
        std::string path = Put("logo.bmp", BmpFile(PatternPicture(32, false)));
        MessageBoxView m = JobMessage(path, [&] {
            HWND d = WaitForTopWindow("#32770", "Save 'logo.bmp' as banner ...");
            if (!d) return;
            SelectListRow(GetDlgItem(d, IDC_PLAYER_LIST), 0);
            Click(GetDlgItem(d, IDOK));
        });
        EXPECT_EQ("Error", m.caption);
        EXPECT_EQ("Error converting file 'logo.bmp'.", m.text);
        EXPECT_EQ("hand", IconName(m.icon));
        EXPECT_FALSE(FileExists(NativePath(folder + "BannerUserStat.tex")));
    }
}

TEST_F(BannerJobTest, ClosingTheDialogEndsTheJobWithoutAMessage)
{
    GameInstallation game;
    game.AddPlayer("Ann", 0, "Ann");
    snprintf(sourcePath, sizeof sourcePath, "%s", Put("logo.bmp", BmpFile(PatternPicture(32, false))).c_str());
    bool quiet = false;
    RunWithPlayer(RunBannerJob, [&] {
        HWND d = WaitForTopWindow("#32770", "Save 'logo.bmp' as banner ...");
        if (!d) return;
        Click(GetDlgItem(d, IDCANCEL));
        WaitUntilGone(d);
        quiet = NoNewWindowFor(800, {});
    });
    EXPECT_TRUE(quiet) << "Close must not be answered with a message";
}

// The whole program, with the player acting on its main window.
class RunningProgramTest : public BannerJobTest {
protected:
    void Run(const std::function<void(HWND main)>& player)
    {
        int exitCode = -1;
        RunWithPlayer([&] { exitCode = RunVexillor(GetModuleHandleA(nullptr)); },
                      [&] {
                          HWND main = WaitForProgram();
                          if (!main) return;
                          player(main);
                          // Exit is the first button the window made after Help.
                          HWND exit = FindWindowExA(main, nullptr, "Button", "Exit");
                          if (exit) Click(exit);
                      });
        EXPECT_EQ(0, exitCode);
    }
};

// The drop handle as the main window receives it (Wine hands a posted one on as a copy).
HDROP receivedDrop;
LRESULT CALLBACK WatchDrops(int code, WPARAM wParam, LPARAM lParam)
{
    const MSG* message = (const MSG*)lParam;
    if (code == HC_ACTION && message->message == WM_DROPFILES) receivedDrop = (HDROP)message->wParam;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(RunningProgramTest, DroppedFilesRunOneCompleteJobEachInDropOrder)
{
    GameInstallation game;
    std::string ann = game.AddPlayer("Ann", 0, "Ann");
    std::vector<std::string> dropped = {Put("notes.txt", Bytes{'x'}), Put("tiny.bmp", BmpFile(PatternPicture(16, false))),
                                        Put("logo.bmp", BmpFile(PatternPicture(32, false)))};
    std::vector<MessageBoxView> messages;
    std::string dialogCaption;
    SIZE_T dropSizeBefore = 0, dropSizeAfter = 1;
    receivedDrop = nullptr;
    Run([&](HWND main) {
        HHOOK hook = SetWindowsHookExA(WH_GETMESSAGE, WatchDrops, nullptr, UiThread());
        HDROP drop = MakeDrop(dropped);
        PostMessageA(main, WM_DROPFILES, (WPARAM)drop, 0);
        messages.push_back(AnswerMessageBox());
        messages.push_back(AnswerMessageBox());
        HWND d = WaitForTopWindow("#32770", "Save 'logo.bmp' as banner ...");
        if (!d) return;
        dialogCaption = WindowText(d);
        SelectListRow(GetDlgItem(d, IDC_PLAYER_LIST), 0);
        Click(GetDlgItem(d, IDOK));
        dropSizeBefore = receivedDrop ? GlobalSize(receivedDrop) : 0;  // still held during the jobs
        messages.push_back(AnswerMessageBox());
        for (int i = 0; i < 50 && dropSizeAfter; ++i, Sleep(20)) dropSizeAfter = GlobalSize(receivedDrop);
        UnhookWindowsHookEx(hook);
        if (receivedDrop != drop) GlobalFree(drop);
    });
    ASSERT_EQ(3u, messages.size());
    EXPECT_EQ("File 'notes.txt' is not a valid bitmap file.", messages[0].text);
    EXPECT_EQ(Format(kInvalidFormat, "tiny.bmp"), messages[1].text);
    EXPECT_EQ("Save 'logo.bmp' as banner ...", dialogCaption) << "the third job did not follow";
    EXPECT_EQ("Done", messages[2].caption);
    EXPECT_EQ(Format("File '%s' converted to '%s'.", "logo.bmp", ann + "BannerUser.tex"), messages[2].text);
    EXPECT_GT(dropSizeBefore, 0u);
    EXPECT_EQ(0u, dropSizeAfter) << "the drop handle must be released after the jobs";
}

HWND FileNameField(HWND dialog)
{
    for (int id : {0x47c, 0x480}) {  // cmb13 (explorer style), edt1 (old style)
        if (HWND field = GetDlgItem(dialog, id)) return field;
    }
    return nullptr;
}

// The file names the open-file dialog lists, from its shell view's list.
std::vector<std::string> ListedFiles(HWND dialog)
{
    HWND view = FindWindowExA(dialog, nullptr, "SHELLDLL_DefView", nullptr);
    HWND list = view ? FindWindowExA(view, nullptr, WC_LISTVIEWA, nullptr) : nullptr;
    std::vector<std::string> names;
    if (!list) return names;
    for (const ListRow& row : ReadListRows(list)) names.push_back(row.player);
    return names;
}

TEST_F(RunningProgramTest, CreateAsksForAPictureWithTheBannerFilter)
{
    GameInstallation game;
    game.AddPlayer("Ann", 0, "Ann");
    Put("a.bmp", BmpFile(PatternPicture(32, false)));
    Put("b.tga", TgaFile(PatternPicture(64, true)));
    Put("c.txt", Bytes{'x'});
    char previous[MAX_PATH];
    GetCurrentDirectoryA(sizeof previous, previous);
    SetCurrentDirectoryA(files.path().c_str());  // no initial folder is given: the dialog opens here
    std::string title, filterText, chosenPath, secondTitle;
    int filters = 0;
    std::vector<std::string> listed;
    HWND owner = nullptr, mainSeen = nullptr;
    bool quietAfterCancel = false;
    Run([&](HWND main) {
        mainSeen = main;
        HWND create = FindWindowExA(main, nullptr, "Button", "Create");
        Click(create);
        HWND d = WaitForTopWindow("#32770", "Choose banner bitmap");
        if (!d) return;
        title = WindowText(d);
        owner = GetWindow(d, GW_OWNER);
        HWND filter = GetDlgItem(d, 0x470);  // cmb1, the file types
        filters = (int)SendMessageA(filter, CB_GETCOUNT, 0, 0);
        filterText = WindowText(filter);
        for (int i = 0; i < 50 && listed.size() < 2; ++i, Sleep(20)) listed = ListedFiles(d);
        SetWindowTextA(FileNameField(d), "a.bmp");
        Click(GetDlgItem(d, IDOK));
        HWND target = WaitForTopWindow("#32770", "Save 'a.bmp' as banner ...");
        if (!target) return;
        chosenPath = sourcePath;
        Click(GetDlgItem(target, IDCANCEL));
        WaitUntilGone(target);
        // Once more, and cancelled: nothing follows.
        Click(create);
        HWND again = WaitForTopWindow("#32770", "Choose banner bitmap");
        if (!again) return;
        Click(GetDlgItem(again, IDCANCEL));
        WaitUntilGone(again);
        quietAfterCancel = NoNewWindowFor(800, {main});
    });
    SetCurrentDirectoryA(previous);
    EXPECT_EQ("Choose banner bitmap", title);
    EXPECT_EQ(mainSeen, owner);
    EXPECT_EQ(1, filters);
    EXPECT_EQ("Banner bitmaps", filterText);
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ((std::vector<std::string>{"a.bmp", "b.tga"}), listed) << "the filter is *.bmp;*.tga";
    EXPECT_EQ(0, _stricmp(files.core("a.bmp").c_str(), chosenPath.c_str())) << chosenPath;
    EXPECT_TRUE(quietAfterCancel);
}

}  // namespace
