#include "config/SettingsVideoDlg.h"

#include "config/Language.h"
#include "config/LanguageFormat.h"
#include "config/OutputFolder.h"
#include "config/SettingsLogic.h"
#include "ids/settings.h"

#include <shlobj.h>

#include <cstring>
#include <iterator>
#include <mutex>

namespace {

constexpr ControlPlace kPlaces[] = {
    {IDC_VIDEO_LABEL_FOLDER, 8, 4, 196, 16},     {IDC_VIDEO_FOLDER, 8, 22, 162, 22},
    {IDC_VIDEO_BROWSE, 174, 18, 32, 30},         {IDC_VIDEO_LABEL_REGION, 8, 50, 196, 16},
    {IDC_VIDEO_FULLSCREEN, 8, 66, 96, 20},       {IDC_VIDEO_USERDEFINED, 106, 66, 104, 20},
    {IDC_VIDEO_LABEL_QUALITY, 8, 94, 62, 16},    {IDC_VIDEO_QUALITY, 72, 90, 134, 200},
    {IDC_VIDEO_LABEL_FORMAT, 8, 122, 62, 16},    {IDC_VIDEO_FORMAT, 72, 118, 134, 200},
    {IDC_VIDEO_LABEL_OBJECT, 8, 146, 196, 16},   {IDC_VIDEO_RECORD_SCREEN, 8, 162, 96, 20},
    {IDC_VIDEO_RECORD_CAMERA, 106, 162, 104, 20}, {IDC_VIDEO_CAMERAS, 8, 190, 116, 200},
    {IDC_VIDEO_PREVIEW, 128, 189, 78, 24},
};

constexpr ControlCaption kCaptions[] = {
    {IDC_VIDEO_LABEL_FOLDER, L"IDC_STC_VIDEO_FOLDER"},
    {IDC_VIDEO_LABEL_REGION, L"IDC_STC_VIDEO_RECORDREGION"},
    {IDC_VIDEO_LABEL_QUALITY, L"IDC_STC_VIDEO_QUALITY"},
    {IDC_VIDEO_LABEL_FORMAT, L"IDC_STC_VIDEO_FORMAT"},
    {IDC_VIDEO_LABEL_OBJECT, L"IDC_STC_VIDEO_RECORDOBJECT"},
    {IDC_VIDEO_RECORD_SCREEN, L"IDC_CHECK_RECORDSCREEN"},
    {IDC_VIDEO_RECORD_CAMERA, L"IDC_CHECK_RECORDCAMERA"},
    {IDC_VIDEO_FULLSCREEN, L"IDC_RADIO_FULLSCREEN"},
    {IDC_VIDEO_USERDEFINED, L"IDC_RADIO_USERDEFINED"},
};

constexpr int kQualityCount = 5;
constexpr int kFolderChars = kSettingsTextChars - 1;

template <size_t N>
void StoreText(wchar_t (&field)[N], std::wstring_view text) {
    const std::wstring cut = CutName(text, N - 1);
    std::memset(field, 0, sizeof(field));
    std::memcpy(field, cut.data(), cut.size() * sizeof(wchar_t));
}

std::vector<std::wstring> QualityTexts() {
    std::vector<std::wstring> texts;
    for (int i = 0; i < kQualityCount; ++i)
        texts.push_back(LoadLanguageText((L"IDC_COMBO_VIDEO_QUALITY_" + std::to_wstring(i)).c_str()));
    return texts;
}

struct CoTaskFree {
    void operator()(void* p) const noexcept { ::CoTaskMemFree(p); }
};

} // namespace

// What the page and its listing worker share. The worker posts its result only while
// target is set; the page clears it (under the lock) when it no longer wants one, which
// happens before its window goes, so nothing is ever posted to a window that is gone.
struct CameraListingState {
    std::mutex lock;
    HWND target = nullptr;
    std::shared_ptr<ISettingsDevices> devices;
};

namespace {

// The camera-listing worker: asks the device library only, touches neither windows nor
// the record, and hands its list to the page by a posted message.
DWORD WINAPI ListCameras(void* param) noexcept {
    std::unique_ptr<std::shared_ptr<CameraListingState>> holder(
        static_cast<std::shared_ptr<CameraListingState>*>(param));
    try {
        const std::shared_ptr<CameraListingState> state = *holder;
        holder.reset();
        auto cameras = std::make_unique<std::vector<CameraListEntry>>();
        const int count = state->devices ? state->devices->CameraCount() : 0;
        for (int i = 0; i < count; ++i) {
            CameraAttr attr{};
            if (!state->devices->CameraAttributes(i, attr)) continue;
            attr.szName[CAMERA_NAME_CHARS - 1] = 0;
            cameras->push_back({i, attr.szName});
        }
        std::lock_guard<std::mutex> guard(state->lock);
        if (state->target) CSettingsVideoDlg::CamerasListed::Post(state->target, std::move(cameras));
        return 0;
    } catch (...) {
        return 1;
    }
}

} // namespace

CSettingsVideoDlg::CSettingsVideoDlg(VideoSettings& video, ISettingsWindowHost& host,
                                     std::shared_ptr<ISettingsDevices> devices)
    : CSettingsPage(IDD_SETTINGS_VIDEO), m_video(video), m_host(host), m_devices(std::move(devices)) {}

CSettingsVideoDlg::~CSettingsVideoDlg() { CancelCameraListing(); }

BOOL CSettingsVideoDlg::OnInitDialog() {
    Place(kPlaces, std::size(kPlaces));
    for (int i = 0; i < 5; ++i) m_labels[i].SubclassDlgItem(IDC_VIDEO_LABEL_FOLDER + i, m_hWnd);
    ::SendMessageW(Item(IDC_VIDEO_FOLDER), EM_LIMITTEXT, kFolderChars, 0);
    m_ready = false;

    m_browse.SubclassDlgItem(IDC_VIDEO_BROWSE, m_hWnd);
    m_browse.SetStateImage(nullptr, 154, 4);
    m_browse.SetToolTipText(true, LoadLanguageText(L"IDC_BTN_SCAN_FOLDER"));

    combo::Fill(Item(IDC_VIDEO_QUALITY), QualityTexts());
    combo::Fill(Item(IDC_VIDEO_FORMAT), {L"wmv"});

    Enable(IDC_VIDEO_RECORD_SCREEN, false);
    Enable(IDC_VIDEO_RECORD_CAMERA, false);
    Check(IDC_VIDEO_RECORD_SCREEN, true);
    ::ShowWindow(Item(IDC_VIDEO_CAMERAS), SW_HIDE);
    SetPreviewText(true);
    Enable(IDC_VIDEO_PREVIEW, false);

    StartCameraListing();
    FillVideoTab();
    SetCaptions(kCaptions, std::size(kCaptions));
    return TRUE;
}

void CSettingsVideoDlg::StartCameraListing() {
    CancelCameraListing();
    auto state = std::make_shared<CameraListingState>();
    state->target = m_hWnd;
    state->devices = m_devices;
    auto* param = new std::shared_ptr<CameraListingState>(state);
    vt::UniqueKernelHandle thread(::CreateThread(nullptr, 0, &ListCameras, param, 0, nullptr));
    if (!thread) {
        delete param;
        // No worker: the page goes on as with no camera at all.
        ApplyCameraList({});
        return;
    }
    // Never waited for nor ended from here: it ends by itself.
    m_listing = std::move(state);
}

void CSettingsVideoDlg::CancelCameraListing() noexcept {
    if (!m_listing) return;
    {
        std::lock_guard<std::mutex> guard(m_listing->lock);
        m_listing->target = nullptr;
    }
    m_listing.reset();
}

LRESULT CSettingsVideoDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == CamerasListed::kId) {
        auto cameras = CamerasListed::Take(lParam);
        // A result that was no longer wanted when it was taken is dropped.
        if (cameras && m_listing) {
            m_listing.reset();
            ApplyCameraList(*cameras);
        }
        return 0;
    }
    return CSettingsPage::WindowProc(msg, wParam, lParam);
}

void CSettingsVideoDlg::OnDestroy() {
    CancelCameraListing();
    CSettingsPage::OnDestroy();
}

void CSettingsVideoDlg::ApplyCameraList(const std::vector<CameraListEntry>& cameras) {
    HWND list = Item(IDC_VIDEO_CAMERAS);
    ::SendMessageW(list, CB_RESETCONTENT, 0, 0);
    std::vector<std::wstring> names;
    for (const CameraListEntry& c : cameras) {
        const LRESULT at = ::SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(c.name.c_str()));
        if (at >= 0) ::SendMessageW(list, CB_SETITEMDATA, static_cast<WPARAM>(at), static_cast<LPARAM>(c.index));
        names.push_back(c.name);
    }
    // The selection is a position in the list; the record keeps the device index.
    const int position = PickEntry(names, m_video.szCameraName);
    if (position >= 0) {
        combo::Select(list, position);
        m_video.nCameraIndex = cameras[static_cast<size_t>(position)].index;
        StoreText(m_video.szCameraName, cameras[static_cast<size_t>(position)].name);
    } else {
        // No camera: the stored name stays for when the camera is back.
        m_video.nCameraIndex = -1;
    }

    const RecordBoxes boxes = BoxesForRecordObject(m_video.nRecordObject, !cameras.empty());
    m_video.nRecordObject = boxes.recordObject;
    Enable(IDC_VIDEO_RECORD_SCREEN, true);
    Enable(IDC_VIDEO_RECORD_CAMERA, !cameras.empty());
    Check(IDC_VIDEO_RECORD_SCREEN, boxes.screen);
    Check(IDC_VIDEO_RECORD_CAMERA, boxes.camera);
    ::ShowWindow(list, boxes.cameraControls ? SW_SHOW : SW_HIDE);
    Enable(IDC_VIDEO_PREVIEW, boxes.cameraControls);
    m_ready = true;
}

void CSettingsVideoDlg::FillVideoTab() {
    std::wstring folder = m_video.szOutDir;
    if (folder.empty()) {
        wchar_t videos[MAX_PATH] = {};
        if (::SHGetSpecialFolderPathW(nullptr, videos, CSIDL_MYVIDEO, FALSE)) folder = videos;
    }
    ::SetDlgItemTextW(m_hWnd, IDC_VIDEO_FOLDER, folder.c_str());
    const bool userDefined = m_video.nRecordRegion == kRecordRegionUserDefined;
    Check(IDC_VIDEO_USERDEFINED, userDefined);
    Check(IDC_VIDEO_FULLSCREEN, !userDefined);
    HWND quality = Item(IDC_VIDEO_QUALITY);
    combo::Select(quality, QualitySelection(m_video.nVideoQuality, combo::Count(quality)));
    HWND format = Item(IDC_VIDEO_FORMAT);
    combo::Select(format, FormatSelection(m_video.nVideoFormat, combo::Count(format)));
}

void CSettingsVideoDlg::FocusFolder() const noexcept {
    HWND edit = Item(IDC_VIDEO_FOLDER);
    ::SetFocus(edit);
    ::SendMessageW(edit, EM_SETSEL, 0, -1);
}

bool CSettingsVideoDlg::CheckOutputFolder() {
    // What is checked is what will be stored: trimmed and within the record's field.
    const std::wstring shown = vt::WindowText(Item(IDC_VIDEO_FOLDER));
    const std::wstring folder = CutName(TrimFolderText(shown), kFolderChars);
    if (folder != shown) ::SetDlgItemTextW(m_hWnd, IDC_VIDEO_FOLDER, folder.c_str());

    if (FolderTextHasInvalidChars(folder)) {
        Message(LoadLanguageText(L"IDS_FOLDER_ERRORNAME"), MB_OK | MB_ICONWARNING);
        FocusFolder();
        return false;
    }
    if (FolderExists(folder)) return true;
    if (Message(FormatLanguageText(LoadLanguageText(L"IDS_FOLDER_TIP"), folder), MB_YESNO | MB_ICONQUESTION) !=
        IDYES) {
        FocusFolder();
        return false;
    }
    if (CreateFolderTree(folder)) return true;
    Message(FormatLanguageText(LoadLanguageText(L"IDS_CREATEDIR_FAILED"), folder), MB_OK | MB_ICONINFORMATION);
    FocusFolder();
    return false;
}

bool CSettingsVideoDlg::CommitVideoTab() {
    const std::wstring folder = CutName(TrimFolderText(vt::WindowText(Item(IDC_VIDEO_FOLDER))), kFolderChars);
    StoreText(m_video.szOutDir, folder);
    m_video.nRecordRegion = IsChecked(IDC_VIDEO_USERDEFINED) ? kRecordRegionUserDefined : kRecordRegionFullScreen;
    if (const int q = combo::Selection(Item(IDC_VIDEO_QUALITY)); q >= 0) m_video.nVideoQuality = q;
    if (const int f = combo::Selection(Item(IDC_VIDEO_FORMAT)); f >= 0) m_video.nVideoFormat = f;
    if (!m_ready) return true;

    m_video.nRecordObject =
        RecordObjectFromBoxes(IsChecked(IDC_VIDEO_RECORD_SCREEN), IsChecked(IDC_VIDEO_RECORD_CAMERA), CameraListEmpty());
    if (m_video.nRecordObject != kRecordObjectScreen) {
        HWND list = Item(IDC_VIDEO_CAMERAS);
        const int position = combo::Selection(list);
        if (position >= 0) {
            m_video.nCameraIndex = ChosenCamera();
            StoreText(m_video.szCameraName, combo::Text(list, position));
        }
    }
    return true;
}

bool CSettingsVideoDlg::OnCommand(WPARAM wParam, LPARAM) {
    const int id = LOWORD(wParam);
    const int code = HIWORD(wParam);
    switch (id) {
    case IDC_VIDEO_BROWSE:
        if (code == BN_CLICKED) Browse();
        return true;
    case IDC_VIDEO_RECORD_SCREEN:
        if (code == BN_CLICKED) OnScreenBox();
        return true;
    case IDC_VIDEO_RECORD_CAMERA:
        if (code == BN_CLICKED) OnCameraBox();
        return true;
    case IDC_VIDEO_PREVIEW:
        if (code == BN_CLICKED) OnPreviewButton();
        return true;
    case IDC_VIDEO_CAMERAS:
        if (code == CBN_SELCHANGE) OnCameraChosen();
        return true;
    default:
        return false;
    }
}

namespace {

int CALLBACK BrowseCallback(HWND dialog, UINT msg, LPARAM lParam, LPARAM data) {
    switch (msg) {
    case BFFM_INITIALIZED: {
        const auto* folder = reinterpret_cast<const wchar_t*>(data);
        // Once more when the dialog has settled: Wine selects its tree's root after this
        // notice. The text lives until the browser returns.
        ::SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, data);
        ::PostMessageW(dialog, BFFM_SETSELECTIONW, TRUE, data);
        ::SendMessageW(dialog, BFFM_SETSTATUSTEXTW, 0, reinterpret_cast<LPARAM>(folder));
        ::SetWindowTextW(dialog, AppName().c_str());
        break;
    }
    case BFFM_SELCHANGED: {
        wchar_t path[MAX_PATH] = {};
        if (::SHGetPathFromIDListW(reinterpret_cast<PCIDLIST_ABSOLUTE>(lParam), path))
            ::SendMessageW(dialog, BFFM_SETSTATUSTEXTW, 0, reinterpret_cast<LPARAM>(path));
        break;
    }
    default:
        break;
    }
    return 0;
}

} // namespace

void CSettingsVideoDlg::Browse() {
    vt::ComInit com;
    const std::wstring folder = vt::WindowText(Item(IDC_VIDEO_FOLDER));
    const std::wstring title = LoadLanguageText(L"IDS_SELECT_FOLDER");
    BROWSEINFOW info{};
    info.hwndOwner = m_hWnd;
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT;
    info.lpfn = &BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(folder.c_str());
    std::unique_ptr<ITEMIDLIST, CoTaskFree> chosen(::SHBrowseForFolderW(&info));
    if (!chosen) return;
    wchar_t path[MAX_PATH] = {};
    if (::SHGetPathFromIDListW(chosen.get(), path)) ::SetDlgItemTextW(m_hWnd, IDC_VIDEO_FOLDER, path);
}

void CSettingsVideoDlg::OnScreenBox() {
    const bool now = !IsChecked(IDC_VIDEO_RECORD_SCREEN);
    Check(IDC_VIDEO_RECORD_SCREEN, ScreenBoxAfterClick(now, IsChecked(IDC_VIDEO_RECORD_CAMERA)));
}

void CSettingsVideoDlg::OnCameraBox() {
    const bool now = !IsChecked(IDC_VIDEO_RECORD_CAMERA);
    const bool ticked = CameraBoxAfterClick(now, IsChecked(IDC_VIDEO_RECORD_SCREEN));
    Check(IDC_VIDEO_RECORD_CAMERA, ticked);
    ::ShowWindow(Item(IDC_VIDEO_CAMERAS), ticked ? SW_SHOW : SW_HIDE);
    if (ticked) {
        OpenPreview();
        Enable(IDC_VIDEO_PREVIEW, true);
    } else {
        if (m_host.CameraWindowExists()) m_host.HideCameraWindow();
        SetPreviewText(true);
        Enable(IDC_VIDEO_PREVIEW, false);
    }
}

void CSettingsVideoDlg::OnPreviewButton() {
    if (m_host.CameraWindowExists() && m_host.CurrentCamera() == ChosenCamera()) {
        if (m_host.IsCameraWindowVisible()) {
            m_host.HideCameraWindow();
            SetPreviewText(true);
        } else {
            m_host.ShowCameraWindow();
            SetPreviewText(false);
        }
        return;
    }
    OpenPreview();
}

void CSettingsVideoDlg::OnCameraChosen() { OpenPreview(); }

void CSettingsVideoDlg::OpenPreview() {
    const int camera = ChosenCamera();
    if (camera < 0) return;
    if (!m_host.CameraWindowExists() && !m_host.CreateCameraWindow()) return;
    // A camera that cannot be opened has been reported by the camera window.
    if (!m_host.SelectCamera(camera)) return;
    m_host.ShowCameraWindow();
    SetPreviewText(false);
}

void CSettingsVideoDlg::SetPreviewText(bool open) {
    ::SetDlgItemTextW(m_hWnd, IDC_VIDEO_PREVIEW,
                      LoadLanguageText(open ? L"IDC_BTN_PREVIEW_OPEN" : L"IDC_BTN_PREVIEW_CLOSE").c_str());
}

int CSettingsVideoDlg::ChosenCamera() const noexcept {
    HWND list = Item(IDC_VIDEO_CAMERAS);
    const int position = combo::Selection(list);
    if (position < 0) return -1;
    return static_cast<int>(::SendMessageW(list, CB_GETITEMDATA, static_cast<WPARAM>(position), 0));
}

bool CSettingsVideoDlg::CameraListEmpty() const noexcept { return combo::Count(Item(IDC_VIDEO_CAMERAS)) == 0; }
