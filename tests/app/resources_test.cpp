// The resources as the program finds them in its module: dialog templates, pictures, icon
// group, manifest. Read with the real resource calls; no display needed.
#include <string.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/win32.h"
#include <commctrl.h>

#include "core/string_table.h"
#include "resource.h"

namespace {

std::string ResourceBytes(LPCSTR type, UINT id)
{
    HRSRC found = FindResourceA(appInstance, MAKEINTRESOURCEA(id), type);
    if (!found) return std::string();
    const char* bytes = (const char*)LockResource(LoadResource(appInstance, found));
    return std::string(bytes, SizeofResource(appInstance, found));
}

// A DIALOG (not DIALOGEX) template read field by field.
struct TemplateControl {
    DWORD style;
    short x, y, cx, cy;
    WORD id;
    std::string className;  // predefined classes by name: "button", "edit", "static"
    std::string text;
};
struct DialogTemplate {
    DWORD style, exStyle;
    short cx, cy;
    bool noMenu, noClass;
    std::string title, font;
    WORD pointSize;
    std::vector<TemplateControl> controls;
};

const WORD* ReadString(const WORD* p, std::string& out)
{
    out.clear();
    if (*p == 0xFFFF) {  // an ordinal: predefined class atoms
        static const char* kAtoms[] = {"button", "edit", "static", "listbox", "scrollbar", "combobox"};
        WORD atom = p[1];
        out = atom >= 0x80 && atom <= 0x85 ? kAtoms[atom - 0x80] : "#" + std::to_string(atom);
        return p + 2;
    }
    for (; *p; ++p) out += char(*p);
    return p + 1;
}

DialogTemplate ReadDialog(UINT id)
{
    DialogTemplate d = {};
    std::string bytes = ResourceBytes(RT_DIALOG, id);
    if (bytes.size() < sizeof(DLGTEMPLATE)) return d;
    const DLGTEMPLATE* t = (const DLGTEMPLATE*)bytes.data();
    d.style = t->style;
    d.exStyle = t->dwExtendedStyle;
    d.cx = t->cx;
    d.cy = t->cy;
    const WORD* p = (const WORD*)(t + 1);
    std::string menu, cls;
    d.noMenu = *p == 0;
    p = ReadString(p, menu);
    d.noClass = *p == 0;
    p = ReadString(p, cls);
    p = ReadString(p, d.title);
    if (d.style & DS_SETFONT) {
        d.pointSize = *p++;
        p = ReadString(p, d.font);
    }
    for (int i = 0; i < t->cdit; ++i) {
        p = (const WORD*)(((uintptr_t)p + 3) & ~uintptr_t(3));  // items start on a DWORD boundary
        const DLGITEMTEMPLATE* item = (const DLGITEMTEMPLATE*)p;
        TemplateControl c = {item->style, item->x, item->y, item->cx, item->cy, item->id, "", ""};
        p = (const WORD*)(item + 1);
        p = ReadString(p, c.className);
        p = ReadString(p, c.text);
        p += 1 + (*p ? *p / 2 : 0);  // creation data
        for (char& ch : c.className) ch = char(tolower((unsigned char)ch));
        d.controls.push_back(c);
    }
    return d;
}

const DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;

void ExpectDialog(UINT id, short cx, short cy, const std::vector<TemplateControl>& expected)
{
    DialogTemplate d = ReadDialog(id);
    EXPECT_EQ(kDialogStyle, d.style) << "dialog " << id;
    EXPECT_EQ(0u, d.exStyle);
    EXPECT_EQ(cx, d.cx);
    EXPECT_EQ(cy, d.cy);
    EXPECT_TRUE(d.noMenu);
    EXPECT_TRUE(d.noClass);
    EXPECT_EQ("", d.title) << "the dialog sets its own caption";
    EXPECT_EQ(8, d.pointSize);
    EXPECT_EQ("MS Sans Serif", d.font);
    ASSERT_EQ(expected.size(), d.controls.size()) << "dialog " << id;
    for (size_t i = 0; i < expected.size(); ++i) {
        const TemplateControl& e = expected[i];
        const TemplateControl& c = d.controls[i];
        SCOPED_TRACE("control " + std::to_string(i) + " (id " + std::to_string(e.id) + ")");
        EXPECT_EQ(e.id, c.id);
        EXPECT_EQ(e.className, c.className);
        EXPECT_EQ(e.style | WS_CHILD | WS_VISIBLE, c.style);
        EXPECT_EQ(e.x, c.x);
        EXPECT_EQ(e.y, c.y);
        EXPECT_EQ(e.cx, c.cx);
        EXPECT_EQ(e.cy, c.cy);
        EXPECT_EQ(e.text, c.text);
    }
}

TEST(DialogTemplates, HelpDialog101)
{
    ExpectDialog(IDD_HELP, 249, 158, {
        {BS_DEFPUSHBUTTON | WS_TABSTOP, 99, 137, 50, 14, IDOK, "button", ""},
        {ES_MULTILINE | ES_READONLY | WS_VSCROLL | WS_BORDER | WS_TABSTOP, 7, 7, 235, 121, IDC_HELP_TEXT, "edit", ""},
    });
}

TEST(DialogTemplates, BannerTargetDialog106)
{
    ExpectDialog(IDD_BANNER_TARGET, 223, 153, {
        {BS_DEFPUSHBUTTON | WS_TABSTOP, 18, 132, 50, 14, IDOK, "button", ""},
        {BS_PUSHBUTTON | WS_TABSTOP, 154, 132, 50, 14, IDCANCEL, "button", ""},
        {BS_AUTORADIOBUTTON | WS_GROUP, 14, 104, 92, 13, IDC_IN_GAME, "button", ""},
        {BS_AUTORADIOBUTTON, 111, 104, 97, 15, IDC_IN_STATISTIC, "button", ""},
        {LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER | WS_BORDER | WS_TABSTOP, 7, 23, 209, 59,
         IDC_PLAYER_LIST, "syslistview32", "List1"},
        {BS_GROUPBOX, 7, 92, 209, 32, IDC_BANNER_TYPE_GROUP, "button", ""},
        {BS_PUSHBUTTON | WS_TABSTOP, 86, 132, 50, 14, IDHELP, "button", ""},
        {SS_LEFT | WS_GROUP, 7, 7, 158, 12, IDC_CHOOSE_PLAYER, "static", ""},
    });
}

const BITMAPINFOHEADER* BitmapHeader(const std::string& bytes)
{
    return bytes.size() >= sizeof(BITMAPINFOHEADER) ? (const BITMAPINFOHEADER*)bytes.data() : nullptr;
}

TEST(BitmapResources, BackgroundIs300By170With255Colours)
{
    std::string bytes = ResourceBytes(RT_BITMAP, IDB_BACKGROUND);
    const BITMAPINFOHEADER* h = BitmapHeader(bytes);
    ASSERT_NE(nullptr, h);
    EXPECT_EQ(300, h->biWidth);
    EXPECT_EQ(170, h->biHeight);
    EXPECT_EQ(8, h->biBitCount);
    EXPECT_EQ((DWORD)BI_RGB, h->biCompression);
    EXPECT_EQ(255u, h->biClrUsed);
    EXPECT_EQ(40 + 255 * 4 + 300 * 170, (int)bytes.size());
    // Every pixel uses one of the 255 colours.
    const uint8_t* pixels = (const uint8_t*)bytes.data() + 40 + 255 * 4;
    int outside = 0;
    for (int i = 0; i < 300 * 170; ++i) outside += pixels[i] >= 255;
    EXPECT_EQ(0, outside);
}

TEST(BitmapResources, RaceIconsAreFourOnPureRedInTheStandard16Colours)
{
    static const RGBQUAD kStandard[16] = {
        {0, 0, 0, 0}, {0, 0, 128, 0}, {0, 128, 0, 0}, {0, 128, 128, 0}, {128, 0, 0, 0}, {128, 0, 128, 0},
        {128, 128, 0, 0}, {192, 192, 192, 0}, {128, 128, 128, 0}, {0, 0, 255, 0}, {0, 255, 0, 0},
        {0, 255, 255, 0}, {255, 0, 0, 0}, {255, 0, 255, 0}, {255, 255, 0, 0}, {255, 255, 255, 0}};
    std::string bytes = ResourceBytes(RT_BITMAP, IDB_RACE_ICONS);
    const BITMAPINFOHEADER* h = BitmapHeader(bytes);
    ASSERT_NE(nullptr, h);
    EXPECT_EQ(64, h->biWidth);
    EXPECT_EQ(16, h->biHeight);
    EXPECT_EQ(4, h->biBitCount);
    EXPECT_EQ((DWORD)BI_RGB, h->biCompression);
    ASSERT_EQ(40u + 16 * 4 + 32 * 16, bytes.size());
    EXPECT_EQ(0, memcmp(kStandard, bytes.data() + 40, sizeof kStandard)) << "not the standard palette";
    const uint8_t* rows = (const uint8_t*)bytes.data() + 40 + 64;
    auto index = [&](int x, int y) {  // top-down coordinates into the bottom-up rows
        uint8_t b = rows[(15 - y) * 32 + x / 2];
        return x % 2 ? b & 15 : b >> 4;
    };
    for (int k = 0; k < 4; ++k) {
        int red = 0, distinct = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                red += index(16 * k + x, y) == 9;
                distinct += k > 0 && index(16 * k + x, y) != index(16 * (k - 1) + x, y);
            }
        EXPECT_GT(red, 16) << "icon " << k << " has almost no red (transparent) background";
        EXPECT_LT(red, 200) << "icon " << k << " is almost empty";
        if (k > 0) {
            EXPECT_GT(distinct, 40) << "icon " << k << " looks like icon " << k - 1;
        }
    }
}

TEST(IconResources, GroupHoldsFiveImagesInTheListedSizes)
{
#pragma pack(push, 2)
    struct GroupEntry {
        BYTE width, height, colours, reserved;
        WORD planes, bitCount;
        DWORD bytes;
        WORD id;
    };
#pragma pack(pop)
    std::string group = ResourceBytes(RT_GROUP_ICON, IDI_APP);
    ASSERT_GE(group.size(), 6u);
    const WORD* head = (const WORD*)group.data();
    ASSERT_EQ(1, head[1]) << "not an icon group";
    ASSERT_EQ(5, head[2]);
    const GroupEntry* e = (const GroupEntry*)(group.data() + 6);
    const struct { int size, bits; } kExpected[5] = {{16, 4}, {32, 4}, {32, 8}, {48, 4}, {48, 8}};
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE("image " + std::to_string(i));
        EXPECT_EQ(kExpected[i].size, e[i].width);
        EXPECT_EQ(kExpected[i].size, e[i].height);
        EXPECT_EQ(kExpected[i].bits, e[i].bitCount);
        std::string image = ResourceBytes(RT_ICON, e[i].id);
        const BITMAPINFOHEADER* h = BitmapHeader(image);
        ASSERT_NE(nullptr, h);
        EXPECT_EQ(kExpected[i].size, h->biWidth);
        EXPECT_EQ(2 * kExpected[i].size, h->biHeight) << "colour and mask rows";
        EXPECT_EQ(kExpected[i].bits, h->biBitCount);
    }
    // The class icon loads from the group, at both sizes the system asks for.
    EXPECT_NE(nullptr, LoadImageA(appInstance, MAKEINTRESOURCEA(IDI_APP), IMAGE_ICON, 16, 16, 0));
    EXPECT_NE(nullptr, LoadImageA(appInstance, MAKEINTRESOURCEA(IDI_APP), IMAGE_ICON, 48, 48, 0));
}

TEST(ManifestResource, AsksForCommonControls6)
{
    std::string manifest = ResourceBytes(MAKEINTRESOURCEA(24), 1);
    EXPECT_NE(std::string::npos, manifest.find("Microsoft.Windows.Common-Controls"));
    EXPECT_NE(std::string::npos, manifest.find("version=\"6.0.0.0\""));
}

}  // namespace
