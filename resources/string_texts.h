/* The string table, written once: the resource script expands it into its STRINGTABLE and the
   native build compiles it in. Plain C, since windres preprocesses this file. */
#ifndef VEXILLOR_STRING_TEXTS_H
#define VEXILLOR_STRING_TEXTS_H

#include "resource.h"

#define VEXILLOR_STRING_TABLE(X) \
    X(IDS_PICTURE_EXTENSIONS, "*.bmp;*.tga") \
    X(IDS_REGISTRY_KEY, "Software\\Tamrivo\\Quillmere\\BaseGame") \
    X(IDS_REGISTRY_SUBKEY, "FileSystem") \
    X(IDS_REGISTRY_VALUE, "OutputDir") \
    X(IDS_PLAYERS_FOLDER, "Players") \
    X(IDS_PROFILE_FILE, "UserInfo.dat") \
    X(IDS_BANNER_IN_GAME, "BannerUser.tex") \
    X(IDS_BANNER_STATISTIC, "BannerUserStat.tex") \
    X(IDS_PICTURE_FILTER, "Banner bitmaps") \
    X(IDS_MAIN_CAPTION, "Quillmere - Vexillor") \
    X(IDS_CREATE, "Create") \
    X(IDS_HELP, "Help") \
    X(IDS_EXIT, "Exit") \
    X(IDS_HELP_CAPTION, "Help") \
    X(IDS_HELP_CLOSE, "Close") \
    X(IDS_CHOOSE_PICTURE, "Choose banner bitmap") \
    X(IDS_TARGET_CAPTION, "Save '%s' as banner ...") \
    X(IDS_CHOOSE_PLAYER, "Choose player") \
    X(IDS_COLUMN_PLAYER, "Player") \
    X(IDS_COLUMN_RACE, "Race") \
    X(IDS_BANNER_TYPE, "Choose banner type") \
    X(IDS_IN_GAME, "In game") \
    X(IDS_IN_STATISTIC, "In statistic") \
    X(IDS_OK, "OK") \
    X(IDS_TARGET_HELP, "Help") \
    X(IDS_TARGET_CLOSE, "Close") \
    X(IDS_ERROR_CAPTION, "Error") \
    X(IDS_INVALID_FORMAT, "File '%s' has an invalid format and cannot be used as a banner.\nBanner must have the format:\n- 32x32x16M for in-game banners,\n- 32x32x16M or 64x64x16M for statistic banners.") \
    X(IDS_NOT_A_BITMAP, "File '%s' is not a valid bitmap file.") \
    X(IDS_RACE_KSV, "KSV") \
    X(IDS_RACE_RZ, "RZ") \
    X(IDS_RACE_OB, "OB") \
    X(IDS_RACE_SKIRMISH, "Skirmish") \
    X(IDS_CONVERTED, "File '%s' converted to '%s'.") \
    X(IDS_CONVERSION_FAILED, "Error converting file '%s'.") \
    X(IDS_DONE_CAPTION, "Done")

#endif
