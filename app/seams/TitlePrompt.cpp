// The change-title dialog (region/TitleSetting) as the main window's title prompt.
#include "app/seams/TitlePrompt.h"

#include "region/TitleSetting.h"

INT_PTR RunChangeTitle(HWND owner, std::wstring& title) {
    CDlgChangeTitle dialog;
    dialog.SetTitle(title);
    const INT_PTR result = dialog.DoModal(owner);
    if (result == IDOK) title = dialog.Title();
    return result;
}
