#include "app/QuitOnSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <csignal>

#include <QCoreApplication>

namespace nabbit {

namespace {

std::atomic<int> signalPipe{-1};
std::atomic<bool> quitSignalled{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

extern "C" void onQuitSignal(int) {
    quitSignalled.store(true);
    const int fd = signalPipe.load();
    if (fd >= 0) {
        const char byte = 1;
        [[maybe_unused]] const auto written = ::write(fd, &byte, 1);
    }
}

}  // namespace

QuitOnSignals::QuitOnSignals(QObject* parent) : QObject(parent) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    readEnd_.reset(fds[0]);
    writeEnd_.reset(fds[1]);
    quitSignalled.store(false);
    signalPipe.store(writeEnd_.get());

    notifier_ = new QSocketNotifier(readEnd_.get(), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        char buffer[16];
        while (::read(readEnd_.get(), buffer, sizeof buffer) > 0) {
        }
        QCoreApplication::quit();
    });

    struct sigaction action {};
    action.sa_handler = onQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

bool QuitOnSignals::quitRequested() const {
    return quitSignalled.load();
}

QuitOnSignals::~QuitOnSignals() {
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    signalPipe.store(-1);
}

}  // namespace nabbit
