// The widget engine and its event loop: the loops the program runs and
// leaves, and the short waits of its polling loops.
#include <QApplication>
#include <QCoreApplication>
#include <QEventLoop>
#include <QIcon>
#include <QStyleFactory>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/panels.h"

namespace {

std::vector<QEventLoop*>& RunningLoops() {
    static std::vector<QEventLoop*> loops;
    return loops;
}

// A quit asked for while no loop ran (the window closed during start-up):
// the next loop ends at once with its code.
bool quitPending = false;
int pendingCode = 0;

}  // namespace

int StartEngine(int& argc, char** argv) {
    if (QApplication::instance())
        return 1;
    // A platform or display named on the command line serves as one from the
    // environment; a style named there is the operator's choice over ours.
    bool named = false, styled = false;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg.starts_with("--"))
            arg.remove_prefix(1);
        named = named || arg == "-platform" || arg == "-display";
        styled = styled || arg == "-style" || arg.starts_with("-style=");
    }
    const bool haveDisplay =
        named || std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY") || std::getenv("QT_QPA_PLATFORM");
    if (!haveDisplay) {
        std::fprintf(stderr,
                     "No display: start the program in a desktop session, or set "
                     "QT_QPA_PLATFORM=offscreen to run it without one.\n");
        return 0;
    }
    // The application keeps a reference to the count for its whole life.
    static int count = argc;
    static QApplication* app = new QApplication(count, argv);
    // Qt has taken its own options out of argv and ended it with a null;
    // the caller reads the rest.
    argc = count;
    if (!styled)
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setQuitOnLastWindowClosed(false);
    return app ? 1 : 0;
}

void SetProgramIdentity(const char* name) {
    if (!QApplication::instance() || !name)
        return;
    const QString id = QString::fromLatin1(name);
    // Desktops match windows to their menu entry (and its icon) by this name.
    QGuiApplication::setDesktopFileName(id);
    const QIcon icon = QIcon::fromTheme(id);
    if (!icon.isNull())
        QApplication::setWindowIcon(icon);
}

int RunUserInterface() {
    if (!QApplication::instance())
        return -1;
    if (std::exchange(quitPending, false))
        return pendingCode;
    QEventLoop loop;
    RunningLoops().push_back(&loop);
    const int code = loop.exec();
    RunningLoops().pop_back();
    return code;
}

int QuitUserInterface(int exitCode) {
    if (RunningLoops().empty()) {
        quitPending = true;
        pendingCode = exitCode;
    }
    for (QEventLoop* loop : RunningLoops())
        loop->exit(exitCode);
    return 0;
}

namespace {
std::map<int, QTimer*>& Repeating() {
    static std::map<int, QTimer*> timers;
    return timers;
}
}  // namespace

int StartRepeating(double seconds, RepeatCallbackPtr callback) {
    if (!QCoreApplication::instance() || !callback)
        return -1;
    static int next = 0;
    auto* t = new QTimer(QCoreApplication::instance());
    QObject::connect(t, &QTimer::timeout, t, [callback] { callback(); });
    t->start(static_cast<int>(seconds * 1000));
    Repeating()[++next] = t;
    return next;
}

void StopRepeating(int id) {
    if (auto it = Repeating().find(id); it != Repeating().end()) {
        it->second->deleteLater();
        Repeating().erase(it);
    }
}

int ProcessSystemEvents() {
    if (!QCoreApplication::instance())
        return 0;
    // A wake-up after 10 ms bounds the wait, so the polling loops above can check
    // their time-outs; anything that happens earlier (a byte on the line, a
    // click) ends the wait at once.
    static QTimer* wake = [] {
        auto* t = new QTimer(QCoreApplication::instance());
        t->setSingleShot(true);
        t->setTimerType(Qt::PreciseTimer);
        return t;
    }();
    wake->start(10);
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    wake->stop();
    return 0;
}
