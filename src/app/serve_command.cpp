#include "app/serve_command.h"

#include "datasheets/info_datasheets_ftp.h"
#include "datasheets/network_controller.h"
#include "ftp/ftp_server.h"
#include "http/http_server.h"
#include "platform/files.h"
#include "platform/run_loop.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <ostream>

namespace ohmkit::app {

namespace {

int signalPipe[2] = {-1, -1};

extern "C" void onStopSignal(int)
{
    int saved = errno;
    const char byte = 1;
    [[maybe_unused]] ssize_t n = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}

// Routes SIGINT and SIGTERM into the run loop through a pipe while it exists, and keeps
// SIGPIPE from ending the process when a client vanishes mid-write.
class StopSignals {
public:
    explicit StopSignals(platform::RunLoop& loop)
    {
        if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
        struct sigaction action{};
        action.sa_handler = onStopSignal;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGINT, &action, &oldInt_);
        ::sigaction(SIGTERM, &action, &oldTerm_);
        struct sigaction ignore{};
        ignore.sa_handler = SIG_IGN;
        ::sigaction(SIGPIPE, &ignore, &oldPipe_);
        watch_ = std::make_unique<platform::FdWatch>(loop, signalPipe[0], platform::FdWatch::Readable,
                                                     [this, &loop](unsigned) {
                                                         char buffer[16];
                                                         while (::read(signalPipe[0], buffer, sizeof buffer) > 0) {}
                                                         received_ = true;
                                                         loop.stop();
                                                     });
    }
    ~StopSignals()
    {
        if (!watch_) return;
        watch_.reset();
        ::sigaction(SIGINT, &oldInt_, nullptr);
        ::sigaction(SIGTERM, &oldTerm_, nullptr);
        ::sigaction(SIGPIPE, &oldPipe_, nullptr);
        ::close(signalPipe[0]);
        ::close(signalPipe[1]);
        signalPipe[0] = signalPipe[1] = -1;
    }
    bool ready() const { return watch_ != nullptr; }
    bool received() const { return received_; }

private:
    struct sigaction oldInt_{}, oldTerm_{}, oldPipe_{};
    std::unique_ptr<platform::FdWatch> watch_;
    bool received_ = false;
};

bool parsePort(const std::string& text, unsigned& port)
{
    unsigned value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value > 65535) return false;
    port = value;
    return true;
}

// A whole number of at least 1.
bool parseCount(const std::string& text, std::size_t& count)
{
    std::size_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < 1) return false;
    count = value;
    return true;
}

// A number of seconds above 0 (fractions allowed), at most about 30 years.
bool parseSeconds(const std::string& text, double& seconds)
{
    if (text.empty() || text.front() == ' ') return false;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || !(value > 0) || value > 1e9) return false;
    seconds = value;
    return true;
}

const char* const kUsage =
    "serve: usage: ohmkit serve [--port N] [--documents DIR] [--max-clients N] [--max-per-address N]"
    " [--idle-timeout SECONDS] [--data-timeout SECONDS] [--http-port N]\n";

}  // namespace

int serveCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    unsigned port = datasheets::uploadPort();   // 2121 unless $OHMKIT_FTP_PORT says otherwise
    unsigned httpPort = http::preferredHttpPort();   // 8080 unless $OHMKIT_HTTP_PORT says otherwise
    std::string documents;
    ftp::FtpLimits limits;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const std::string value = i + 1 < args.size() ? args[i + 1] : std::string();
        bool ok = false;
        if (arg == "--port") {
            ok = parsePort(value, port);
        } else if (arg == "--http-port") {
            ok = parsePort(value, httpPort);
        } else if (arg == "--documents") {
            ok = !value.empty();
            documents = value;
        } else if (arg == "--max-clients") {
            ok = parseCount(value, limits.maxClients);
        } else if (arg == "--max-per-address") {
            ok = parseCount(value, limits.maxPerAddress);
        } else if (arg == "--idle-timeout") {
            ok = parseSeconds(value, limits.idleTimeout);
        } else if (arg == "--data-timeout") {
            ok = parseSeconds(value, limits.dataTimeout);
        }
        if (!ok) {
            err << kUsage;
            return 2;
        }
        ++i;
    }
    if (documents.empty()) documents = platform::documentsDirectory();
    struct stat st{};
    if (::stat(documents.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        err << "serve: not a folder: " << documents << "\n";
        return 2;
    }

    platform::RunLoop& loop = platform::RunLoop::main();
    StopSignals signals(loop);
    if (!signals.ready()) {
        err << "serve: cannot watch for stop signals\n";
        return 1;
    }
    auto server = ftp::FtpServer::create(port, documents, nullptr, limits, &loop);
    if (!server->isListening()) {
        err << "serve: cannot listen: " << datasheets::InfoDatasheetsFTP::listenFailure(port) << "\n";
        server->stopFtpServer();
        return 1;
    }
    out << "Serving " << server->baseDir() << " at ftp://127.0.0.1:" << server->listeningPort()
        << " (Ctrl-C stops)" << std::endl;
    // The browser page beside FTP; without it FTP still serves.
    auto browser = http::HttpServer::start(loop, httpPort, server->baseDir(), nullptr);
    if (browser->isListening())
        out << "In a web browser: " << browser->pageAddress("127.0.0.1") << std::endl;
    else
        err << "serve: no browser page: cannot listen on port " << httpPort << " or the "
            << http::kPortFallbacks << " after it" << std::endl;
    if (std::string address = datasheets::NetworkController::localWifiIPAddress(); !address.empty()) {
        out << "From other computers: ";
        if (browser->isListening()) out << browser->pageAddress(address) << " in a web browser, or ";
        out << "ftp://" << address << ":" << server->listeningPort() << std::endl;
    }

    while (!signals.received()) loop.run();

    browser->stop();
    browser.reset();
    server->stopFtpServer();
    server.reset();
    // Let the closed sockets' deferred calls run before the loop is left alone.
    for (int i = 0; i < 20 && loop.runOnce(); ++i) {}
    out << "Stopped." << std::endl;
    return 0;
}

}  // namespace ohmkit::app
