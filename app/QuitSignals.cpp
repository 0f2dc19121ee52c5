#include "app/QuitSignals.h"

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>

namespace {
sigset_t QuitSet() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGHUP);
    return set;
}
}  // namespace

void BlockQuitSignals() {
    const sigset_t set = QuitSet();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

void WatchQuitSignals(std::function<void()> onSignal) {
    const sigset_t set = QuitSet();
    const int fd = signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
    if (fd < 0) return;
    auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [fd, onSignal = std::move(onSignal)] {
        signalfd_siginfo info;
        while (read(fd, &info, sizeof info) == ssize_t(sizeof info)) onSignal();
    });
    QObject::connect(notifier, &QObject::destroyed, [fd] { close(fd); });
}
