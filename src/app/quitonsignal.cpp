#include "quitonsignal.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#ifdef Q_OS_UNIX
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

int signalPipe[2] = { -1, -1 };

void onSignal(int)
{
    const char byte = 1;
    // Only async-signal-safe work here: wake the event loop through the pipe.
    [[maybe_unused]] ssize_t n = ::write(signalPipe[1], &byte, 1);
}

} // namespace

void quitOnTerminationSignals(QCoreApplication *app)
{
    if (signalPipe[0] < 0) {
        if (::pipe(signalPipe) != 0)
            return;
        for (int fd : signalPipe) {
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
            ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        }
    }
    auto *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, app);
    QObject::connect(notifier, &QSocketNotifier::activated, app, [app] {
        char buffer[16];
        while (::read(signalPipe[0], buffer, sizeof buffer) > 0) { }
        app->exit(0);
    });

    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

#elif defined(Q_OS_WIN)
#include <QPointer>
#include <qt_windows.h>

namespace {

QPointer<QCoreApplication> quittingApp;

// Runs on a thread of the system's own: hand the quit to the event loop.
BOOL WINAPI onConsoleEvent(DWORD event)
{
    QMetaObject::invokeMethod(QCoreApplication::instance(), [] {
        if (quittingApp)
            quittingApp->exit(0);
    });
    // Closing the console, logging off or shutting down ends the process as
    // soon as this returns: give the shut-down path its few seconds first.
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT)
        Sleep(4000);
    return TRUE;
}

} // namespace

void quitOnTerminationSignals(QCoreApplication *app)
{
    quittingApp = app;
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

#else

void quitOnTerminationSignals(QCoreApplication *) { }

#endif
