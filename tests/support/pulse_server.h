#pragma once

// A PulseAudio server of a test's own: a null sink in a private runtime folder (with a private
// home and configuration, and D-Bus left out), so that nothing of the machine's own sound
// services is touched, and a recorder of the sink's monitor that says what was heard when.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace chimora::testing {

// Seconds since the epoch, with their fraction.
inline double WallSeconds() {
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

// Starts a program with exactly the given environment; standard output and error go to the
// given descriptors (or stay those of the test when -1). Returns the process id, or -1.
inline pid_t SpawnProgram(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                          int outFd = -1, int errFd = -1) {
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& e : env)
        envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (outFd >= 0)
        posix_spawn_file_actions_adddup2(&actions, outFd, 1);
    if (errFd >= 0)
        posix_spawn_file_actions_adddup2(&actions, errFd, 2);
    pid_t pid = -1;
    const int failed = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    return failed ? -1 : pid;
}

// Waits up to timeoutMs for the process to end; its exit status, or nothing while it runs.
inline std::optional<int> WaitForExit(pid_t pid, int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        if (std::chrono::steady_clock::now() >= end)
            return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

// Asks the process to end, and kills it when it does not within timeoutMs.
inline void EndProcess(pid_t pid, int timeoutMs = 5000) {
    if (pid <= 0)
        return;
    ::kill(pid, SIGTERM);
    if (!WaitForExit(pid, timeoutMs)) {
        ::kill(pid, SIGKILL);
        WaitForExit(pid, timeoutMs);
    }
}

inline bool ProgramOnPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string rest = path ? path : "/usr/bin:/bin";
    for (std::size_t at = 0; at <= rest.size();) {
        const std::size_t end = std::min(rest.find(':', at), rest.size());
        if (::access((rest.substr(at, end - at) + "/" + name).c_str(), X_OK) == 0)
            return true;
        at = end + 1;
    }
    return false;
}

class PulseServer {
  public:
    static constexpr const char* kSink = "chimora_bells";
    static constexpr int kRate = 44100;

    PulseServer() {
        static int counter = 0;
        root_ = std::filesystem::temp_directory_path() /
                ("chimora-pulse-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
        std::filesystem::remove_all(root_);
        for (const char* folder : {"run", "home", "config/pulse"})
            std::filesystem::create_directories(root_ / folder);
        std::filesystem::permissions(root_ / "run", std::filesystem::perms::owner_all);
        // A client must never start a server of its own: the test decides when there is one.
        std::ofstream(root_ / "config/pulse/client.conf") << "autospawn = no\n";
    }
    ~PulseServer() {
        Stop();
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    PulseServer(const PulseServer&) = delete;
    PulseServer& operator=(const PulseServer&) = delete;

    // Starts the server and waits until it takes clients; false, with the reason, when it
    // cannot run on this machine.
    // realtime: the server's threads get the real-time scheduling that a desktop's sound server
    // is given, where the machine allows it.
    bool Start(std::string* why, bool realtime = false) {
        if (!ProgramOnPath("pulseaudio") || !ProgramOnPath("pactl") || !ProgramOnPath("parec")) {
            *why = "pulseaudio, pactl or parec is not installed";
            return false;
        }
        std::filesystem::remove(SocketPath());
        pid_ = SpawnProgram(
            {"pulseaudio", "--daemonize=no", "-n", "--exit-idle-time=-1", "--use-pid-file=no",
             realtime ? "--realtime=yes" : "--realtime=no",
             realtime ? "--high-priority=yes" : "--high-priority=no",
             "--log-target=file:" + (root_ / "pulse.log").string(),
             "--load=module-native-protocol-unix auth-anonymous=1 socket=" + SocketPath(),
             "--load=module-null-sink sink_name=" + std::string(kSink) +
                 " rate=" + std::to_string(kRate)},
            ServerEnvironment());
        for (int attempt = 0; attempt < 100 && pid_ > 0; ++attempt) {
            if (Pactl({"info"}) == 0)
                return true;
            if (WaitForExit(pid_, 100)) {
                pid_ = -1;
                break;
            }
        }
        *why = "pulseaudio did not start; its log: " + (root_ / "pulse.log").string();
        Stop();
        return false;
    }

    void Stop() {
        EndProcess(pid_);
        pid_ = -1;
    }

    bool Running() const { return pid_ > 0; }
    pid_t Pid() const { return pid_; }
    std::string SocketPath() const { return (root_ / "run/pulse/native").string(); }
    std::filesystem::path Root() const { return root_; }

    // What a client of this server needs: the server's address, the private folders, and
    // SDL told to play on PulseAudio and nowhere else.
    std::vector<std::string> ClientEnvironment() const {
        std::vector<std::string> env = ServerEnvironment();
        env.push_back("PULSE_SERVER=unix:" + SocketPath());
        env.push_back("PULSE_CLIENTCONFIG=" + (root_ / "config/pulse/client.conf").string());
        env.push_back("PULSE_SINK=" + std::string(kSink));
        env.push_back("SDL_AUDIODRIVER=pulseaudio");
        return env;
    }

    // Runs pactl against this server; its exit status.
    int Pactl(const std::vector<std::string>& args) const {
        std::vector<std::string> argv{"pactl"};
        argv.insert(argv.end(), args.begin(), args.end());
        const int devNull = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        const pid_t pid = SpawnProgram(argv, ClientEnvironment(), devNull, devNull);
        ::close(devNull);
        if (pid < 0)
            return -1;
        const std::optional<int> status = WaitForExit(pid, 5000);
        if (!status)
            EndProcess(pid);
        return status.value_or(-1);
    }

  private:
    std::vector<std::string> ServerEnvironment() const {
        return {"PATH=/usr/local/bin:/usr/bin:/bin",
                "HOME=" + (root_ / "home").string(),
                "XDG_RUNTIME_DIR=" + (root_ / "run").string(),
                "XDG_CONFIG_HOME=" + (root_ / "config").string(),
                "DBUS_SESSION_BUS_ADDRESS=disabled:",
                "DBUS_SYSTEM_BUS_ADDRESS=disabled:"};
    }

    std::filesystem::path root_;
    pid_t pid_ = -1;
};

// Records the null sink's monitor (mono, 16 bits) with parec and places every sample on the
// wall clock: a block can only arrive after its last sample was rendered, so the earliest
// arrival less the duration recorded by then bounds the start of the recording closely.
class MonitorRecorder {
  public:
    explicit MonitorRecorder(const PulseServer& server) : server_(server) {}
    ~MonitorRecorder() { Stop(); }
    MonitorRecorder(const MonitorRecorder&) = delete;
    MonitorRecorder& operator=(const MonitorRecorder&) = delete;

    bool Start() {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0)
            return false;
        pid_ = SpawnProgram({"parec", "--device=" + std::string(PulseServer::kSink) + ".monitor",
                             "--format=s16le", "--rate=" + std::to_string(PulseServer::kRate),
                             "--channels=1", "--latency-msec=5", "--raw"},
                            server_.ClientEnvironment(), fds[1]);
        ::close(fds[1]);
        readFd_ = fds[0];
        if (pid_ < 0)
            return false;
        reader_ = std::thread([this] { Read(); });
        return true;
    }

    void Stop() {
        EndProcess(pid_);
        pid_ = -1;
        if (reader_.joinable())
            reader_.join();
        if (readFd_ >= 0)
            ::close(readFd_);
        readFd_ = -1;
    }

    // Waits until the recording has run for a while, so that its start is placed well.
    bool WaitUntilRecording(int timeoutMs = 5000) const {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (std::chrono::steady_clock::now() < end) {
            {
                std::lock_guard lock(mutex_);
                if (samples_.size() > PulseServer::kRate / 2)
                    return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

    // The loudest sample rendered between two wall-clock times.
    int PeakBetween(double from, double to) const {
        std::lock_guard lock(mutex_);
        int peak = 0;
        for (std::size_t i = IndexAt(from); i < std::min(IndexAt(to), samples_.size()); ++i)
            peak = std::max(peak, std::abs(static_cast<int>(samples_[i])));
        return peak;
    }

    // The wall-clock time of the first sample louder than threshold in [from, to).
    std::optional<double> OnsetBetween(double from, double to, int threshold) const {
        std::lock_guard lock(mutex_);
        for (std::size_t i = IndexAt(from); i < std::min(IndexAt(to), samples_.size()); ++i) {
            if (std::abs(static_cast<int>(samples_[i])) > threshold)
                return start_ + static_cast<double>(i) / PulseServer::kRate;
        }
        return std::nullopt;
    }

  private:
    void Read() {
        std::vector<std::int16_t> block(4096);
        for (;;) {
            const ssize_t n = ::read(readFd_, block.data(), block.size() * 2);
            if (n <= 0)
                return;
            const double arrival = WallSeconds();
            std::lock_guard lock(mutex_);
            // parec writes whole samples except perhaps at its very end.
            samples_.insert(samples_.end(), block.begin(), block.begin() + n / 2);
            start_ = std::min(start_,
                              arrival - static_cast<double>(samples_.size()) / PulseServer::kRate);
        }
    }

    std::size_t IndexAt(double wall) const {
        const double offset = (wall - start_) * PulseServer::kRate;
        return offset <= 0 ? 0 : static_cast<std::size_t>(offset);
    }

    const PulseServer& server_;
    pid_t pid_ = -1;
    int readFd_ = -1;
    std::thread reader_;
    mutable std::mutex mutex_;
    std::vector<std::int16_t> samples_;
    double start_ = 1e300;
};

}  // namespace chimora::testing
