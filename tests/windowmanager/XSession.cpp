#include "XSession.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <cerrno>
#include <cstdlib>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kStartMs = 10000;

// Starts a program with its output discarded; keepFd stays open in it. The program gets SIGTERM when this process
// ends, however it ends.
pid_t spawn(const std::vector<std::string>& args, int keepFd, const QByteArray& display) {
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid != 0) return pid;
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent) _exit(127);
    const int devnull = open("/dev/null", O_RDWR);
    if (devnull >= 0) {
        dup2(devnull, STDIN_FILENO);
        if (keepFd != STDOUT_FILENO) dup2(devnull, STDOUT_FILENO);
        dup2(devnull, STDERR_FILENO);
    }
    if (!display.isEmpty()) setenv("DISPLAY", display.constData(), 1);
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
}

void stop(pid_t& pid) {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    int status = 0;
    for (int i = 0; i < 200; ++i) {
        if (waitpid(pid, &status, WNOHANG) == pid) {
            pid = -1;
            return;
        }
        QThread::msleep(10);
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    pid = -1;
}

bool exited(pid_t pid) {
    int status = 0;
    return waitpid(pid, &status, WNOHANG) == pid;
}

} // namespace

XSession::~XSession() {
    stop(m_windowManager);
    stop(m_server);
}

bool XSession::start(QString* error) {
    // The server writes the number of the free display it took to the pipe once it accepts connections.
    int fds[2];
    if (pipe(fds) != 0) {
        *error = QStringLiteral("pipe failed");
        return false;
    }
    m_server = spawn(
        {"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-noreset"},
        fds[1], {});
    close(fds[1]);
    std::string number;
    QElapsedTimer clock;
    clock.start();
    while (number.find('\n') == std::string::npos && clock.elapsed() < kStartMs) {
        pollfd p{fds[0], POLLIN, 0};
        const int ready = poll(&p, 1, int(kStartMs - clock.elapsed()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) break;
        char buffer[16];
        const ssize_t n = read(fds[0], buffer, sizeof buffer);
        if (n <= 0) break;
        number.append(buffer, size_t(n));
    }
    close(fds[0]);
    while (!number.empty() && (number.back() == '\n' || number.back() == '\r'))
        number.pop_back();
    if (number.empty()) {
        *error = QStringLiteral("Xvfb did not start (is it installed?)");
        return false;
    }
    m_display = QByteArray(":") + QByteArray::fromStdString(number);

    // openbox runs its start-up command once it manages the screen.
    QTemporaryDir dir;
    const QString ready = dir.filePath(QStringLiteral("ready"));
    m_windowManager = spawn({"openbox", "--sm-disable", "--startup", "touch " + ready.toStdString()}, -1, m_display);
    clock.restart();
    while (!QFileInfo::exists(ready)) {
        if (clock.elapsed() > kStartMs || exited(m_windowManager)) {
            m_windowManager = -1;
            *error =
                QStringLiteral("openbox did not start on %1 (is it installed?)").arg(QString::fromLatin1(m_display));
            return false;
        }
        QThread::msleep(10);
    }
    return true;
}
