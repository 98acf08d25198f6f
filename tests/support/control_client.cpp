#include "control_client.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace ohmkit::test {

namespace {

constexpr int kTimeoutMs = 10000;

bool waitReadable(int fd, int timeoutMs)
{
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, timeoutMs) > 0;
}

sockaddr_storage loopbackAddress(const std::string& host, std::uint16_t port, socklen_t& length)
{
    sockaddr_storage storage{};
    if (host.find(':') != std::string::npos) {
        auto* a = reinterpret_cast<sockaddr_in6*>(&storage);
        a->sin6_family = AF_INET6;
        a->sin6_port = htons(port);
        ::inet_pton(AF_INET6, host.c_str(), &a->sin6_addr);
        length = sizeof(sockaddr_in6);
    } else {
        auto* a = reinterpret_cast<sockaddr_in*>(&storage);
        a->sin_family = AF_INET;
        a->sin_port = htons(port);
        ::inet_pton(AF_INET, host.c_str(), &a->sin_addr);
        length = sizeof(sockaddr_in);
    }
    return storage;
}

}  // namespace

int connectTo(const std::string& host, std::uint16_t port)
{
    if (host != "127.0.0.1" && host != "::1") return -1;   // loopback only
    socklen_t length = 0;
    sockaddr_storage address = loopbackAddress(host, port, length);
    int fd = ::socket(address.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), length) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

Socket::~Socket() { close(); }

Socket& Socket::operator=(Socket&& other) noexcept
{
    if (this != &other) {
        close();
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

bool Socket::sendAll(const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::string Socket::readAll(bool* timedOut)
{
    std::string data;
    char buffer[65536];
    if (timedOut) *timedOut = false;
    for (;;) {
        if (!waitReadable(fd_, kTimeoutMs)) {
            if (timedOut) *timedOut = true;
            return data;
        }
        ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
        if (n <= 0) return data;
        data.append(buffer, static_cast<std::size_t>(n));
    }
}

bool Socket::waitForClose()
{
    bool timedOut = false;
    readAll(&timedOut);
    return !timedOut;
}

void Socket::shutdownWrite()
{
    if (fd_ >= 0) ::shutdown(fd_, SHUT_WR);
}

void Socket::close()
{
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

void Socket::abortiveClose()
{
    if (fd_ < 0) return;
    linger l{1, 0};
    ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &l, sizeof l);
    close();
}

bool ControlClient::connect(const std::string& host, std::uint16_t port)
{
    host_ = host;
    socket_ = Socket(connectTo(host, port));
    return socket_.valid();
}

void ControlClient::send(const std::string& line) { sendRaw(line + "\r\n"); }

void ControlClient::sendRaw(const std::string& bytes) { socket_.sendAll(bytes); }

std::string ControlClient::readLine()
{
    for (;;) {
        std::size_t end = buffered_.find("\r\n");
        if (end != std::string::npos) {
            std::string line = buffered_.substr(0, end);
            buffered_.erase(0, end + 2);
            return line;
        }
        if (!waitReadable(socket_.fd(), kTimeoutMs)) return "<timeout>";
        char buffer[4096];
        ssize_t n = ::recv(socket_.fd(), buffer, sizeof buffer, 0);
        if (n <= 0) return "<closed>";
        buffered_.append(buffer, static_cast<std::size_t>(n));
    }
}

std::vector<std::string> ControlClient::readReply()
{
    std::vector<std::string> lines;
    std::string first = readLine();
    lines.push_back(first);
    if (first.size() < 4 || first[3] != '-') return lines;
    const std::string final = first.substr(0, 3) + " ";
    for (;;) {
        std::string line = readLine();
        lines.push_back(line);
        if (line.rfind(final, 0) == 0 || line[0] == '<') return lines;
    }
}

std::string ControlClient::command(const std::string& line)
{
    send(line);
    return readReply().back();
}

bool ControlClient::quietFor(int milliseconds)
{
    return buffered_.empty() && !waitReadable(socket_.fd(), milliseconds);
}

Socket ControlClient::openPassive(bool extended)
{
    std::string reply = command(extended ? "EPSV" : "PASV");
    int port = -1;
    if (extended) {
        std::size_t bars = reply.find("(|||");
        if (bars != std::string::npos) port = std::atoi(reply.c_str() + bars + 4);
    } else {
        std::size_t open = reply.find('(');
        int h[6] = {};
        if (open != std::string::npos &&
            std::sscanf(reply.c_str() + open, "(%d,%d,%d,%d,%d,%d)", &h[0], &h[1], &h[2], &h[3], &h[4], &h[5]) == 6)
            port = h[4] * 256 + h[5];
    }
    if (port <= 0) return Socket();
    return Socket(connectTo(host_, static_cast<std::uint16_t>(port)));
}

Socket ControlClient::openActive(bool extended)
{
    socklen_t length = 0;
    sockaddr_storage address = loopbackAddress(host_, 0, length);
    int fd = ::socket(address.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return Socket();
    Socket listener(fd);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 || ::listen(fd, 4) != 0) return Socket();
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    std::uint16_t port = ntohs(address.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&address)->sin6_port
                                                             : reinterpret_cast<sockaddr_in*>(&address)->sin_port);
    std::string reply;
    if (extended)
        reply = command("EPRT |" + std::string(host_ == "::1" ? "2" : "1") + "|" + host_ + "|" + std::to_string(port) + "|");
    else
        reply = command("PORT 127,0,0,1," + std::to_string(port / 256) + "," + std::to_string(port % 256));
    if (reply.rfind("200 ", 0) != 0) return Socket();
    return listener;
}

Socket ControlClient::acceptData(Socket& listener)
{
    if (!waitReadable(listener.fd(), kTimeoutMs)) return Socket();
    return Socket(::accept4(listener.fd(), nullptr, nullptr, SOCK_CLOEXEC));
}

std::vector<std::string> namesIn(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

std::string readFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeFileBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

bool hasIPv6Loopback()
{
    int fd = ::socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    sockaddr_in6 address{};
    address.sin6_family = AF_INET6;
    address.sin6_addr = in6addr_loopback;
    const bool ok = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

}  // namespace ohmkit::test
