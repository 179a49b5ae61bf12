// The banner target dialog as the player meets it: caption and texts, the banner kinds a
// picture allows, choosing a player, the texture file written, and every way out.
#include <string.h>

#include <string>

#include <gtest/gtest.h>

#include "platform/win32.h"
#include <commctrl.h>

#include "app/app_state.h"
#include "app/banner_target_dialog.h"
#include "core/string_table.h"
#include "game/players.h"
#include "resource.h"
#include "tests/app/app_fixtures.h"
#include "tests/app/gui_driver.h"

namespace {

const char kOpenCaption[] = "Save 'logo.bmp' as banner ...";

INT_PTR OpenTargetDialog()
{
    return DialogBoxParamA(appInstance, MAKEINTRESOURCEA(IDD_BANNER_TARGET), nullptr, BannerTargetDialog, 0);
}

class BannerTargetDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        REQUIRE_DISPLAY();
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&controls);
        destinationPath[0] = 0;
    }
    // A source picture in the scratch folder, named for the job.
    void UsePicture(const std::string& name, const Bytes& bytes, int width)
    {
        WriteFileBytes(files.native(name), bytes);
        snprintf(sourcePath, sizeof sourcePath, "%s", files.core(name).c_str());
        bannerWidth = bannerHeight = width;
    }
    TempDir files;
};

TEST(FormatCaption, FitsTheNameOrCutsItWithDots)
{
    const char* format = "Save '%s' as banner ...";  // 21 characters besides the name
    const struct {
        size_t nameLength;
        bool cut;
    } kCases[] = {{0, false}, {8, false}, {234, false}, {235, true}, {259, true}};
    for (const auto& c : kCases) {
        std::string name(c.nameLength, 'n');
        char caption[kCaptionLength + 1 + 8];
        memset(caption, '#', sizeof caption);
        FormatCaption(caption, format, name.c_str());
        std::string shown = caption;
        SCOPED_TRACE("name of " + std::to_string(c.nameLength) + " characters");
        EXPECT_LE(shown.size(), size_t(kCaptionLength));
        EXPECT_EQ(std::string(7, '#'), std::string(caption + kCaptionLength + 1, 7)) << "wrote past the caption";
        if (c.cut) {
            EXPECT_EQ(size_t(kCaptionLength), shown.size());
            EXPECT_EQ("Save '" + name.substr(0, 231) + "...' as banner ...", shown);
        } else {
            EXPECT_EQ("Save '" + name + "' as banner ...", shown);
        }
    }
}

TEST_F(BannerTargetDialogTest, ShowsItsTextsAndTheKindsA32PixelPictureAllows)
{
    GameInstallation game;
    game.AddPlayer("Ann", 0, "Ann");
    UsePicture("logo.bmp", BmpFile(PatternPicture(32, false)), 32);
    std::string caption, ok, help, close, choose, group, inGame, inStatistic;
    bool gameEnabled = false, statisticEnabled = false;
    UINT gameChecked = 0, statisticChecked = 0;
    HWND focus = nullptr, okButton = nullptr;
    INT_PTR result = 0;
    RunWithPlayer([&] { result = OpenTargetDialog(); },
                  [&] {
                      HWND d = WaitForTopWindow("#32770", kOpenCaption);
                      if (!d) return;
                      caption = WindowText(d);
                      ok = WindowText(GetDlgItem(d, IDOK));
                      help = WindowText(GetDlgItem(d, IDHELP));
                      close = WindowText(GetDlgItem(d, IDCANCEL));
                      choose = WindowText(GetDlgItem(d, IDC_CHOOSE_PLAYER));
                      group = WindowText(GetDlgItem(d, IDC_BANNER_TYPE_GROUP));
                      inGame = WindowText(GetDlgItem(d, IDC_IN_GAME));
                      inStatistic = WindowText(GetDlgItem(d, IDC_IN_STATISTIC));
                      gameEnabled = IsWindowEnabled(GetDlgItem(d, IDC_IN_GAME));
                      statisticEnabled = IsWindowEnabled(GetDlgItem(d, IDC_IN_STATISTIC));
                      gameChecked = (UINT)SendDlgItemMessageA(d, IDC_IN_GAME, BM_GETCHECK, 0, 0);
                      statisticChecked = (UINT)SendDlgItemMessageA(d, IDC_IN_STATISTIC, BM_GETCHECK, 0, 0);
                      GUITHREADINFO info = {};
                      info.cbSize = sizeof info;
                      GetGUIThreadInfo(UiThread(), &info);
                      focus = info.hwndFocus;
                      okButton = GetDlgItem(d, IDOK);
                      Click(GetDlgItem(d, IDCANCEL));
                  });
    EXPECT_EQ(kOpenCaption, caption);
    EXPECT_EQ("OK", ok);
    EXPECT_EQ("Help", help);
    EXPECT_EQ("Close", close);
    EXPECT_EQ("Choose player", choose);
    EXPECT_EQ("Choose banner type", group);
    EXPECT_EQ("In game", inGame);
    EXPECT_EQ("In statistic", inStatistic);
    EXPECT_TRUE(gameEnabled);
    EXPECT_TRUE(statisticEnabled);
    EXPECT_EQ((UINT)BST_CHECKED, gameChecked);
    EXPECT_EQ((UINT)BST_UNCHECKED, statisticChecked);
    EXPECT_EQ(okButton, focus) << "the focus starts on the first tab stop";
    EXPECT_EQ(IDCANCEL, result);
}

TEST_F(BannerTargetDialogTest, A64PixelPictureCanOnlyBeTheStatisticsBanner)
{
    GameInstallation game;
    game.AddPlayer("Ann", 0, "Ann");
    UsePicture("logo.tga", TgaFile(PatternPicture(64, true)), 64);
    bool gameEnabled = true;
    UINT statisticChecked = 0, gameChecked = 1;
    RunWithPlayer([&] { OpenTargetDialog(); },
                  [&] {
                      HWND d = WaitForTopWindow("#32770", "Save 'logo.tga' as banner ...");
                      if (!d) return;
                      gameEnabled = IsWindowEnabled(GetDlgItem(d, IDC_IN_GAME));
                      gameChecked = (UINT)SendDlgItemMessageA(d, IDC_IN_GAME, BM_GETCHECK, 0, 0);
                      statisticChecked = (UINT)SendDlgItemMessageA(d, IDC_IN_STATISTIC, BM_GETCHECK, 0, 0);
                      PressEscape(d, UiThread());
                  });
    EXPECT_FALSE(gameEnabled);
    EXPECT_EQ((UINT)BST_UNCHECKED, gameChecked);
    EXPECT_EQ((UINT)BST_CHECKED, statisticChecked);
}

// Choosing row `row` and the banner kind, then OK: the file lands in that player's folder.
struct Choice {
    const char* name;
    int row;
    bool tga;
    int size;
    bool pickStatistic;
    const char* expectedFile;
};

TEST_F(BannerTargetDialogTest, OkWritesTheChosenBannerIntoTheChosenPlayersFolder)
{
    const Choice kChoices[] = {
        {"first row, in game", 0, false, 32, false, "BannerUser.tex"},
        {"second row, statistics chosen", 1, false, 32, true, "BannerUserStat.tex"},
        {"third row, 64 pixel TGA", 2, true, 64, false, "BannerUserStat.tex"},
    };
    for (const Choice& c : kChoices) {
        SCOPED_TRACE(c.name);
        GameInstallation game;
        // On disk in another order than the list shows them: race 1 first, then 0, then 2.
        std::string ann = game.AddPlayer("Ann", 0, "Ann");
        std::string bob = game.AddPlayer("Bob", 2, "Bob");
        std::string cid = game.AddPlayer("Cid", 1, "Cid");
        const std::string kRowFolders[3] = {cid, ann, bob};
        Rgba picture = PatternPicture(c.size, c.tga);
        UsePicture(c.tga ? "logo.tga" : "logo.bmp", c.tga ? TgaFile(picture) : BmpFile(picture), c.size);
        INT_PTR result = 0;
        RunWithPlayer([&] { result = OpenTargetDialog(); },
                      [&] {
                          HWND d = WaitForTopWindow("#32770");
                          if (!d) return;
                          SelectListRow(GetDlgItem(d, IDC_PLAYER_LIST), c.row);
                          if (c.pickStatistic) Click(GetDlgItem(d, IDC_IN_STATISTIC));
                          Click(GetDlgItem(d, IDOK));
                      });
        ASSERT_EQ(IDR_CONVERTED, result);
        ASSERT_EQ(3, playerFolders.count);
        EXPECT_EQ(kRowFolders[c.row], playerFolders.data[c.row].c_str()) << "row and folder disagree";
        std::string expected = kRowFolders[c.row] + c.expectedFile;
        EXPECT_EQ(expected, destinationPath);
        EXPECT_TRUE(IsBannerFile(ReadFileBytes(NativePath(expected)),
                                 ExpectedTextureRecord(c.tga ? picture : AsReadFromBmp(picture), c.tga)));
        for (int other = 0; other < 3; ++other) {
            if (other == c.row) continue;
            EXPECT_FALSE(FileExists(NativePath(kRowFolders[other] + "BannerUser.tex")));
            EXPECT_FALSE(FileExists(NativePath(kRowFolders[other] + "BannerUserStat.tex")));
        }
    }
}

TEST_F(BannerTargetDialogTest, OkWithoutAPlayerKeepsTheDialogOpen)
{
    GameInstallation game;
    std::string ann = game.AddPlayer("Ann", 0, "Ann");
    UsePicture("logo.bmp", BmpFile(PatternPicture(32, false)), 32);
    bool stillOpen = false;
    INT_PTR result = 0;
    RunWithPlayer([&] { result = OpenTargetDialog(); },
                  [&] {
                      HWND d = WaitForTopWindow("#32770", kOpenCaption);
                      if (!d) return;
                      Click(GetDlgItem(d, IDOK));
                      Sleep(500);
                      stillOpen = IsWindow(d) && IsWindowVisible(d);
                      SelectListRow(GetDlgItem(d, IDC_PLAYER_LIST), 0);
                      Click(GetDlgItem(d, IDOK));
                  });
    EXPECT_TRUE(stillOpen) << "OK with no player chosen must only beep";
    EXPECT_EQ(IDR_CONVERTED, result) << "with a player chosen, OK goes on";
    EXPECT_TRUE(FileExists(NativePath(ann + "BannerUser.tex")));
}

TEST_F(BannerTargetDialogTest, CloseEscAndTheCloseBoxEndWithoutWriting)
{
    GameInstallation game;
    std::string ann = game.AddPlayer("Ann", 0, "Ann");
    UsePicture("logo.bmp", BmpFile(PatternPicture(32, false)), 32);
    for (int way = 0; way < 3; ++way) {
        SCOPED_TRACE(way == 0 ? "Close" : way == 1 ? "Esc" : "close box");
        INT_PTR result = 0;
        RunWithPlayer([&] { result = OpenTargetDialog(); },
                      [&] {
                          HWND d = WaitForTopWindow("#32770", kOpenCaption);
                          if (!d) return;
                          SelectListRow(GetDlgItem(d, IDC_PLAYER_LIST), 0);
                          if (way == 0) Click(GetDlgItem(d, IDCANCEL));
                          if (way == 1) PressEscape(d, UiThread());
                          if (way == 2) PressCloseBox(d);
                      });
        EXPECT_EQ(IDCANCEL, result);
        EXPECT_FALSE(FileExists(NativePath(ann + "BannerUser.tex")));
        EXPECT_EQ(nullptr, playerImageList) << "the dialog lets go of the image list when it goes";
    }
}

TEST_F(BannerTargetDialogTest, HelpOpensOverTheDialogAndKeepsTheSelection)
{
    GameInstallation game;
    game.AddPlayer("Ann", 0, "Ann");
    game.AddPlayer("Bob", 0, "Bob");
    UsePicture("logo.bmp", BmpFile(PatternPicture(32, false)), 32);
    HWND helpOwner = nullptr, dialog = nullptr;
    bool dialogEnabled = true;
    UINT selectedAfter = 0;
    RunWithPlayer([&] { OpenTargetDialog(); },
                  [&] {
                      dialog = WaitForTopWindow("#32770", kOpenCaption);
                      if (!dialog) return;
                      HWND list = GetDlgItem(dialog, IDC_PLAYER_LIST);
                      SelectListRow(list, 1);
                      Click(GetDlgItem(dialog, IDHELP));
                      HWND help = WaitForTopWindow("#32770", "Help");
                      if (!help) return;
                      helpOwner = GetWindow(help, GW_OWNER);
                      dialogEnabled = IsWindowEnabled(dialog);
                      Click(GetDlgItem(help, IDOK));
                      WaitUntilGone(help);
                      selectedAfter = (UINT)SendMessageA(list, LVM_GETITEMSTATE, 1, LVIS_SELECTED);
                      Click(GetDlgItem(dialog, IDCANCEL));
                  });
    EXPECT_EQ(dialog, helpOwner);
    EXPECT_FALSE(dialogEnabled);
    EXPECT_EQ((UINT)LVIS_SELECTED, selectedAfter);
}

TEST_F(BannerTargetDialogTest, AFailedConversionEndsWith1313)
{
    GameInstallation game;
    std::string ann = game.AddPlayer("Ann", 0, "Ann");
    MakeFolder(NativePath(ann + "BannerUser.tex"));  // a folder where the file should go
    UsePicture("logo.bmp", BmpFile(PatternPicture(32, false)), 32);
    INT_PTR result = 0;
    RunWithPlayer([&] { result = OpenTargetDialog(); },
                  [&] {
                      HWND d = WaitForTopWindow("#32770", kOpenCaption);
                      if (!d) return;
                      SelectListRow(GetDlgItem(d, IDC_PLAYER_LIST), 0);
                      Click(GetDlgItem(d, IDOK));
                  });
    EXPECT_EQ(IDR_CONVERSION_FAILED, result);
}

TEST_F(BannerTargetDialogTest, APathTooLongForTheBufferEndsWith1313AndWritesNothing)
{
    GameInstallation game;
    // The profile folder with its backslash takes 247 characters: its UserInfo.dat (259) still
    // fits a path buffer, either banner file (261 and 265) does not.
    size_t nameLength = 247 - game.PlayersDir().size() - 1;
    std::string folder = game.AddPlayer(std::string(nameLength, 'p'), 0, "Long");
    ASSERT_EQ(247u, folder.size());
    UsePicture("logo.bmp", BmpFile(PatternPicture(32, false)), 32);
    for (bool statistic : {false, true}) {
        INT_PTR result = 0;
        int rows = 0;
        RunWithPlayer([&] { result = OpenTargetDialog(); },
                      [&] {
                          HWND d = WaitForTopWindow("#32770", kOpenCaption);
                          if (!d) return;
                          rows = (int)SendDlgItemMessageA(d, IDC_PLAYER_LIST, LVM_GETITEMCOUNT, 0, 0);
                          SelectListRow(GetDlgItem(d, IDC_PLAYER_LIST), 0);
                          if (statistic) Click(GetDlgItem(d, IDC_IN_STATISTIC));
                          Click(GetDlgItem(d, IDOK));
                      });
        ASSERT_EQ(1, rows) << "the long profile must be listed";
        EXPECT_EQ(IDR_CONVERSION_FAILED, result);
        EXPECT_LT(strlen(destinationPath), sizeof destinationPath);
        std::vector<std::string> left;
        WIN32_FIND_DATAA entry;
        HANDLE search = FindFirstFileA((folder + "*").c_str(), &entry);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                if (strcmp(entry.cFileName, ".") && strcmp(entry.cFileName, "..")) left.push_back(entry.cFileName);
            } while (FindNextFileA(search, &entry));
            FindClose(search);
        }
        EXPECT_EQ(std::vector<std::string>{"UserInfo.dat"}, left) << "nothing may be written";
    }
}

}  // namespace
