// The record thread against the fake library: every call on the thread, in order, each
// failure closing the instance once, commands served as they come.
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

TEST_F(RecordThreadTest, MakesEveryCallOnItsOwnThreadInOrder) {
    fakeapi::Reset();
    CRecordThread thread;
    ASSERT_TRUE(thread.Start(Job()));
    ASSERT_TRUE(apptest::PumpUntil([&] { return receiver.Has(WM_RECORD_STARTED); }));
    EXPECT_EQ(0, receiver.Code(WM_RECORD_STARTED));
    thread.Pause();
    ASSERT_TRUE(apptest::PumpUntil([&] { return receiver.Has(WM_RECORD_PAUSED); }));
    thread.Continue();
    ASSERT_TRUE(apptest::PumpUntil([&] { return receiver.Has(WM_RECORD_CONTINUED); }));
    thread.Stop();
    ASSERT_TRUE(apptest::PumpUntil([&] { return receiver.Has(WM_RECORD_FINISHED); }));
    EXPECT_TRUE(thread.Join(5000));

    EXPECT_EQ((std::vector<std::string>{"Creator", "SetEncodeParam", "SetOutputPath", "Start", "Pause", "Continue",
                                        "Stop", "Close"}),
              fakeapi::Names());
    const auto calls = fakeapi::Calls();
    for (const auto& c : calls) {
        EXPECT_EQ(calls.front().thread, c.thread) << c.name;
        EXPECT_NE(::GetCurrentThreadId(), c.thread) << c.name;
    }
    EXPECT_EQ(L"C:\\out\\2014-12-05-09-07-03.wmv", fakeapi::LastPath());
    EXPECT_EQ(320, fakeapi::LastParam().nVideoWidth);
}

TEST_F(RecordThreadTest, EachFailingStepClosesOnceAndReportsItsCode) {
    const struct {
        const char* step;
        int code;
        int expected;
        const char* trace;
    } cases[] = {
        {"Creator", 0, 1, nullptr},
        {"SetEncodeParam", 0x007B0004, 0x007B0004, "SEncoderSetEncodeParam Failed,Error Code : 8060932"},
        {"SetOutputPath", 1, 1, "SEncoderSetOutputPath Failed,Error Code : 1"},
        {"Start", 0x00BF0002, 0x00BF0002, "SEncoderStart Failed,Error Code : 12517378"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.step);
        fakeapi::Config config;
        config.failStep = c.step;
        config.failCode = c.code;
        fakeapi::Reset(config);
        receiver.got.clear();
        TraceCapture traces;
        CRecordThread thread;
        ASSERT_TRUE(thread.Start(Job()));
        ASSERT_TRUE(apptest::PumpUntil([&] { return receiver.Has(WM_RECORD_STARTED); }));
        EXPECT_TRUE(thread.Join(5000));
        EXPECT_EQ(c.expected, receiver.Code(WM_RECORD_STARTED));
        EXPECT_EQ(std::string(c.step) == "Creator" ? 0 : 1, fakeapi::Count("Close"));
        EXPECT_EQ(0, fakeapi::Count("Stop"));
        if (c.trace) {
            const auto lines = traces.Lines();
            EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), c.trace));
        }
    }
}

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
