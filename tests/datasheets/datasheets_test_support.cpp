#include "datasheets_test_support.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "platform/run_loop.h"
#include "platform/text.h"

namespace ohmkit::datasheets::test {

TempDocuments::TempDocuments()
{
    char pattern[] = "/tmp/ohmkit-datasheets-XXXXXX";
    const char* made = ::mkdtemp(pattern);
    path_ = made ? made : "/tmp";
    if (const char* old = std::getenv("OHMKIT_DOCUMENTS")) {
        hadPrevious_ = true;
        previous_ = old;
    }
    ::setenv("OHMKIT_DOCUMENTS", path_.c_str(), 1);
}

TempDocuments::~TempDocuments()
{
    if (hadPrevious_) ::setenv("OHMKIT_DOCUMENTS", previous_.c_str(), 1);
    else ::unsetenv("OHMKIT_DOCUMENTS");
    if (path_.rfind("/tmp/ohmkit-datasheets-", 0) == 0) std::system(("rm -rf '" + path_ + "'").c_str());
}

void TempDocuments::write(const std::string& name, const std::string& bytes) const
{
    std::ofstream(path_ + "/" + name, std::ios::binary) << bytes;
}

ScopedEnv::ScopedEnv(const char* name, const std::string& value) : name_(name)
{
    if (const char* old = std::getenv(name)) {
        hadPrevious_ = true;
        previous_ = old;
    }
    ::setenv(name, value.c_str(), 1);
}

ScopedEnv::~ScopedEnv()
{
    if (hadPrevious_) ::setenv(name_.c_str(), previous_.c_str(), 1);
    else ::unsetenv(name_.c_str());
}

std::string minimalPdf(const std::string& text)
{
    const std::string stream = "BT /F1 24 Tf 72 720 Td (" + text + ") Tj ET";
    const std::vector<std::string> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R "
        "/Resources << /Font << /F1 5 0 R >> >> >>",
        "<< /Length " + std::to_string(stream.size()) + " >>\nstream\n" + stream + "\nendstream",
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
    };
    std::string pdf = "%PDF-1.4\n";
    std::vector<std::size_t> offsets;
    for (std::size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(pdf.size());
        pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const std::size_t xref = pdf.size();
    pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (std::size_t offset : offsets) pdf += platform::format("%010zu 00000 n \n", offset);
    pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
           std::to_string(xref) + "\n%%EOF\n";
    return pdf;
}

bool runMainLoopUntil(const std::function<bool()>& done, double seconds)
{
    return platform::RunLoop::main().runUntil(
        done, std::chrono::milliseconds(static_cast<long long>(seconds * 1000.0)));
}

namespace {

sockaddr_in loopback(unsigned port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

}  // namespace

unsigned freeLoopbackPort()
{
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return 0;
    sockaddr_in address = loopback(0);
    unsigned port = 0;
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}

LoopbackClient::~LoopbackClient()
{
    if (fd_ >= 0) ::close(fd_);
}

void LoopbackClient::close()
{
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    closed_ = true;
}

void LoopbackClient::reset()
{
    if (fd_ >= 0) {
        const linger abort{1, 0};
        ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    }
    close();
}

bool LoopbackClient::connect(unsigned port)
{
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0) return false;
    sockaddr_in address = loopback(port);
    // A loopback connect completes in the kernel's backlog; the server accepts it later,
    // on a turn of the run loop.
    if (::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return false;
    return ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) | O_NONBLOCK) == 0;
}

bool LoopbackClient::send(const std::string& bytes)
{
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        ssize_t n = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EAGAIN) {
            platform::RunLoop::main().runOnce(std::chrono::milliseconds(10));
            continue;
        }
        if (n <= 0) return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

bool LoopbackClient::pump()
{
    if (closed_) return false;
    char buffer[4096];
    for (;;) {
        ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
        if (n > 0) {
            received_.append(buffer, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
        if (n < 0 && errno == EINTR) continue;
        closed_ = true;   // end of stream, or a reset
        return false;
    }
}

bool LoopbackClient::waitFor(const std::string& text, double seconds)
{
    return runMainLoopUntil(
        [&] {
            pump();
            return received_.find(text) != std::string::npos;
        },
        seconds);
}

bool LoopbackClient::waitForClose(double seconds)
{
    return runMainLoopUntil([&] { return !pump(); }, seconds);
}

bool connectionRefused(unsigned port)
{
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    sockaddr_in address = loopback(port);
    bool refused = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 && errno == ECONNREFUSED;
    ::close(fd);
    return refused;
}

}  // namespace ohmkit::datasheets::test
