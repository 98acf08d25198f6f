// FTP server benchmark over loopback: the server runs `serve` in a child process on a free
// port over a temporary store; this process is the client.
//
//   ftp_bench [--clients N] [--big-mib M] [--small-files K] [--store-in DIR]
//
// The store is a new folder in DIR (default $TMPDIR, else /tmp). Creating many small files is
// bound by the file system as much as by the server: compare with another DIR when the
// files/s figure looks low.
//
// Phases: STOR and RETR of one big file (MB/s), STOR and RETR of many small files (files/s),
// a burst (one client writes 20,000 NOOP lines in one go while a second client logs in and
// sends NOOP: how long the second client waited, and the server's CPU time for the burst),
// N concurrent clients each doing login, LIST and a 1 MiB RETR (seconds, failures), and N
// concurrent logins that then stay connected, idle. For every phase it prints the server's
// peak private memory (resident minus shared, sampled from /proc every few milliseconds). Run
// it on a quiet machine; it is not a test and asserts nothing. A failed client is shown with its last command and reply;
// FTP_BENCH_LOG=FILE keeps the server's diagnostic log in FILE.
#include "app/serve_command.h"
#include "control_client.h"
#include "memory_sampler.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <iostream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

bool sendAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// Reads until the peer closes; returns the byte count, or -1 on time-out or error.
long long drain(int fd, std::string* keep = nullptr)
{
    static thread_local std::vector<char> buffer(1 << 20);
    long long total = 0;
    errno = 0;
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 60000) <= 0) return -1;
        ssize_t n = ::recv(fd, buffer.data(), buffer.size(), 0);
        if (n < 0) return -1;
        if (n == 0) return total;
        total += n;
        if (keep) keep->append(buffer.data(), static_cast<std::size_t>(n));
    }
}

// The bench's control connection: the tests' loopback client, with transfers that count
// their bytes instead of keeping them.
class Control {
public:
    bool open(std::uint16_t port)
    {
        for (int attempt = 0; attempt < 50; ++attempt) {   // the server may still be starting
            if (client_.connect("127.0.0.1", port)) return line().rfind("220 ", 0) == 0;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }
    std::string line() { return client_.readLine(); }
    std::string command(const std::string& text)
    {
        std::string reply = client_.command(text);
        last_ = text + " -> " + reply;
        return reply;
    }
    bool login() { return command("USER bench").rfind("331", 0) == 0 && command("PASS x").rfind("230", 0) == 0; }
    bool sendRaw(const std::string& bytes) { return client_.socket().sendAll(bytes); }
    bool upload(const std::string& name, const char* data, std::size_t size)
    {
        ohmkit::test::Socket socket = client_.openPassive(true);
        if (!socket.valid()) return false;
        bool ok = command("STOR " + name).rfind("150", 0) == 0 && sendAll(socket.fd(), data, size);
        socket.close();
        return ok && line() == "226 Transfer complete.";
    }
    long long download(const std::string& text)
    {
        ohmkit::test::Socket socket = client_.openPassive(true);
        if (!socket.valid()) return -1;
        long long got = -1;
        if (command(text).rfind("150", 0) == 0) got = drain(socket.fd());
        if (got < 0) last_ += ", data: " + std::string(errno ? std::strerror(errno) : "time-out");
        socket.close();
        std::string end = line();
        if (end != "226 Transfer complete.") last_ += ", end: " + end;
        return got >= 0 && end == "226 Transfer complete." ? got : -1;
    }
    // The last command and reply, with what went wrong after it.
    const std::string& last() const { return last_; }

private:
    ohmkit::test::ControlClient client_;
    std::string last_;
};

// The server's CPU time so far (user + system), in seconds: on a shared, loaded machine this
// moves far less than the wall-clock figures, so it is what to compare between runs.
double serverCpuSeconds(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    std::size_t close = text.rfind(')');   // the command name may hold blanks
    if (close == std::string::npos) return 0;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    unsigned long long user = 0, system = 0;
    // After the name: state is field 3; utime and stime are fields 14 and 15.
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14) user = std::strtoull(field.c_str(), nullptr, 10);
        if (i == 15) system = std::strtoull(field.c_str(), nullptr, 10);
    }
    return static_cast<double>(user + system) / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

// Prints the server's CPU time since the previous call (`print` false: only starts counting).
void printServerCpu(pid_t pid, bool print = true)
{
    static double last = 0;
    double now = serverCpuSeconds(pid);
    if (print) std::printf("    server CPU %.2f s\n", now - last);
    last = now;
}

pid_t startServer(const std::string& store, std::uint16_t& port, int clients)
{
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) return -1;
    pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(pipeFds[1], 1);
        int devNull = ::open(std::getenv("FTP_BENCH_LOG") ? std::getenv("FTP_BENCH_LOG") : "/dev/null", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(devNull, 2);   // the diagnostic log
        ::close(pipeFds[0]);
        std::ostringstream ignored;
        // Every client of the benchmark comes from 127.0.0.1: the limits make room for them all.
        const std::string room = std::to_string(clients + 10);
        std::_Exit(ohmkit::app::serveCommand(
            {"--port", "0", "--http-port", "0", "--documents", store, "--max-clients", room, "--max-per-address", room}, std::cout,
            std::cerr));
    }
    ::close(pipeFds[1]);
    std::string first;
    char c;
    while (::read(pipeFds[0], &c, 1) == 1 && c != '\n') first += c;
    ::close(pipeFds[0]);
    std::size_t colon = first.rfind(':');
    port = colon == std::string::npos ? 0 : static_cast<std::uint16_t>(std::atoi(first.c_str() + colon + 1));
    return pid;
}

}  // namespace

int main(int argc, char** argv)
{
    int clients = 300;
    int bigMiB = 256;
    int smallFiles = 1000;
    const char* tmpdir = std::getenv("TMPDIR");
    std::string storeIn = tmpdir && *tmpdir ? tmpdir : "/tmp";
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string flag = argv[i];
        if (flag == "--clients") clients = std::atoi(argv[i + 1]);
        if (flag == "--big-mib") bigMiB = std::atoi(argv[i + 1]);
        if (flag == "--small-files") smallFiles = std::atoi(argv[i + 1]);
        if (flag == "--store-in") storeIn = argv[i + 1];
    }

    std::string pattern = storeIn + "/ohmkit-ftp-bench-XXXXXX";
    if (!::mkdtemp(pattern.data())) {
        std::cerr << "ftp_bench: cannot create a folder in " << storeIn << "\n";
        return 1;
    }
    const std::string store = pattern;
    std::uint16_t port = 0;
    pid_t server = startServer(store, port, clients);
    if (server <= 0 || port == 0) {
        std::cerr << "ftp_bench: the server did not start\n";
        return 1;
    }
    std::printf("server pid %d on 127.0.0.1:%u, store %s\n", server, port, store.c_str());
    int status = 0;
    {
        MemorySampler memory(server);
        Control control;
        if (!control.open(port) || !control.login()) {
            std::cerr << "ftp_bench: cannot log in\n";
            return 1;
        }
        std::printf("idle server: %.1f MiB private\n", memory.nowMiB());
        memory.takePeakMiB();
        printServerCpu(server, false);

        // One big file.
        std::string big(static_cast<std::size_t>(bigMiB) << 20, '\0');
        for (std::size_t i = 0; i < big.size(); i += 4096) big[i] = static_cast<char>(i >> 12);
        auto start = Clock::now();
        bool ok = control.upload("big.bin", big.data(), big.size());
        double seconds = secondsSince(start);
        std::printf("STOR %d MiB: %s %.0f MB/s (%.2f s), peak %.1f MiB private\n", bigMiB, ok ? "ok" : "FAILED",
                    big.size() / seconds / 1e6, seconds, memory.takePeakMiB());
        printServerCpu(server);
        start = Clock::now();
        long long got = control.download("RETR big.bin");
        seconds = secondsSince(start);
        std::printf("RETR %d MiB: %s %.0f MB/s (%.2f s), peak %.1f MiB private\n", bigMiB,
                    got == static_cast<long long>(big.size()) ? "ok" : "FAILED", big.size() / seconds / 1e6, seconds,
                    memory.takePeakMiB());
        printServerCpu(server);
        big.clear();
        big.shrink_to_fit();
        control.command("DELE big.bin");

        // Many small files.
        control.command("MKD small");
        control.command("CWD small");
        const std::string small(4096, 's');
        int failures = 0;
        start = Clock::now();
        for (int i = 0; i < smallFiles; ++i)
            if (!control.upload("f" + std::to_string(i), small.data(), small.size())) ++failures;
        seconds = secondsSince(start);
        std::printf("STOR %d x 4 KiB: %.0f files/s (%.2f s), %d failed, peak %.1f MiB private\n", smallFiles,
                    smallFiles / seconds, seconds, failures, memory.takePeakMiB());
        printServerCpu(server);
        failures = 0;
        start = Clock::now();
        for (int i = 0; i < smallFiles; ++i)
            if (control.download("RETR f" + std::to_string(i)) != 4096) ++failures;
        seconds = secondsSince(start);
        std::printf("RETR %d x 4 KiB: %.0f files/s (%.2f s), %d failed, peak %.1f MiB private\n", smallFiles,
                    smallFiles / seconds, seconds, failures, memory.takePeakMiB());
        printServerCpu(server);
        control.command("CWD /");
        control.command("DELE small");

        // A burst: 20,000 NOOP lines in one write, and a second client served meanwhile.
        {
            constexpr int kBurstLines = 20000;
            std::string lines;
            for (int i = 0; i < kBurstLines; ++i) lines += "NOOP\r\n";
            Control burst;
            if (!burst.open(port) || !burst.login()) std::printf("burst: cannot log in\n");
            printServerCpu(server, false);
            std::atomic<int> replies{0};
            std::atomic<bool> burstSent{false};
            Clock::time_point burstStart;
            double burstSeconds = 0;
            std::thread reader([&] {
                while (!burstSent) std::this_thread::yield();
                for (int i = 0; i < kBurstLines; ++i)
                    if (burst.line() == "200 NOOP command successful.") ++replies;
                burstSeconds = secondsSince(burstStart);
            });
            burstStart = Clock::now();
            bool sent = burst.sendRaw(lines);
            burstSent = true;
            // The second client: connect and greeting, login, one NOOP, each timed.
            auto start = Clock::now();
            Control other;
            bool greeted = other.open(port);
            const double greetSeconds = secondsSince(start);
            auto step = Clock::now();
            bool loggedIn = greeted && other.login();
            const double loginSeconds = secondsSince(step);
            step = Clock::now();
            bool noop = loggedIn && other.command("NOOP") == "200 NOOP command successful.";
            const double noopSeconds = secondsSince(step);
            const double waited = secondsSince(start);
            reader.join();
            std::printf("burst of %d NOOP lines: %s, %d correct replies in %.3f s; second client %s: waited %.1f ms "
                        "in all (greeting %.1f ms, USER+PASS %.1f ms, NOOP %.1f ms), peak %.1f MiB private\n",
                        kBurstLines, sent ? "sent" : "NOT SENT", replies.load(), burstSeconds,
                        noop ? "served" : "FAILED", waited * 1e3, greetSeconds * 1e3, loginSeconds * 1e3,
                        noopSeconds * 1e3, memory.takePeakMiB());
            printServerCpu(server);
        }

        // Concurrent clients: login, LIST, 1 MiB RETR.
        const std::string mib(1 << 20, 'm');
        control.upload("one.bin", mib.data(), mib.size());
        printServerCpu(server, false);
        std::atomic<int> failed{0};
        std::mutex failedStepsLock;
        std::string failedSteps;   // the step at which each failed client failed
        std::vector<std::thread> threads;
        start = Clock::now();
        for (int i = 0; i < clients; ++i)
            threads.emplace_back([&] {
                Control c;
                const char* step = nullptr;
                if (!c.open(port)) step = "connect";
                else if (!c.login()) step = "login";
                else if (c.download("LIST") <= 0) step = "LIST";
                else if (c.download("RETR one.bin") != (1 << 20)) step = "RETR";
                else if (c.command("QUIT").rfind("221", 0) != 0) step = "QUIT";
                if (step) {
                    ++failed;
                    std::lock_guard<std::mutex> lock(failedStepsLock);
                    failedSteps += std::string(failedSteps.empty() ? "" : "; ") + step + " (" + c.last() + ")";
                }
            });
        for (auto& t : threads) t.join();
        seconds = secondsSince(start);
        std::printf("%d concurrent clients (login, LIST, 1 MiB RETR): %.2f s, %d failed, peak %.1f MiB private\n",
                    clients, seconds, failed.load(), memory.takePeakMiB());
        if (!failedSteps.empty()) std::printf("    failed at: %s\n", failedSteps.c_str());
        printServerCpu(server);
        threads.clear();

        // Concurrent logins that then stay connected, idle.
        std::vector<std::unique_ptr<Control>> idle(static_cast<std::size_t>(clients));
        std::atomic<int> loggedIn{0};
        start = Clock::now();
        for (auto& slot : idle)
            threads.emplace_back([&slot, &loggedIn, port] {
                slot = std::make_unique<Control>();
                if (slot->open(port) && slot->login()) ++loggedIn;
            });
        for (auto& t : threads) t.join();
        seconds = secondsSince(start);
        std::printf("%d concurrent logins: %.2f s, %d failed\n", clients, seconds, clients - loggedIn.load());
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        std::printf("%d idle clients logged in: %.1f MiB private now, peak %.1f MiB\n", clients, memory.nowMiB(),
                    memory.takePeakMiB());
        idle.clear();
        ::kill(server, SIGINT);
        ::waitpid(server, &status, 0);
    }
    std::filesystem::remove_all(store);
    std::printf("server exit status %d\n", WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    return 0;
}
