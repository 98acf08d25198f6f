// FTP server benchmark over loopback: the server runs `serve` in a child process on a free
// port over a temporary store; this process is the client.
//
//   ftp_bench [--clients N] [--big-mib M] [--small-files K] [--store-in DIR] [--rounds R]
//             [--peers]
//
// The stores are new folders in DIR (default $TMPDIR, else /tmp). Creating many small files is
// bound by the file system as much as by the server: compare with another DIR when the
// files/s figure looks low.
//
// Phases: STOR and RETR of one big file (MB/s, and the server's CPU time per GiB), STOR and
// RETR of many small files (files/s), a burst (one client writes 20,000 NOOP lines in one go
// while a second client logs in and sends NOOP: how long the second client waited), N
// concurrent clients each doing login, LIST and a 1 MiB RETR (seconds, failures), and N
// concurrent logins that then stay connected, idle. For every phase it prints the server's
// peak private memory (resident minus shared, sampled from /proc every few milliseconds) and
// its CPU time. Run it on a quiet machine; it is not a test and asserts nothing. A failed
// client is shown with its last command and reply; FTP_BENCH_LOG=FILE keeps Ohmkit's
// diagnostic log in FILE.
//
// --peers also starts two other FTP servers from the distribution on free loopback ports
// (vsftpd, which needs root, and pyftpdlib; `bench/setup_peers.sh` installs them), runs every
// phase against all three in interleaved rounds (default 3; the order of the servers rotates
// each round) and prints each server's median with Ohmkit's ratio to the better peer: above 1
// means Ohmkit is ahead, whether the figure is a rate or a time.
#include "app/serve_command.h"
#include "control_client.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// A loopback port that nothing listens on right now, for a peer that cannot be told port 0.
std::uint16_t freeLoopbackPort()
{
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    std::uint16_t port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}

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

// One server under test: where it listens, how to log in, and where its files land.
struct Target {
    std::string name;
    pid_t pid = -1;
    std::uint16_t port = 0;
    std::string user = "bench";
    std::string password = "x";
    std::string folder;    // the folder to change to after login ("" for the login folder)
    bool forks = false;    // one process per session: CPU and memory are summed over the tree
};

// "150" (opening the data connection) or "125" (it is open already) before a transfer.
bool preliminary(const std::string& reply) { return reply.rfind("150", 0) == 0 || reply.rfind("125", 0) == 0; }

// The bench's control connection: the tests' loopback client, with a login for each server
// and transfers that count their bytes instead of keeping them.
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
    // The last line of the next reply (a multi-line reply ends with "NNN text").
    std::string reply()
    {
        std::vector<std::string> lines = client_.readReply();
        return lines.empty() ? std::string("<closed>") : lines.back();
    }
    std::string command(const std::string& text)
    {
        std::string answer = client_.command(text);
        last_ = text + " -> " + answer;
        return answer;
    }
    // Login, binary mode and the target's folder.
    bool login(const Target& target)
    {
        const std::string userReply = command("USER " + target.user);
        if (userReply.rfind("230", 0) != 0 &&
            !(userReply.rfind("331", 0) == 0 && command("PASS " + target.password).rfind("230", 0) == 0))
            return false;
        if (command("TYPE I").rfind("200", 0) != 0) return false;
        return target.folder.empty() || command("CWD " + target.folder).rfind("250", 0) == 0;
    }
    bool session(const Target& target) { return open(target.port) && login(target); }
    bool sendRaw(const std::string& bytes) { return client_.socket().sendAll(bytes); }
    bool upload(const std::string& name, const char* data, std::size_t size)
    {
        ohmkit::test::Socket socket = client_.openPassive(true);
        if (!socket.valid()) return false;
        bool ok = preliminary(command("STOR " + name)) && sendAll(socket.fd(), data, size);
        socket.close();
        std::string end = reply();
        if (end.rfind("226", 0) != 0) last_ += ", end: " + end;
        return ok && end.rfind("226", 0) == 0;
    }
    long long download(const std::string& text)
    {
        ohmkit::test::Socket socket = client_.openPassive(true);
        if (!socket.valid()) return -1;
        long long got = -1;
        if (preliminary(command(text))) got = drain(socket.fd());
        if (got < 0) last_ += ", data: " + std::string(errno ? std::strerror(errno) : "time-out");
        socket.close();
        std::string end = reply();
        if (end.rfind("226", 0) != 0) last_ += ", end: " + end;
        return got >= 0 && end.rfind("226", 0) == 0 ? got : -1;
    }
    // The last command and reply, with what went wrong after it.
    const std::string& last() const { return last_; }

private:
    ohmkit::test::ControlClient client_;
    std::string last_;
};

// A file under /proc/PID, read with plain calls: the process may end while it is read.
std::string readProcFile(pid_t pid, const char* name)
{
    const std::string path = "/proc/" + std::to_string(pid) + "/" + name;
    std::string text;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return text;
    char chunk[1024];
    for (ssize_t n; (n = ::read(fd, chunk, sizeof chunk)) > 0;) text.append(chunk, static_cast<std::size_t>(n));
    ::close(fd);
    return text;
}

// The fields of /proc/PID/stat after the command name (which may hold blanks), from field 3.
std::vector<std::string> statFields(pid_t pid)
{
    const std::string text = readProcFile(pid, "stat");
    std::size_t close = text.rfind(')');
    std::vector<std::string> fields;
    if (close == std::string::npos || close + 2 > text.size()) return fields;
    std::istringstream in(text.substr(close + 2));
    for (std::string field; in >> field;) fields.push_back(field);
    return fields;
}

// The process and, for a server that forks per session, every live descendant.
std::vector<pid_t> processTree(pid_t root, bool forks)
{
    std::vector<pid_t> tree{root};
    if (!forks) return tree;
    std::vector<std::pair<pid_t, pid_t>> parents;   // (pid, parent)
    if (DIR* proc = ::opendir("/proc")) {
        while (dirent* entry = ::readdir(proc)) {
            pid_t pid = static_cast<pid_t>(std::atoi(entry->d_name));
            if (pid <= 0) continue;
            std::vector<std::string> fields = statFields(pid);
            if (fields.size() > 1) parents.emplace_back(pid, static_cast<pid_t>(std::atoi(fields[1].c_str())));
        }
        ::closedir(proc);
    }
    for (std::size_t i = 0; i < tree.size(); ++i)
        for (auto [pid, parent] : parents)
            if (parent == tree[i]) tree.push_back(pid);
    return tree;
}

// Samples the private memory (resident minus shared) of the server being measured.
class MemorySampler {
public:
    MemorySampler() : thread_([this] { run(); }) {}
    ~MemorySampler()
    {
        stop_ = true;
        thread_.join();
    }
    void watch(const Target& target)
    {
        std::lock_guard<std::mutex> lock(lock_);
        pid_ = target.pid;
        forks_ = target.forks;
        peak_ = 0;
    }
    double takePeakMiB() { return static_cast<double>(peak_.exchange(0)) / (1024.0 * 1024.0); }
    double nowMiB()
    {
        std::lock_guard<std::mutex> lock(lock_);
        return static_cast<double>(sample()) / (1024.0 * 1024.0);
    }

private:
    long long sample() const
    {
        if (pid_ <= 0) return 0;
        long long total = 0;
        for (pid_t pid : processTree(pid_, forks_)) {
            std::istringstream statm(readProcFile(pid, "statm"));
            long long size = 0, resident = 0, shared = 0;
            if (statm >> size >> resident >> shared) total += (resident - shared) * ::sysconf(_SC_PAGESIZE);
        }
        return total;
    }
    void run()
    {
        while (!stop_) {
            bool forks = false;
            {
                std::lock_guard<std::mutex> lock(lock_);
                long long value = sample();
                long long peak = peak_.load();
                while (value > peak && !peak_.compare_exchange_weak(peak, value)) {}
                forks = forks_;
            }
            // Walking /proc for a forking server costs more: sample it less often.
            std::this_thread::sleep_for(std::chrono::milliseconds(forks ? 20 : 3));
        }
    }
    std::mutex lock_;
    pid_t pid_ = -1;
    bool forks_ = false;
    std::atomic<bool> stop_{false};
    std::atomic<long long> peak_{0};
    std::thread thread_;
};

// The server's CPU time so far (user + system, with its reaped children and, for a forking
// server, its live descendants), in seconds: on a shared, loaded machine this moves far less
// than the wall-clock figures, so it is what to compare between runs.
double serverCpuSeconds(const Target& target)
{
    unsigned long long ticks = 0;
    for (pid_t pid : processTree(target.pid, target.forks)) {
        std::vector<std::string> fields = statFields(pid);
        // From field 3 (state): utime, stime, cutime and cstime are fields 14 to 17.
        for (std::size_t i = 14 - 3; i <= 17 - 3 && i < fields.size(); ++i)
            ticks += std::strtoull(fields[i].c_str(), nullptr, 10);
    }
    return static_cast<double>(ticks) / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

// Reads the first line a child writes to `fd` (closing it), or "" after 10 s.
std::string firstLine(int fd)
{
    std::string line;
    char c;
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 10000) <= 0 || ::read(fd, &c, 1) != 1 || c == '\n') break;
        line += c;
    }
    ::close(fd);
    return line;
}

Target startOhmkit(const std::string& store, int clients)
{
    Target target;
    target.name = "Ohmkit";
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) return target;
    pid_t pid = ::fork();
    if (pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);   // never outlives the benchmark
        ::dup2(pipeFds[1], 1);
        int devNull = ::open(std::getenv("FTP_BENCH_LOG") ? std::getenv("FTP_BENCH_LOG") : "/dev/null", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(devNull, 2);   // the diagnostic log
        ::close(pipeFds[0]);
        // Every client of the benchmark comes from 127.0.0.1: the limits make room for them all.
        const std::string room = std::to_string(clients + 10);
        std::_Exit(ohmkit::app::serveCommand(
            {"--port", "0", "--http-port", "0", "--documents", store, "--max-clients", room, "--max-per-address", room}, std::cout,
            std::cerr));
    }
    ::close(pipeFds[1]);
    std::string first = firstLine(pipeFds[0]);
    std::size_t colon = first.rfind(':');
    target.pid = pid;
    target.port = colon == std::string::npos ? 0 : static_cast<std::uint16_t>(std::atoi(first.c_str() + colon + 1));
    return target;
}

// Runs `argv` with its output on /dev/null (or, with `out`, its standard output on a pipe).
pid_t spawn(const std::vector<std::string>& argv, int* out = nullptr)
{
    int pipeFds[2] = {-1, -1};
    if (out && ::pipe(pipeFds) != 0) return -1;
    pid_t pid = ::fork();
    if (pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);   // never outlives the benchmark
        int devNull = ::open("/dev/null", O_RDWR);
        ::dup2(devNull, 0);
        ::dup2(out ? pipeFds[1] : devNull, 1);
        ::dup2(devNull, 2);
        std::vector<char*> args;
        for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        ::execvp(args[0], args.data());
        std::_Exit(127);
    }
    if (out) {
        ::close(pipeFds[1]);
        *out = pipeFds[0];
    }
    return pid;
}

// Waits until a control connection to the target is greeted; false when it never is.
bool greets(const Target& target)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        Control probe;
        if (probe.open(target.port)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

// vsftpd in the foreground on 127.0.0.1 only, anonymous, writing into `root`/pub (its chroot
// root must not be writable by the session's user). It runs as root, so it is skipped
// otherwise.
Target startVsftpd(const std::string& root)
{
    Target target;
    target.name = "vsftpd";
    target.user = "anonymous";
    target.folder = "pub";
    target.forks = true;
    const passwd* ftpUser = ::getpwnam("ftp");
    const std::string binary = std::filesystem::exists("/usr/sbin/vsftpd") ? "/usr/sbin/vsftpd" : "vsftpd";
    if (::geteuid() != 0 || !ftpUser) {
        std::fprintf(stderr, "ftp_bench: vsftpd needs root and the user ftp; skipped\n");
        return target;
    }
    std::filesystem::create_directories(root + "/pub");
    ::chmod(root.c_str(), 0755);
    if (::chown((root + "/pub").c_str(), ftpUser->pw_uid, ftpUser->pw_gid) != 0) return target;
    const std::string config = root + ".conf";
    for (int attempt = 0; attempt < 5 && target.pid <= 0; ++attempt) {
        target.port = freeLoopbackPort();
        std::ofstream(config) << "listen=YES\nlisten_ipv6=NO\nlisten_address=127.0.0.1\nlisten_port=" << target.port
                              << "\nbackground=NO\nanonymous_enable=YES\nlocal_enable=NO\nno_anon_password=YES\n"
                                 "anon_root="
                              << root
                              << "\nwrite_enable=YES\nanon_upload_enable=YES\nanon_mkdir_write_enable=YES\n"
                                 "anon_other_write_enable=YES\nanon_world_readable_only=NO\nanon_umask=022\n"
                                 "dirmessage_enable=NO\nxferlog_enable=NO\nconnect_from_port_20=NO\n"
                                 "seccomp_sandbox=NO\nisolate=NO\nisolate_network=NO\nmax_clients=0\n"
                                 "max_per_ip=0\npasv_address=127.0.0.1\n"
                                 "secure_chroot_dir=/var/run/vsftpd/empty\n";
        target.pid = spawn({binary, config});
        if (target.pid > 0 && !greets(target)) {
            ::kill(target.pid, SIGKILL);
            ::waitpid(target.pid, nullptr, 0);
            target.pid = -1;
        }
    }
    return target;
}

// pyftpdlib with one user over `store`, printing its port; Debian's own interpreter.
Target startPyftpdlib(const std::string& store)
{
    Target target;
    target.name = "pyftpdlib";
    const std::string python = std::filesystem::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
    const std::string script =
        "import logging, sys\n"
        "from pyftpdlib.authorizers import DummyAuthorizer\n"
        "from pyftpdlib.handlers import FTPHandler\n"
        "from pyftpdlib.servers import FTPServer\n"
        "logging.basicConfig(level=logging.ERROR)\n"
        "authorizer = DummyAuthorizer()\n"
        "authorizer.add_user('bench', 'x', sys.argv[1], perm='elradfmwMT')\n"
        "FTPHandler.authorizer = authorizer\n"
        "server = FTPServer(('127.0.0.1', 0), FTPHandler)\n"
        "server.max_cons = 0\n"
        "server.max_cons_per_ip = 0\n"
        "print('port', server.socket.getsockname()[1], flush=True)\n"
        "server.serve_forever()\n";
    int out = -1;
    target.pid = spawn({python, "-c", script, store}, &out);
    if (target.pid <= 0) return target;
    std::string first = firstLine(out);
    target.port = first.rfind("port ", 0) == 0 ? static_cast<std::uint16_t>(std::atoi(first.c_str() + 5)) : 0;
    if (target.port == 0 || !greets(target)) {
        std::fprintf(stderr, "ftp_bench: pyftpdlib did not start (is python3-pyftpdlib installed?)\n");
        ::kill(target.pid, SIGKILL);
        ::waitpid(target.pid, nullptr, 0);
        target.pid = -1;
    }
    return target;
}

// One phase's outcome on one server.
struct Result {
    double value = 0;          // the phase's figure
    double seconds = 0;
    double cpuSeconds = 0;
    double peakMiB = 0;
    int failures = 0;
    std::string note;          // what else the phase saw
};

struct Phase {
    std::string name;
    const char* unit;
    bool higherIsBetter;
    bool cpuPerGiB;            // print the server's CPU time per GiB moved
    double bytes;              // bytes moved, for the CPU per GiB
    std::function<Result(const Target&)> run;
};

struct Options {
    int clients = 300;
    int bigMiB = 256;
    int smallFiles = 1000;
    int rounds = 0;
    bool peers = false;
    std::string storeIn;
};

std::vector<Phase> phases(const Options& options, const std::string& big)
{
    std::vector<Phase> list;
    const std::string mib = std::to_string(options.bigMiB) + " MiB";
    list.push_back({"STOR " + mib, "MB/s", true, true, static_cast<double>(big.size()), [&big](const Target& t) {
                        Result r;
                        Control control;
                        auto start = Clock::now();
                        bool ok = control.session(t) && control.upload("big.bin", big.data(), big.size());
                        r.seconds = secondsSince(start);
                        r.value = big.size() / r.seconds / 1e6;
                        r.failures = ok ? 0 : 1;
                        if (!ok) r.note = control.last();
                        return r;
                    }});
    list.push_back({"RETR " + mib, "MB/s", true, true, static_cast<double>(big.size()), [&big](const Target& t) {
                        Result r;
                        Control control;
                        auto start = Clock::now();
                        long long got = control.session(t) ? control.download("RETR big.bin") : -1;
                        r.seconds = secondsSince(start);
                        r.value = big.size() / r.seconds / 1e6;
                        r.failures = got == static_cast<long long>(big.size()) ? 0 : 1;
                        if (r.failures) r.note = control.last();
                        return r;
                    }});
    const int files = options.smallFiles;
    const std::string smallName = "STOR " + std::to_string(files) + " x 4 KiB";
    list.push_back({smallName, "files/s", true, false, 0, [files](const Target& t) {
                        Result r;
                        Control control;
                        const std::string small(4096, 's');
                        if (!control.session(t)) return Result{0, 0, 0, 0, files, control.last()};
                        control.command("MKD small");
                        control.command("CWD small");
                        auto start = Clock::now();
                        for (int i = 0; i < files; ++i)
                            if (!control.upload("f" + std::to_string(i), small.data(), small.size())) ++r.failures;
                        r.seconds = secondsSince(start);
                        r.value = files / r.seconds;
                        return r;
                    }});
    list.push_back({"RETR " + std::to_string(files) + " x 4 KiB", "files/s", true, false, 0, [files](const Target& t) {
                        Result r;
                        Control control;
                        if (!control.session(t) || control.command("CWD small").rfind("250", 0) != 0)
                            return Result{0, 0, 0, 0, files, control.last()};
                        auto start = Clock::now();
                        for (int i = 0; i < files; ++i)
                            if (control.download("RETR f" + std::to_string(i)) != 4096) ++r.failures;
                        r.seconds = secondsSince(start);
                        r.value = files / r.seconds;
                        return r;
                    }});
    // A burst: 20,000 NOOP lines in one write, and a second client served meanwhile; the
    // figure is how long the second client waited for greeting, login and one NOOP.
    list.push_back({"burst of 20000 NOOP lines, second client waited", "ms", false, false, 0, [](const Target& t) {
                        constexpr int kBurstLines = 20000;
                        Result r;
                        std::string lines;
                        for (int i = 0; i < kBurstLines; ++i) lines += "NOOP\r\n";
                        Control burst;
                        if (!burst.session(t)) return Result{0, 0, 0, 0, 1, "burst: cannot log in"};
                        std::atomic<int> replies{0};
                        std::atomic<bool> burstSent{false};
                        Clock::time_point burstStart;
                        double burstSeconds = 0;
                        std::thread reader([&] {
                            while (!burstSent) std::this_thread::yield();
                            for (int i = 0; i < kBurstLines; ++i)
                                if (burst.line().rfind("200", 0) == 0) ++replies;
                            burstSeconds = secondsSince(burstStart);
                        });
                        burstStart = Clock::now();
                        bool sent = burst.sendRaw(lines);
                        burstSent = true;
                        auto start = Clock::now();
                        Control other;
                        bool served = other.session(t) && other.command("NOOP").rfind("200", 0) == 0;
                        r.value = secondsSince(start) * 1e3;
                        reader.join();
                        r.seconds = burstSeconds;
                        r.failures = (sent ? 0 : 1) + (served ? 0 : 1) + (kBurstLines - replies.load());
                        if (r.failures) r.note = other.last();
                        return r;
                    }});
    const int clients = options.clients;
    list.push_back(
        {std::to_string(clients) + " concurrent clients (login, LIST, 1 MiB RETR)", "s", false, false, 0,
         [clients](const Target& t) {
             Result r;
             std::atomic<int> failed{0};
             std::mutex failedStepsLock;
             std::string failedSteps;   // the step at which each failed client failed
             std::vector<std::thread> threads;
             auto start = Clock::now();
             for (int i = 0; i < clients; ++i)
                 threads.emplace_back([&] {
                     Control c;
                     const char* step = nullptr;
                     if (!c.open(t.port)) step = "connect";
                     else if (!c.login(t)) step = "login";
                     else if (c.download("LIST") <= 0) step = "LIST";
                     else if (c.download("RETR one.bin") != (1 << 20)) step = "RETR";
                     else if (c.command("QUIT").rfind("221", 0) != 0) step = "QUIT";
                     if (step) {
                         ++failed;
                         std::lock_guard<std::mutex> lock(failedStepsLock);
                         failedSteps += std::string(failedSteps.empty() ? "" : "; ") + step + " (" + c.last() + ")";
                     }
                 });
             for (auto& thread : threads) thread.join();
             r.seconds = r.value = secondsSince(start);
             r.failures = failed.load();
             r.note = failedSteps.substr(0, 600);
             return r;
         }});
    list.push_back({std::to_string(clients) + " concurrent logins", "s", false, false, 0, [clients](const Target& t) {
                        Result r;
                        std::vector<std::unique_ptr<Control>> idle(static_cast<std::size_t>(clients));
                        std::vector<std::thread> threads;
                        std::atomic<int> loggedIn{0};
                        auto start = Clock::now();
                        for (auto& slot : idle)
                            threads.emplace_back([&slot, &loggedIn, &t] {
                                slot = std::make_unique<Control>();
                                if (slot->session(t)) ++loggedIn;
                            });
                        for (auto& thread : threads) thread.join();
                        r.seconds = r.value = secondsSince(start);
                        r.failures = clients - loggedIn.load();
                        return r;
                    }});
    return list;
}

double median(std::vector<double> values)
{
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    std::size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

void stop(Target& target)
{
    if (target.pid <= 0) return;
    ::kill(target.pid, target.name == "Ohmkit" ? SIGINT : SIGTERM);
    int status = 0;
    ::waitpid(target.pid, &status, 0);
    if (target.name == "Ohmkit")
        std::printf("Ohmkit server exit status %d\n", WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    target.pid = -1;
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    const char* tmpdir = std::getenv("TMPDIR");
    options.storeIn = tmpdir && *tmpdir ? tmpdir : "/tmp";
    for (int i = 1; i < argc; ++i) {
        std::string flag = argv[i];
        if (flag == "--peers") {
            options.peers = true;
            continue;
        }
        if (i + 1 >= argc) break;
        if (flag == "--clients") options.clients = std::atoi(argv[++i]);
        else if (flag == "--big-mib") options.bigMiB = std::atoi(argv[++i]);
        else if (flag == "--small-files") options.smallFiles = std::atoi(argv[++i]);
        else if (flag == "--store-in") options.storeIn = argv[++i];
        else if (flag == "--rounds") options.rounds = std::atoi(argv[++i]);
    }
    if (options.rounds <= 0) options.rounds = options.peers ? 3 : 1;

    std::string pattern = options.storeIn + "/ohmkit-ftp-bench-XXXXXX";
    if (!::mkdtemp(pattern.data())) {
        std::cerr << "ftp_bench: cannot create a folder in " << options.storeIn << "\n";
        return 1;
    }
    const std::string work = pattern;
    ::chmod(work.c_str(), 0755);   // vsftpd's session user walks into its root below
    std::vector<Target> targets;
    std::filesystem::create_directories(work + "/ohmkit");
    targets.push_back(startOhmkit(work + "/ohmkit", options.clients));
    if (targets[0].pid <= 0 || targets[0].port == 0) {
        std::cerr << "ftp_bench: the server did not start\n";
        return 1;
    }
    if (options.peers) {
        Target vsftpd = startVsftpd(work + "/vsftpd");
        if (vsftpd.pid > 0) targets.push_back(vsftpd);
        std::filesystem::create_directories(work + "/pyftpdlib");
        Target pyftpdlib = startPyftpdlib(work + "/pyftpdlib");
        if (pyftpdlib.pid > 0) targets.push_back(pyftpdlib);
    }
    for (const Target& t : targets) std::printf("%s: pid %d on 127.0.0.1:%u\n", t.name.c_str(), t.pid, t.port);
    std::printf("stores under %s; %d round(s)%s\n", work.c_str(), options.rounds,
                targets.size() > 1 ? ", servers interleaved" : "");

    // One big file (the same bytes for every server) and the 1 MiB file of the concurrent phase.
    std::string big(static_cast<std::size_t>(options.bigMiB) << 20, '\0');
    for (std::size_t i = 0; i < big.size(); i += 4096) big[i] = static_cast<char>(i >> 12);
    const std::string mib(1 << 20, 'm');
    {
        MemorySampler memory;
        for (const Target& t : targets) {
            Control control;
            if (!control.session(t) || !control.upload("one.bin", mib.data(), mib.size())) {
                std::fprintf(stderr, "ftp_bench: %s: cannot log in and upload (%s)\n", t.name.c_str(),
                             control.last().c_str());
                for (Target& started : targets) stop(started);
                return 1;
            }
            memory.watch(t);
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            std::printf("%s idle: %.1f MiB private\n", t.name.c_str(), memory.nowMiB());
        }

        for (const Phase& phase : phases(options, big)) {
            std::vector<std::vector<Result>> results(targets.size());
            for (int round = 0; round < options.rounds; ++round)
                for (std::size_t k = 0; k < targets.size(); ++k) {
                    std::size_t which = (k + static_cast<std::size_t>(round)) % targets.size();
                    const Target& t = targets[which];
                    memory.watch(t);
                    double cpuBefore = serverCpuSeconds(t);
                    Result r = phase.run(t);
                    std::this_thread::sleep_for(std::chrono::milliseconds(100));   // let the server settle
                    r.cpuSeconds = serverCpuSeconds(t) - cpuBefore;
                    r.peakMiB = memory.takePeakMiB();
                    results[which].push_back(r);
                }
            std::printf("%s:\n", phase.name.c_str());
            std::vector<double> medians;
            for (std::size_t which = 0; which < targets.size(); ++which) {
                std::vector<double> values, cpu, peak;
                int failures = 0;
                std::string notes;
                for (const Result& r : results[which]) {
                    values.push_back(r.value);
                    cpu.push_back(r.cpuSeconds);
                    peak.push_back(r.peakMiB);
                    failures += r.failures;
                    if (!r.note.empty() && notes.find(r.note) == std::string::npos)
                        notes += (notes.empty() ? "" : "; ") + r.note;
                }
                medians.push_back(median(values));
                std::printf("  %-10s %10.*f %-7s CPU %.2f s", targets[which].name.c_str(), medians.back() < 10 ? 3 : 1,
                            medians.back(), phase.unit, median(cpu));
                if (phase.cpuPerGiB) std::printf(" (%.2f s per GiB)", median(cpu) / (phase.bytes / (1 << 30)));
                std::printf(", peak %.1f MiB private", *std::max_element(peak.begin(), peak.end()));
                if (failures) std::printf(", %d FAILED", failures);
                if (!notes.empty()) std::printf(" [%s]", notes.c_str());
                std::printf("\n");
            }
            if (medians.size() > 1) {
                double best = phase.higherIsBetter ? *std::max_element(medians.begin() + 1, medians.end())
                                                   : *std::min_element(medians.begin() + 1, medians.end());
                double ratio = phase.higherIsBetter ? medians[0] / best : best / medians[0];
                std::printf("  Ohmkit to the better peer: %.2f\n", ratio);
            }
            std::fflush(stdout);
        }

        // Logins left idle: what they cost in memory.
        for (const Target& t : targets) {
            std::vector<std::unique_ptr<Control>> idle;
            int loggedIn = 0;
            for (int i = 0; i < options.clients; ++i) {
                idle.push_back(std::make_unique<Control>());
                if (idle.back()->session(t)) ++loggedIn;
            }
            memory.watch(t);
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            std::printf("%s: %d idle clients logged in: %.1f MiB private\n", t.name.c_str(), loggedIn, memory.nowMiB());
        }
    }
    for (Target& t : targets) stop(t);
    std::filesystem::remove_all(work);
    return 0;
}
