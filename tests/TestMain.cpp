// Main of every test program: GDI+ and the common controls are up for the whole run,
// as in the program.
#include "toolkit/GdiPlus.h"

#include <commctrl.h>
#include <gmock/gmock.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleMock(&argc, argv);
    vt::GdiplusSession gdiplus;
    INITCOMMONCONTROLSEX icc{sizeof(icc), 0xFF};
    ::InitCommonControlsEx(&icc);
    return RUN_ALL_TESTS();
}
