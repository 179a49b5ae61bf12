/* Resource and control ids shared by the resource script and the code. Never renumber. */
#ifndef VEXILLOR_RESOURCE_H
#define VEXILLOR_RESOURCE_H

/* dialogs, bitmaps, icons, custom data */
#define IDI_SHELL               100     /* below IDI_APP: Explorer shows the first icon group */
#define IDD_HELP                101
#define IDB_BACKGROUND          102
#define IDI_APP                 103
#define IDR_HELP_TEXT           105
#define IDD_BANNER_TARGET       106
#define IDB_RACE_ICONS          107

/* controls of the Help dialog */
#define IDC_HELP_TEXT           1100

/* controls of the banner target dialog */
#define IDC_IN_GAME             1101
#define IDC_IN_STATISTIC        1102
#define IDC_PLAYER_LIST         1103
#define IDC_BANNER_TYPE_GROUP   1104
#define IDC_CHOOSE_PLAYER       1105

/* results of the banner target dialog */
#define IDR_CONVERTED           1010
#define IDR_CONVERSION_FAILED   1313

/* strings */
#define IDS_PICTURE_EXTENSIONS  100
#define IDS_REGISTRY_KEY        200
#define IDS_REGISTRY_SUBKEY     201
#define IDS_REGISTRY_VALUE      202
#define IDS_PLAYERS_FOLDER      203
#define IDS_PROFILE_FILE        204
#define IDS_BANNER_IN_GAME      205
#define IDS_BANNER_STATISTIC    206
#define IDS_PICTURE_FILTER      1000
#define IDS_MAIN_CAPTION        1100
#define IDS_CREATE              1101
#define IDS_HELP                1102
#define IDS_EXIT                1103
#define IDS_HELP_CAPTION        1104
#define IDS_HELP_CLOSE          1105
#define IDS_CHOOSE_PICTURE      1107
#define IDS_TARGET_CAPTION      1108
#define IDS_CHOOSE_PLAYER       1109
#define IDS_COLUMN_PLAYER       1110
#define IDS_COLUMN_RACE         1111
#define IDS_BANNER_TYPE         1112
#define IDS_IN_GAME             1113
#define IDS_IN_STATISTIC        1114
#define IDS_OK                  1115
#define IDS_TARGET_HELP         1116
#define IDS_TARGET_CLOSE        1117
#define IDS_ERROR_CAPTION       1118
#define IDS_INVALID_FORMAT      1119
#define IDS_NOT_A_BITMAP        1120
#define IDS_RACE_KSV            1121
#define IDS_RACE_RZ             1122
#define IDS_RACE_OB             1123
#define IDS_RACE_SKIRMISH       1124
#define IDS_CONVERTED           1125
#define IDS_CONVERSION_FAILED   1126
#define IDS_DONE_CAPTION        1127

#endif
