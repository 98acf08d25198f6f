#include "http_server_fixture_support.h"

#include "control_client.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>

extern char** environ;

namespace ohmkit::http::test {

namespace {

// A peer that vanishes mid-write must not end the test process.
const bool kIgnoreSigpipe = [] {
    ::signal(SIGPIPE, SIG_IGN);
    return true;
}();

// The last response's status and headers from curl's -D dump (which holds every response,
// "100 Continue" and redirects included).
void parseHeaders(const std::string& dump, CurlResult& result)
{
    std::istringstream lines(dump);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("HTTP/", 0) == 0) {
            result.headers.clear();
            const auto space = line.find(' ');
            result.status = space == std::string::npos ? 0 : std::atoi(line.c_str() + space + 1);
            continue;
        }
        const auto colon = line.find(':');
        if (colon == std::string::npos) continue;
        std::string name = line.substr(0, colon);
        std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
        std::string value = line.substr(colon + 1);
        value.erase(0, value.find_first_not_of(' '));
        result.headers[name] = value;
    }
}

}  // namespace

void HttpServerTest::SetUp()
{
    (void)kIgnoreSigpipe;
    char pattern[] = "/tmp/ohmkit-http-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    root_ = pattern;
    store_ = root_ + "/store";
    std::filesystem::create_directory(store_);
    std::filesystem::create_directory(root_ + "/out");
    observer_ = std::make_shared<RecordingObserver>();
    server_ = HttpServer::start(loop_, 0, store_, observer_);
    ASSERT_TRUE(server_->isListening());
    ASSERT_NE(server_->port(), 0u);
}

void HttpServerTest::TearDown()
{
    if (server_) server_->stop();
    server_.reset();
    for (int i = 0; i < 20 && loop_.runOnce(); ++i) {}
    std::filesystem::remove_all(root_);
}

void HttpServerTest::restartWith(const HttpLimits& limits)
{
    server_->stop();
    server_ = HttpServer::start(loop_, 0, store_, observer_, limits);
    ASSERT_TRUE(server_->isListening());
}

std::string HttpServerTest::url(const std::string& path) const
{
    return "http://127.0.0.1:" + std::to_string(server_->port()) + "/" + server_->key() + "/" + path;
}

bool HttpServerTest::runUntil(const std::function<bool()>& done, int milliseconds)
{
    return loop_.runUntil(done, std::chrono::milliseconds(milliseconds));
}

CurlResult HttpServerTest::curl(const std::vector<std::string>& args)
{
    const std::string headers = root_ + "/out/headers";
    const std::string body = root_ + "/out/body";
    std::filesystem::remove(headers);
    std::filesystem::remove(body);
    std::vector<std::string> words = {"curl", "-s", "--noproxy", "*", "--max-time", "60", "-D", headers, "-o", body};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    CurlResult result;
    pid_t pid = 0;
    if (::posix_spawnp(&pid, "curl", nullptr, nullptr, argv.data(), environ) != 0) {
        ADD_FAILURE() << "curl could not be started";
        return result;
    }
    int status = 0;
    const bool ended = runUntil([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }, 90000);
    if (!ended) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        ADD_FAILURE() << "curl did not finish";
        return result;
    }
    // Let the server finish what the end of the request set off (completion callbacks).
    for (int i = 0; i < 5; ++i) loop_.runOnce(std::chrono::milliseconds(2));
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.body = ohmkit::test::readFileBytes(body);
    parseHeaders(ohmkit::test::readFileBytes(headers), result);
    return result;
}

void HttpServerTest::writeFile(const std::string& name, const std::string& content) const
{
    std::ofstream(path(name), std::ios::binary) << content;
}

std::string HttpServerTest::readFile(const std::string& name) const { return ohmkit::test::readFileBytes(path(name)); }

std::vector<std::string> HttpServerTest::storeNames() const
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(store_)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

std::string HttpServerTest::sourceFile(const std::string& name, const std::string& content) const
{
    const std::string file = root_ + "/out/" + name;
    std::ofstream(file, std::ios::binary) << content;
    return file;
}

RawClient::RawClient(unsigned port, const char* from)
{
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd_ >= 0 && from) {
        sockaddr_in local{};
        local.sin_family = AF_INET;
        if (::inet_pton(AF_INET, from, &local.sin_addr) != 1 ||
            ::bind(fd_, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0)
            close();
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd_ >= 0 && ::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) close();
}

RawClient::~RawClient() { close(); }

bool RawClient::send(const std::string& bytes)
{
    std::size_t sent = 0;
    while (fd_ >= 0 && sent < bytes.size()) {
        const ssize_t n = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n <= 0) return false;
        sent += static_cast<std::size_t>(n);
    }
    return fd_ >= 0;
}

std::string RawClient::receiveAvailable(bool& closed)
{
    std::string out;
    closed = false;
    char buffer[4096];
    while (fd_ >= 0) {
        const ssize_t n = ::recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n > 0) {
            out.append(buffer, static_cast<std::size_t>(n));
            continue;
        }
        if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) closed = true;
        break;
    }
    return out;
}

void RawClient::close()
{
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

}  // namespace ohmkit::http::test
