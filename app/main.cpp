// Program entry.
#include "app/ScreenRecorderApp.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    CScreenRecorderApp app;
    return app.Run();
}
