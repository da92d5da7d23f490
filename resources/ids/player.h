// Video player window.
#pragma once

#define IDD_VIDEO_PLAYER 112
#define IDC_PLAYER_MINIMISE 1002
#define IDC_PLAYER_CONTROL 1054
#define IDC_PLAYER_CLOSE 1063
#define IDC_PLAYER_TITLE 1064
