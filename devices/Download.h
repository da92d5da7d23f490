// HTTP downloads for the update check and the encoder installation. A download counts
// only with status 200 and a complete body; it is written beside the target as
// "<name>.part" and replaces the target only then, so a failed, cancelled or refused
// transfer never damages the file already there.
#pragma once

#include "toolkit/InternetHandle.h"
#include "toolkit/Raii.h"

#include <string>

// Set by the waiting side, seen by the worker: between chunks and while it waits for
// an installer.
class CancelFlag {
public:
    CancelFlag() noexcept : m_event(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    void Set() const noexcept { ::SetEvent(m_event.Get()); }
    bool IsSet() const noexcept { return ::WaitForSingleObject(m_event.Get(), 0) == WAIT_OBJECT_0; }
    HANDLE Handle() const noexcept { return m_event.Get(); }

private:
    vt::UniqueKernelHandle m_event;
};

// Bounds on every network step, set on the connection and request handles (WinINet
// does not pass a session's timeouts on to every kind of request).
struct HttpTimeouts {
    DWORD connectMs = 15000;
    DWORD sendMs = 15000;
    DWORD receiveMs = 15000;
};

enum class FetchResult {
    Ok,
    OpenFailed,     // no connection, no answer, or a status other than 200
    TransferFailed, // a read, the file, a short body or the SHA-256 failed
    Cancelled,
};

// InternetOpenW for the downloads: agent "Updater", the system's proxy settings.
vt::UniqueInternet OpenInternetSession();

// An HTTP request that has been answered with status 200 (the connection handle lives
// as long as the request).
struct HttpResponse {
    vt::UniqueInternet connection;
    vt::UniqueInternet request;
    explicit operator bool() const noexcept { return static_cast<bool>(request); }
};
// Opens an absolute http:// or https:// address (canonicalised) with a GET request;
// an empty response on failure or for any status but 200 (given in *status when asked).
HttpResponse OpenHttpUrl(HINTERNET session, const std::wstring& url, const HttpTimeouts& timeouts,
                         DWORD* status = nullptr);

// Copies the response body into path + ".part" in 4096-byte chunks, the cancel flag
// tested after each; when the body is complete (and, if expectedSha256 is not empty,
// has that SHA-256, hex in any case) the part file replaces path. The part file is
// deleted whenever the step fails.
FetchResult DownloadToFile(HINTERNET request, const std::wstring& path, const CancelFlag* cancel,
                           const std::wstring& expectedSha256 = std::wstring());

// OpenHttpUrl, then DownloadToFile.
FetchResult FetchUrlToFile(HINTERNET session, const std::wstring& url, const std::wstring& path,
                           const HttpTimeouts& timeouts, const CancelFlag* cancel,
                           const std::wstring& expectedSha256 = std::wstring());
