// The record thread against the fake library, for what the main window's tests do not
// reach: a stop that fails, and an owner that goes while the encoder runs. (Call order,
// threads and failing steps are checked through the main window.)
#include "AppTestSupport.h"
#include "FakeEncoderApi.h"
#include "encoder/TraceCapture.h"

#include "app/RecordThread.h"
#include "app/RecorderMessages.h"

#include <gtest/gtest.h>

namespace {

// A message-only window that keeps what the thread posts.
class CReceiver : public vt::CWnd {
public:
    std::vector<std::pair<UINT, int>> got;
    bool Has(UINT msg) const {
        for (const auto& m : got) if (m.first == msg) return true;
        return false;
    }
    int Code(UINT msg) const {
        for (const auto& m : got) if (m.first == msg) return m.second;
        return -12345;
    }

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg >= WM_RECORD_STARTED && msg <= WM_RECORD_CONTINUED) {
            got.push_back({msg, static_cast<int>(static_cast<unsigned>(wParam))});
            return 0;
        }
        return CWnd::WindowProc(msg, wParam, lParam);
    }
};

class RecordThreadTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(receiver.CreateEx({.parent = HWND_MESSAGE})); }
    RecordJob Job() {
        RecordJob job;
        job.source.nSourceType = SENCODER_SOURCE_RECT;
        job.source.rcCapture = RECT{0, 0, 320, 240};
        job.param.nVideoWidth = 320;
        job.param.nVideoHeight = 240;
        job.outputPath = L"C:\\out\\2014-12-05-09-07-03.wmv";
        job.notify = receiver.GetSafeHwnd();
        job.api = fakeapi::Api();
        return job;
    }
    CReceiver receiver;
};

TEST_F(RecordThreadTest, AFailingStopIsTriedAgainUntilItSucceeds) {
    fakeapi::Config config;
    config.stopFailures = 2;
    fakeapi::Reset(config);
    TraceCapture traces;
    CRecordThread thread;
    ASSERT_TRUE(thread.Start(Job()));
    ASSERT_TRUE(apptest::PumpUntil([&] { return receiver.Has(WM_RECORD_STARTED); }));
    thread.Stop();
    ASSERT_TRUE(apptest::PumpUntil([&] { return receiver.Has(WM_RECORD_FINISHED); }, 10000));
    EXPECT_EQ(3, fakeapi::Count("Stop"));
    EXPECT_EQ(1, fakeapi::Count("Close"));
    const auto lines = traces.Lines();
    EXPECT_EQ(2, std::count(lines.begin(), lines.end(), std::string("SEncoderStop Failed,Error Code : 11141122")));
}

TEST_F(RecordThreadTest, AnOwnerThatGoesStopsTheRecordingFirst) {
    fakeapi::Reset();
    {
        CRecordThread thread;
        ASSERT_TRUE(thread.Start(Job()));
        ASSERT_TRUE(apptest::PumpUntil([&] { return receiver.Has(WM_RECORD_STARTED); }));
    }
    EXPECT_EQ("Close", fakeapi::Names().back());
    EXPECT_EQ(1, fakeapi::Count("Stop"));
}

} // namespace
