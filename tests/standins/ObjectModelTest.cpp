// The encoder objects as the registered server answers them: late binding by name, the
// values the session relies on, and the failures of calls made in the wrong order.
#include "Session.h"

#include <gtest/gtest.h>
#include <tlhelp32.h>

#include <string>

using namespace standin_test;

namespace {

class EncoderObjects : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(m_com.Result())); }

    static std::wstring TempFile(const wchar_t* name) {
        wchar_t dir[MAX_PATH];
        GetTempPathW(MAX_PATH, dir);
        return std::wstring(dir) + name;
    }
    static SessionSetup SmallScreen(const wchar_t* file) {
        SessionSetup s;
        s.rect = RECT{0, 0, 320, 240};
        s.width = 320;
        s.height = 240;
        s.path = TempFile(file);
        return s;
    }
    static int ThreadCount() {
        vt::UniqueKernelHandle snap(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
        THREADENTRY32 te{sizeof(te)};
        int n = 0;
        for (BOOL ok = Thread32First(snap.Get(), &te); ok; ok = Thread32Next(snap.Get(), &te)) {
            if (te.th32OwnerProcessID == GetCurrentProcessId()) ++n;
        }
        return n;
    }
    // Wine counts no handles (GetProcessHandleCount gives 0), but it hands out the lowest
    // free slot: a handle opened now lands higher when handles were left open since.
    static uintptr_t NextHandleSlot() {
        HANDLE h = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        CloseHandle(h);
        return reinterpret_cast<uintptr_t>(h);
    }

    vt::ComInit m_com;
};

TEST_F(EncoderObjects, AnswersTheInterfacesTheLibraryAsksFor) {
    Session s;
    ASSERT_EQ(s.Build(SmallScreen(L"standin_ifaces.wmv")), S_OK);
    const IID encoder2 = {0x632B6081, 0xBBC6, 0x11D2, {0xA3, 0x29, 0x00, 0x60, 0x97, 0xC4, 0xE4, 0x76}};
    const IID video2 = {0xC0973771, 0x5F87, 0x456A, {0xB3, 0x1B, 0x51, 0x71, 0xC2, 0x8A, 0xC0, 0x1E}};
    const IID audio = {0xC0973772, 0x5F87, 0x456A, {0xB3, 0x1B, 0x51, 0x71, 0xC2, 0x8A, 0xC0, 0x1E}};
    const IID profile2 = {0xC70E1CAC, 0x32D2, 0x4E22, {0xA0, 0xFF, 0x3A, 0x32, 0xE3, 0x15, 0xD0, 0x95}};
    const IID profile = {0x632B6078, 0xBBC6, 0x11D2, {0xA3, 0x29, 0x00, 0x60, 0x97, 0xC4, 0xE4, 0x76}};
    vt::ComPtr<IDispatch> d;
    EXPECT_EQ(s.encoder.As(encoder2, d), S_OK);
    EXPECT_EQ(s.video.As(video2, d), S_OK);
    EXPECT_EQ(s.video.As(audio, d), E_NOINTERFACE);
    vt::ComPtr<IPropertyBag> bag;
    ASSERT_EQ(s.video.As(IID_IPropertyBag, bag), S_OK);
    EXPECT_EQ(s.profile.As(profile2, d), S_OK);
    EXPECT_EQ(s.profile.As(profile, d), S_OK);

    // The property bag keeps what was written.
    Var v(123L);
    EXPECT_EQ(bag->Write(L"Left", &v.v), S_OK);
    Var back;
    EXPECT_EQ(bag->Read(L"left", &back.v, nullptr), S_OK);
    EXPECT_EQ(back.Long(), 123);
    EXPECT_EQ(bag->Write(L"NoSuchProperty", &v.v), E_INVALIDARG);
    s.Stop();
}

TEST_F(EncoderObjects, LateBindingErrors) {
    vt::ComPtr<IDispatch> enc;
    ASSERT_EQ(CoCreateInstance(kClsidEncoder, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, enc.PutVoid()), S_OK);
    Var r;
    EXPECT_EQ(Method(enc.Get(), L"NoSuchMember"), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(Method(enc.Get(), L"Start", {Var(1L)}), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(Method(enc.Get(), L"PrepareToEncode"), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(Put(enc.Get(), L"RunState", {Var(2L)}), DISP_E_MEMBERNOTFOUND);  // read-only
    EXPECT_EQ(Get(enc.Get(), L"runstate", {}, &r), S_OK);  // names are case-insensitive
    EXPECT_EQ(r.Long(), 5);
    // A DISPID nobody handed out.
    DISPPARAMS none{};
    EXPECT_EQ(enc->Invoke(4711, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr),
              DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(enc->Invoke(1, IID_IDispatch, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr),
              DISP_E_UNKNOWNINTERFACE);

    vt::ComPtr<IDispatch> prof;
    ASSERT_EQ(CoCreateInstance(kClsidProfile, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, prof.PutVoid()), S_OK);
    ASSERT_EQ(Method(prof.Get(), L"AddAudience", {Var(1000000L)}, &r), S_OK);
    auto au = r.Object();
    EXPECT_EQ(Put(au.Get(), L"VideoWidth", {Var::Short(0), Var(L"wide")}), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(Put(au.Get(), L"VideoWidth", {Var(L"640")}), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(Method(prof.Get(), L"AddAudience", {Var(L"many")}), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(Put(prof.Get(), L"ProfileName", {}), DISP_E_BADPARAMCOUNT);
}

TEST_F(EncoderObjects, ProfileKeepsValuesAndValidates) {
    vt::ComPtr<IDispatch> prof;
    ASSERT_EQ(CoCreateInstance(kClsidProfile, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, prof.PutVoid()), S_OK);
    Var r;
    EXPECT_NE(Method(prof.Get(), L"Validate"), S_OK);  // no audience yet
    EXPECT_EQ(Put(prof.Get(), L"ProfileName", {Var(L"Custom Screen Capture Profile")}), S_OK);
    EXPECT_EQ(Get(prof.Get(), L"ProfileName", {}, &r), S_OK);
    EXPECT_EQ(r.String(), L"Custom Screen Capture Profile");
    EXPECT_EQ(Put(prof.Get(), L"ContentType", {Var(17L)}), S_OK);
    EXPECT_EQ(Get(prof.Get(), L"ContentType", {}, &r), S_OK);
    EXPECT_EQ(r.Long(), 17);
    EXPECT_EQ(Put(prof.Get(), L"VBRMode", {Var(2L), Var::Short(0), Var(1L)}), S_OK);
    EXPECT_EQ(Get(prof.Get(), L"VideoCodecCount", {}, &r), S_OK);
    EXPECT_GE(r.Long(), 1);
    EXPECT_EQ(Method(prof.Get(), L"GetCodecIndexFromFourCC", {Var(2L), Var(0x33564D57L)}, &r), S_OK);
    EXPECT_EQ(r.Long(), 0);

    ASSERT_EQ(Method(prof.Get(), L"AddAudience", {Var(9064000L)}, &r), S_OK);
    auto au = r.Object();
    EXPECT_EQ(Get(au.Get(), L"Bitrate", {}, &r), S_OK);
    EXPECT_EQ(r.Long(), 9064000);
    auto set = [&](const wchar_t* name, LONG v) { return Put(au.Get(), name, {Var::Short(0), Var(v)}); };
    EXPECT_EQ(set(L"VideoWidth", 1364), S_OK);
    EXPECT_EQ(set(L"VideoHeight", 766), S_OK);
    EXPECT_EQ(set(L"VideoFPS", 24000), S_OK);
    EXPECT_EQ(Get(au.Get(), L"VideoWidth", {Var::Short(0)}, &r), S_OK);
    EXPECT_EQ(r.Long(), 1364);
    EXPECT_EQ(Method(prof.Get(), L"Validate"), S_OK);

    struct Bad { const wchar_t* name; LONG value; } bad[] = {
        {L"VideoWidth", 1365}, {L"VideoHeight", 0}, {L"VideoFPS", 999}, {L"VideoFPS", 30001}};
    for (const Bad& b : bad) {
        Var old;
        Get(au.Get(), b.name, {Var::Short(0)}, &old);
        set(b.name, b.value);
        EXPECT_NE(Method(prof.Get(), L"Validate"), S_OK) << b.value;
        set(b.name, old.Long());
    }
    EXPECT_EQ(Method(prof.Get(), L"Validate"), S_OK);
}

TEST_F(EncoderObjects, InputsThatAreRefused) {
    vt::ComPtr<IDispatch> enc;
    ASSERT_EQ(CoCreateInstance(kClsidEncoder, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, enc.PutVoid()), S_OK);
    Var r;
    ASSERT_EQ(Get(enc.Get(), L"SourceGroupCollection", {}, &r), S_OK);
    auto groups = r.Object();
    ASSERT_EQ(Method(groups.Get(), L"Add", {Var(L"SourceGroup1")}, &r), S_OK);
    auto group = r.Object();
    EXPECT_NE(Method(group.Get(), L"AddSource", {Var(4L)}), S_OK);
    ASSERT_EQ(Method(group.Get(), L"AddSource", {Var(2L)}, &r), S_OK);
    auto video = r.Object();
    EXPECT_NE(Method(video.Get(), L"SetInput", {Var(L"Device://Some Camera"), Var(L""), Var(L"")}), S_OK);
    EXPECT_EQ(Method(video.Get(), L"SetInput", {Var(L"ScreenCap://ScreenCapture1"), Var(L""), Var(L"")}), S_OK);
    ASSERT_EQ(Method(group.Get(), L"AddSource", {Var(1L)}, &r), S_OK);
    auto audio = r.Object();
    EXPECT_NE(Method(audio.Get(), L"SetInput", {Var(L"ScreenCap://ScreenCapture1"), Var(L""), Var(L"")}), S_OK);
    EXPECT_EQ(Method(audio.Get(), L"SetInput", {Var(L"Device://Default_Audio_Device"), Var(L""), Var(L"")}), S_OK);
    // No profile on the group: nothing to prepare.
    EXPECT_NE(Method(enc.Get(), L"PrepareToEncode", {Var::Bool(true)}), S_OK);
}

TEST_F(EncoderObjects, PrepareFailsForWhatCannotBeOpened) {
    {
        SessionSetup setup = SmallScreen(L"standin_noaudio.wmv");
        setup.audio = L"No Such Input Device";
        Session s;
        EXPECT_NE(s.Build(setup), S_OK);
    }
    {
        SessionSetup setup = SmallScreen(L"x.wmv");
        setup.path = TempFile(L"no-such-folder\\x.wmv");
        Session s;
        EXPECT_NE(s.Build(setup), S_OK);
    }
    {
        SessionSetup setup = SmallScreen(L"x.wmv");
        setup.path.clear();
        Session s;
        EXPECT_NE(s.Build(setup), S_OK);
    }
}

TEST_F(EncoderObjects, CallsOutOfOrderFailWithoutHarm) {
    int threads = 0;
    uintptr_t slot = 0;
    for (int round = 0; round < 4; ++round) {
        if (round == 1) {  // after a first round has loaded and started what stays
            threads = ThreadCount();
            slot = NextHandleSlot();
        }
        vt::ComPtr<IDispatch> enc;
        ASSERT_EQ(CoCreateInstance(kClsidEncoder, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, enc.PutVoid()), S_OK);
        EXPECT_NE(Method(enc.Get(), L"Start"), S_OK);  // before PrepareToEncode
        EXPECT_NE(Method(enc.Get(), L"Pause"), S_OK);
        EXPECT_NE(Method(enc.Get(), L"Stop"), S_OK);
        EXPECT_EQ(Method(enc.Get(), L"PrepareToEncode", {Var::Bool(false)}), S_OK);

        Session s;
        ASSERT_EQ(s.Build(SmallScreen(L"standin_order.wmv")), S_OK);
        EXPECT_NE(Method(s.encoder.Get(), L"PrepareToEncode", {Var(L"maybe")}), S_OK);
        EXPECT_EQ(s.RunState(), 5);
        EXPECT_EQ(s.Start(), S_OK);
        EXPECT_EQ(s.RunState(), 2);
        Sleep(200);
        EXPECT_EQ(s.Pause(), S_OK);
        EXPECT_EQ(s.RunState(), 3);
        EXPECT_EQ(s.Start(), S_OK);
        Sleep(100);
        EXPECT_EQ(s.Stop(), S_OK);
        EXPECT_EQ(s.RunState(), 5);
        EXPECT_NE(Method(s.encoder.Get(), L"Stop"), S_OK);  // twice
        EXPECT_NE(s.Pause(), S_OK);

        // A running recording whose encoder goes first, before its children.
        Session t;
        ASSERT_EQ(t.Build(SmallScreen(L"standin_release.wmv")), S_OK);
        ASSERT_EQ(t.Start(), S_OK);
        Sleep(150);
        t.encoder.Reset();
        EXPECT_EQ(Method(t.video.Get(), L"SetInput", {Var(L"ScreenCap://ScreenCapture1"), Var(L""), Var(L"")}), S_OK);
        Var r;
        EXPECT_EQ(Get(t.file.Get(), L"LocalFileName", {}, &r), S_OK);
        t.file.Reset();
        t.profile.Reset();
        t.group.Reset();
    }
    EXPECT_EQ(ThreadCount(), threads);
    EXPECT_LE(NextHandleSlot(), slot);
}

} // namespace

namespace {

std::wstring RegString(HKEY root, const wchar_t* key, const wchar_t* name) {
    wchar_t buf[MAX_PATH] = {};
    DWORD size = sizeof(buf);
    if (RegGetValueW(root, key, name, RRF_RT_REG_SZ, nullptr, buf, &size) != ERROR_SUCCESS) return L"<missing>";
    return buf;
}

} // namespace

TEST(StandinRegistration, RegistersBothClassesAndTheEncoderVersionAndUndoesIt) {
    const wchar_t* encoderKey = L"CLSID\\{632B606A-BBC6-11D2-A329-006097C4E476}\\InprocServer32";
    const wchar_t* profileKey = L"CLSID\\{A5AC04E7-3E13-48CE-A43F-9FBA59DB1544}\\InprocServer32";
    const wchar_t* versionKey = L"SOFTWARE\\Microsoft\\Windows Media\\Encoder";
    vt::UniqueModule dll(LoadLibraryW(L"standin_wmenc.dll"));
    ASSERT_TRUE(dll);
    using Entry = HRESULT(__stdcall*)();
    auto reg = reinterpret_cast<Entry>(GetProcAddress(dll.Get(), "DllRegisterServer"));
    auto unreg = reinterpret_cast<Entry>(GetProcAddress(dll.Get(), "DllUnregisterServer"));
    auto canUnload = reinterpret_cast<Entry>(GetProcAddress(dll.Get(), "DllCanUnloadNow"));
    ASSERT_TRUE(reg && unreg && canUnload);

    EXPECT_EQ(unreg(), S_OK);
    EXPECT_EQ(RegString(HKEY_CLASSES_ROOT, encoderKey, nullptr), L"<missing>");
    EXPECT_EQ(RegString(HKEY_LOCAL_MACHINE, versionKey, L"Version"), L"<missing>");

    ASSERT_EQ(reg(), S_OK);
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(dll.Get(), path, MAX_PATH);
    for (const wchar_t* key : {encoderKey, profileKey}) {
        EXPECT_EQ(RegString(HKEY_CLASSES_ROOT, key, nullptr), path);
        EXPECT_EQ(RegString(HKEY_CLASSES_ROOT, key, L"ThreadingModel"), L"Apartment");
    }
    EXPECT_EQ(RegString(HKEY_LOCAL_MACHINE, versionKey, L"Version"), L"9.00.00.2980");
    EXPECT_EQ(canUnload(), S_OK);  // every object of the tests before is gone
}
