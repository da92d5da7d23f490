// The record control bar's template and controls.
#pragma once

#define IDD_RECORD_CONTROL 115
#define IDC_BAR_PAUSE 1002
#define IDC_BAR_RECORD 1063
#define IDC_BAR_STOP 1066
#define IDC_BAR_TIME 1068
#define IDC_BAR_CAMERA 1087
#define IDC_BAR_CLOSE 1122
