#include "devices/Download.h"

#include "toolkit/WebAddress.h"

#include <bcrypt.h>

#include <cwctype>
#include <vector>

namespace {

constexpr DWORD kChunk = 4096;

void SetTimeouts(HINTERNET handle, const HttpTimeouts& t) {
    DWORD connect = t.connectMs, send = t.sendMs, receive = t.receiveMs, retries = 1;
    ::InternetSetOptionW(handle, INTERNET_OPTION_CONNECT_TIMEOUT, &connect, sizeof(connect));
    ::InternetSetOptionW(handle, INTERNET_OPTION_CONNECT_RETRIES, &retries, sizeof(retries));
    ::InternetSetOptionW(handle, INTERNET_OPTION_SEND_TIMEOUT, &send, sizeof(send));
    ::InternetSetOptionW(handle, INTERNET_OPTION_RECEIVE_TIMEOUT, &receive, sizeof(receive));
    ::InternetSetOptionW(handle, INTERNET_OPTION_DATA_SEND_TIMEOUT, &send, sizeof(send));
    ::InternetSetOptionW(handle, INTERNET_OPTION_DATA_RECEIVE_TIMEOUT, &receive, sizeof(receive));
}

// Incremental SHA-256 through CNG.
class Sha256 {
public:
    Sha256() {
        if (!BCRYPT_SUCCESS(::BCryptOpenAlgorithmProvider(&m_alg, BCRYPT_SHA256_ALGORITHM, nullptr, 0))) {
            m_alg = nullptr;
            return;
        }
        if (!BCRYPT_SUCCESS(::BCryptCreateHash(m_alg, &m_hash, nullptr, 0, nullptr, 0, 0))) m_hash = nullptr;
    }
    ~Sha256() {
        if (m_hash) ::BCryptDestroyHash(m_hash);
        if (m_alg) ::BCryptCloseAlgorithmProvider(m_alg, 0);
    }
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    bool Add(const unsigned char* data, DWORD size) {
        return m_hash && BCRYPT_SUCCESS(::BCryptHashData(m_hash, const_cast<PUCHAR>(data), size, 0));
    }
    // Lower-case hex; empty on failure.
    std::wstring Finish() {
        unsigned char digest[32] = {};
        if (!m_hash || !BCRYPT_SUCCESS(::BCryptFinishHash(m_hash, digest, sizeof(digest), 0))) return {};
        static constexpr wchar_t kHex[] = L"0123456789abcdef";
        std::wstring hex;
        for (unsigned char b : digest) {
            hex += kHex[b >> 4];
            hex += kHex[b & 15];
        }
        return hex;
    }

private:
    BCRYPT_ALG_HANDLE m_alg = nullptr;
    BCRYPT_HASH_HANDLE m_hash = nullptr;
};

bool SameHex(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::towlower(a[i]) != std::towlower(b[i])) return false;
    }
    return true;
}

// The Content-Length the server sent, or -1.
long long ContentLength(HINTERNET request) {
    wchar_t text[32] = {};
    DWORD size = sizeof(text);
    if (!::HttpQueryInfoW(request, HTTP_QUERY_CONTENT_LENGTH, text, &size, nullptr)) return -1;
    long long value = 0;
    bool any = false;
    for (const wchar_t* p = text; *p; ++p) {
        if (*p < L'0' || *p > L'9' || value > (1LL << 50)) return -1;
        value = value * 10 + (*p - L'0');
        any = true;
    }
    return any ? value : -1;
}

} // namespace

vt::UniqueInternet OpenInternetSession() {
    return vt::UniqueInternet(::InternetOpenW(L"Updater", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
}

HttpResponse OpenHttpUrl(HINTERNET session, const std::wstring& url, const HttpTimeouts& timeouts, DWORD* status) {
    if (status) *status = 0;
    if (!session || !vt::IsWebAddress(url)) return {};
    wchar_t canonical[1024] = {};
    DWORD length = 1024;
    if (!::InternetCanonicalizeUrlW(url.c_str(), canonical, &length, ICU_BROWSER_MODE)) return {};

    wchar_t host[256] = {};
    std::vector<wchar_t> path(1024), extra(1024);
    URL_COMPONENTSW parts{};
    parts.dwStructSize = sizeof(parts);
    parts.lpszHostName = host;
    parts.dwHostNameLength = 256;
    parts.lpszUrlPath = path.data();
    parts.dwUrlPathLength = static_cast<DWORD>(path.size());
    parts.lpszExtraInfo = extra.data();
    parts.dwExtraInfoLength = static_cast<DWORD>(extra.size());
    if (!::InternetCrackUrlW(canonical, 0, 0, &parts)) return {};
    if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) return {};
    const bool secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
    std::wstring object = std::wstring(path.data()) + extra.data();
    if (object.empty()) object = L"/";

    HttpResponse r;
    r.connection.Reset(::InternetConnectW(session, host, parts.nPort, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    if (!r.connection) return {};
    SetTimeouts(r.connection.Get(), timeouts);
    const DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_RESYNCHRONIZE | INTERNET_FLAG_HYPERLINK |
                        INTERNET_FLAG_NEED_FILE | INTERNET_FLAG_NO_UI | (secure ? INTERNET_FLAG_SECURE : 0);
    const wchar_t* accept[] = {L"*/*", nullptr};
    r.request.Reset(::HttpOpenRequestW(r.connection.Get(), L"GET", object.c_str(), nullptr, nullptr, accept, flags, 0));
    if (!r.request) return {};
    SetTimeouts(r.request.Get(), timeouts);
    if (!::HttpSendRequestW(r.request.Get(), nullptr, 0, nullptr, 0)) return {};
    DWORD code = 0;
    DWORD size = sizeof(code);
    if (!::HttpQueryInfoW(r.request.Get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &code, &size, nullptr))
        return {};
    if (status) *status = code;
    // A 404 page is an answer too; only the file itself counts.
    if (code != HTTP_STATUS_OK) return {};
    return r;
}

FetchResult DownloadToFile(HINTERNET request, const std::wstring& path, const CancelFlag* cancel,
                           const std::wstring& expectedSha256) {
    const std::wstring part = path + L".part";
    FetchResult result = FetchResult::TransferFailed;
    {
        vt::UniqueKernelHandle file(::CreateFileW(part.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                                  FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return FetchResult::TransferFailed;
        Sha256 hash;
        const long long expectedLength = ContentLength(request);
        long long total = 0;
        std::vector<unsigned char> buffer(kChunk);
        for (;;) {
            DWORD read = 0;
            if (!::InternetReadFile(request, buffer.data(), kChunk, &read)) break;
            if (read == 0) {
                if (expectedLength < 0 || total == expectedLength) result = FetchResult::Ok;
                break;
            }
            DWORD written = 0;
            if (!::WriteFile(file.Get(), buffer.data(), read, &written, nullptr) || written != read) break;
            total += read;
            if (!expectedSha256.empty() && !hash.Add(buffer.data(), read)) break;
            if (cancel && cancel->IsSet()) {
                result = FetchResult::Cancelled;
                break;
            }
        }
        if (result == FetchResult::Ok && !expectedSha256.empty() && !SameHex(hash.Finish(), expectedSha256))
            result = FetchResult::TransferFailed;
        if (result == FetchResult::Ok && !::FlushFileBuffers(file.Get())) result = FetchResult::TransferFailed;
    }
    if (result == FetchResult::Ok &&
        !::MoveFileExW(part.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        result = FetchResult::TransferFailed;
    if (result != FetchResult::Ok) ::DeleteFileW(part.c_str());
    return result;
}

FetchResult FetchUrlToFile(HINTERNET session, const std::wstring& url, const std::wstring& path,
                           const HttpTimeouts& timeouts, const CancelFlag* cancel, const std::wstring& expectedSha256) {
    HttpResponse response = OpenHttpUrl(session, url, timeouts);
    if (!response) return FetchResult::OpenFailed;
    return DownloadToFile(response.request.Get(), path, cancel, expectedSha256);
}
