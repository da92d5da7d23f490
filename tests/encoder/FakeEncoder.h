// A stand-in for the encoder's automation objects inside the test program: every object
// answers by name through IDispatch, every call is written to one log with its
// arguments, and any call can be made to fail.
#pragma once

#include <windows.h>
#include <oaidl.h>
#include <set>
#include <string>
#include <vector>

namespace fake {

struct World {
    // "Create WMEncoder IWMEncoder2 ctx=1", "profile1.put ContentType(i4:16)",
    // "video1.Write Screen=bool:0", "video1.QI IPropertyBag", "~encoder1".
    std::vector<std::string> log;
    // Keys are log entries without their arguments: "profile1.put ContentType",
    // "Create WMEncoder", "video1.Write Left", "video1.QI IPropertyBag".
    struct Failure {
        std::string key;
        int occurrence;  // 1-based; 0 = every time
    };
    std::vector<Failure> failures;
    std::vector<std::pair<std::string, int>> seen;
    // "encoder1.Start" -> how often GetIDsOfNames was asked for it.
    std::vector<std::pair<std::string, int>> resolved;
    std::set<std::string> live;
    std::vector<std::pair<std::string, int>> labels;
    LONG codecCount = 4;
    LONG codecIndex = 2;
    bool codecIndexAsI2 = false;
    HRESULT failure = E_FAIL;

    void Fail(const std::string& key, int occurrence = 0) { failures.push_back({key, occurrence}); }
    bool ShouldFail(const std::string& key);
    std::string NewLabel(const std::string& kind);
    std::vector<std::string> Calls() const;     // the log without releases
    std::vector<std::string> Releases() const;  // only the "~label" entries
    int Resolved(const std::string& key) const;
};

World& TheWorld();
void Reset();

// Installed with SetEncoderCreateInstance.
HRESULT STDAPICALLTYPE CreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD context, REFIID iid,
                                      LPVOID* out);

std::string Describe(const VARIANT& v);

} // namespace fake
