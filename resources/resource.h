// Resource identifiers of the program.
#pragma once

#define IDR_MAINFRAME 128

// Menus: each holds one pop-up sub-menu.
#define IDR_MENU_REGION 137
#define IDR_MENU_TRAY 138
#define IDR_MENU_PLAYER 142
#define ID_POPMENU_FULLSCREEN 32776
#define ID_POPMENU_REGION 32777
#define ID_MENU_TRAY_SHOWMAIN 32783
#define ID_MENU_TRAY_START 32784
#define ID_MENU_TRAY_PAUSE 32785
#define ID_MENU_TRAY_STOP 32786
#define ID_MENU_TRAY_EXIT 32787
#define ID_MENU_PLAYER_OPENFILE 32794
#define ID_MENU_PLAYER_PLAY 32795
#define ID_MENU_PLAYER_PAUSE 32796
#define ID_MENU_PLAYER_STOP 32797

#include "ids/region.h"
#include "ids/record_control.h"
#include "ids/MainWindow.h"
#include "ids/overlays.h"
#include "ids/DownloadEncoder.h"
#include "ids/settings.h"
#include "ids/player.h"
