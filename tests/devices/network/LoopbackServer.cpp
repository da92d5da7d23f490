#include <winsock2.h>
#include <ws2tcpip.h>

#include "devices/network/LoopbackServer.h"

namespace nettest {

namespace {

struct WinsockSession {
    WinsockSession() {
        WSADATA data;
        ::WSAStartup(MAKEWORD(2, 2), &data);
    }
};

SOCKET ListenOnLoopback(int* port) {
    static WinsockSession winsock;
    SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    ::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof(addr));
    int size = sizeof(addr);
    ::getsockname(s, reinterpret_cast<sockaddr*>(&addr), &size);
    *port = ntohs(addr.sin_port);
    return s;
}

bool SendAll(SOCKET s, const char* data, size_t size) {
    while (size > 0) {
        const int n = ::send(s, data, static_cast<int>(size), 0);
        if (n <= 0) return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

} // namespace

LoopbackServer::LoopbackServer()
    : m_stop(::CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      m_gateReached(::CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      m_gateOpen(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    m_listen = ListenOnLoopback(&m_port);
    static_assert(sizeof(SOCKET) == sizeof(std::uintptr_t));
    ::listen(m_listen, 16);
    m_acceptor = std::thread([this] { AcceptLoop(); });
}

LoopbackServer::~LoopbackServer() {
    ::SetEvent(m_stop.Get());
    ::closesocket(m_listen);
    m_acceptor.join();
    {
        std::lock_guard<std::mutex> lock(m_lock);
        for (SOCKET c : m_clients) ::shutdown(c, SD_BOTH);
    }
    for (std::thread& t : m_threads) t.join();
}

void LoopbackServer::Set(const std::string& path, Route route) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_routes[path] = std::move(route);
}

std::wstring LoopbackServer::Url(const std::string& path) const {
    return L"http://127.0.0.1:" + std::to_wstring(m_port) + std::wstring(path.begin(), path.end());
}

std::vector<std::string> LoopbackServer::Requests() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_requests;
}

void LoopbackServer::AcceptLoop() {
    for (;;) {
        SOCKET client = ::accept(m_listen, nullptr, nullptr);
        if (client == INVALID_SOCKET) return; // closed by the destructor
        std::lock_guard<std::mutex> lock(m_lock);
        m_clients.push_back(client);
        m_threads.emplace_back([this, client] { Serve(client); });
    }
}

void LoopbackServer::Serve(std::uintptr_t client) {
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos) {
        const int n = ::recv(client, buffer, sizeof(buffer), 0);
        if (n <= 0) break;
        request.append(buffer, static_cast<size_t>(n));
    }
    const std::string line = request.substr(0, request.find("\r\n"));
    std::string target = line.substr(line.find(' ') + 1);
    target = target.substr(0, target.find(' '));
    if (target.rfind("http://", 0) == 0) target = target.substr(target.find('/', 7));
    Route route{404, "<html><body>Not found</body></html>"};
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_requests.push_back(line);
        if (auto it = m_routes.find(target); it != m_routes.end()) route = it->second;
    }
    const size_t announced = route.body.size() + (route.mode == Route::Truncated ? 1000 : 0);
    const std::string head = "HTTP/1.1 " + std::to_string(route.status) + " X\r\nContent-Length: " +
                             std::to_string(announced) + "\r\nConnection: close\r\n\r\n";
    const size_t first = route.mode == Route::StallBody || route.mode == Route::Gate ? route.gateAt : route.body.size();
    if (route.mode == Route::NoAnswer) {
        ::WaitForSingleObject(m_stop.Get(), INFINITE);
    } else if (SendAll(client, head.data(), head.size()) && SendAll(client, route.body.data(), first)) {
        if (route.mode == Route::StallBody) {
            ::WaitForSingleObject(m_stop.Get(), INFINITE);
        } else if (route.mode == Route::Gate) {
            ::SetEvent(m_gateReached.Get());
            const HANDLE waits[] = {m_gateOpen.Get(), m_stop.Get()};
            if (::WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0)
                SendAll(client, route.body.data() + first, route.body.size() - first);
        }
    }
    ::shutdown(client, SD_SEND);
    std::lock_guard<std::mutex> lock(m_lock);
    std::erase(m_clients, client);
    ::closesocket(client);
}

int ClosedPort() {
    int port = 0;
    SOCKET s = ListenOnLoopback(&port);
    ::closesocket(s);
    return port;
}

} // namespace nettest
