// An HTTP server on 127.0.0.1 that a test starts and stops itself: each path answers
// with a status and a body, whole or in one of the ways a server goes wrong. Targets in
// absolute form ("GET http://host/path", as sent to a proxy) are served by their path.
#pragma once

#include "toolkit/Raii.h"

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace nettest {

struct Route {
    enum Mode {
        Whole,       // headers and the whole body
        Truncated,   // announces more than it sends, then closes
        NoAnswer,    // reads the request and says nothing until the server stops
        StallBody,   // headers and the first gateAt bytes, then nothing
        Gate,        // headers and gateAt bytes, then waits for OpenGate before the rest
    };
    int status = 200;
    std::string body;
    Mode mode = Whole;
    size_t gateAt = 0;
};

class LoopbackServer {
public:
    LoopbackServer();
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    void Set(const std::string& path, Route route);
    void Set(const std::string& path, const std::string& body) { Set(path, Route{200, body}); }
    int Port() const { return m_port; }
    // http://127.0.0.1:<port><path>
    std::wstring Url(const std::string& path) const;
    // The request lines received so far ("GET /x HTTP/1.1").
    std::vector<std::string> Requests() const;
    // Signalled when a Gate route has sent its first part; OpenGate lets it go on.
    HANDLE GateReached() const { return m_gateReached.Get(); }
    void OpenGate() const { ::SetEvent(m_gateOpen.Get()); }

private:
    void AcceptLoop();
    void Serve(std::uintptr_t client);

    std::uintptr_t m_listen = 0; // a SOCKET
    int m_port = 0;
    vt::UniqueKernelHandle m_stop, m_gateReached, m_gateOpen;
    mutable std::mutex m_lock;
    std::map<std::string, Route> m_routes;
    std::vector<std::string> m_requests;
    std::vector<std::uintptr_t> m_clients;
    std::vector<std::thread> m_threads;
    std::thread m_acceptor;
};

// A port on 127.0.0.1 where nobody listens (connections are refused).
int ClosedPort();

} // namespace nettest
