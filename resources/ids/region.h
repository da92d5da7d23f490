// Templates and controls of choosing and marking the recorded rectangle.
#pragma once

#define IDD_DISPLAY_REGION 110
#define IDD_ADD_SCREEN 136
#define IDD_AREA_HELPER 143
#define IDD_REGION_CORNER 191

// Area helper (its close button is IDOK, 1)
#define IDC_STATIC_WIDTH 1082
#define IDC_STATIC_HEIGHT 1083
#define IDC_EDIT_AREA_WIDTH 1084
#define IDC_EDIT_AREA_HEIGHT 1086
#define IDC_BUTTON_AREA_LOCK 1088
#define IDC_BUTTON_AREA_RECORD 1121
