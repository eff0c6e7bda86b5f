// SPDX-License-Identifier: GPL-3.0-or-later
// The real program in the test session: cold start to a painted lock screen beside a minimal Qt window, and
// resident memory once unlocked with a journal of 20,000 entries. Run inside scripts/test-session.sh.
#include "journal/DayKey.h"
#include "journal/EntryCrypto.h"
#include "journal/EntryKeyStore.h"
#include "journal/EntryStore.h"
#include "journal/SecretServiceKeychain.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <csignal>
#include <optional>

using namespace wendle;

namespace {

Window findWindow(Display* display, Window root, const char* name)
{
    char* windowName = nullptr;
    if (XFetchName(display, root, &windowName) && windowName) {
        const bool match = std::strcmp(windowName, name) == 0;
        XFree(windowName);
        if (match) {
            return root;
        }
    }
    Window parent = 0;
    Window rootReturn = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    Window found = 0;
    if (XQueryTree(display, root, &rootReturn, &parent, &children, &count)) {
        for (unsigned int i = 0; i < count && !found; ++i) {
            found = findWindow(display, children[i], name);
        }
        XFree(children);
    }
    return found;
}

// Painted: the window is mapped and its corner shows the paper colour.
bool painted(Display* display, const char* name)
{
    const Window window = findWindow(display, DefaultRootWindow(display), name);
    if (!window) {
        return false;
    }
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes) || attributes.map_state != IsViewable) {
        return false;
    }
    XImage* image = XGetImage(display, window, 8, 8, 1, 1, AllPlanes, ZPixmap);
    if (!image) {
        return false;
    }
    const unsigned long pixel = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    const int red = static_cast<int>((pixel >> 16) & 0xff);
    const int green = static_cast<int>((pixel >> 8) & 0xff);
    return red >= 245 && green >= 245;
}

double secondsToPaint(const QString& program, const char* windowName, const QProcessEnvironment& environment,
                      const QStringList& arguments = {})
{
    Display* display = XOpenDisplay(nullptr);
    QProcess process;
    process.setProcessEnvironment(environment);
    QElapsedTimer timer;
    timer.start();
    process.start(program, arguments);
    process.waitForStarted();
    while (!painted(display, windowName) && timer.elapsed() < 20000) {
        QThread::usleep(1000);
    }
    const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    process.terminate();
    process.waitForFinished(5000);
    XCloseDisplay(display);
    return seconds;
}

QProcessEnvironment privateEnvironment(const QTemporaryDir& home)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    return environment;
}

QString binary(const char* name)
{
    return QCoreApplication::applicationDirPath() + u'/' + QString::fromLatin1(name);
}

void coldStartMinimalWindow(benchmark::State& state)
{
    QTemporaryDir home;
    for (auto _ : state) {
        state.SetIterationTime(secondsToPaint(binary("wendle_minimal_window"), "Minimal", privateEnvironment(home)));
    }
}
BENCHMARK(coldStartMinimalWindow)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

void coldStartMinimalWindowWithText(benchmark::State& state)
{
    QTemporaryDir home;
    for (auto _ : state) {
        state.SetIterationTime(secondsToPaint(binary("wendle_minimal_window"), "Minimal", privateEnvironment(home),
                                              {QStringLiteral("--text")}));
    }
}
BENCHMARK(coldStartMinimalWindowWithText)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

void coldStartLockScreen(benchmark::State& state)
{
    QTemporaryDir home;
    for (auto _ : state) {
        // WENDLE_BENCH_PROGRAM measures another build of the program, such as the installed package's.
        const QString program = qEnvironmentVariable("WENDLE_BENCH_PROGRAM", binary("wendle"));
        state.SetIterationTime(secondsToPaint(program, "Wendle", privateEnvironment(home)));
    }
}
BENCHMARK(coldStartLockScreen)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

std::shared_ptr<const EntryKey> keyringKey(EntryStore& store)
{
    SecretServiceKeychain keychain;
    std::optional<EntryKeyResult> result;
    loadOrCreateEntryKey(keychain, store, [&](EntryKeyResult r) { result = std::move(r); });
    while (!result) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return result->key;
}

bool xdotool(const QStringList& arguments)
{
    QProcess tool;
    tool.start(QStringLiteral("xdotool"), arguments);
    return tool.waitForFinished(15000) && tool.exitCode() == 0;
}

qint64 residentKilobytes(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').first().toLongLong();
        }
    }
    return -1;
}

void unlockedMemoryTwentyThousandEntries(benchmark::State& state)
{
    QTemporaryDir home;
    {
        QString error;
        auto store = EntryStore::open(home.filePath(QStringLiteral("data/wendle/journal.sqlite")), &error);
        const auto key = keyringKey(*store);
        const QByteArray body = sealEntryText(QString(1000, u'w'), *key);
        const Calendar calendar = Calendar::current();
        const QDateTime now = QDateTime::currentDateTimeUtc();
        for (int i = 0; i < 20000; ++i) {
            const QDateTime date = now.addDays(-1 - i / 3);
            store->insert({date, journalDayKey(date, calendar), QStringLiteral("memory-%1").arg(i % 3),
                           QStringLiteral("memory"), body, 40});
        }
        if (!store->save()) {
            qFatal("the bench journal could not be written");
        }
    }
    for (auto _ : state) {
        Display* display = XOpenDisplay(nullptr);
        QProcess wendle;
        wendle.setProcessEnvironment(privateEnvironment(home));
        wendle.start(binary("wendle"), {});
        wendle.waitForStarted();
        while (!findWindow(display, DefaultRootWindow(display), "Unlock your journal")) {
            QThread::usleep(10000);
        }
        QThread::usleep(300000);
        xdotool({QStringLiteral("search"), QStringLiteral("--name"), QStringLiteral("Unlock your journal"),
                 QStringLiteral("windowfocus"), QStringLiteral("--sync")});
        xdotool({QStringLiteral("type"), qEnvironmentVariable("WENDLE_TEST_PASSWORD")});
        xdotool({QStringLiteral("key"), QStringLiteral("Return")});
        while (findWindow(display, DefaultRootWindow(display), "Unlock your journal")) {
            QThread::usleep(10000);
        }
        QThread::usleep(1500000);
        state.counters["unlocked_RSS_MB"] = static_cast<double>(residentKilobytes(wendle.processId())) / 1024.0;
        state.SetIterationTime(1);
        wendle.terminate();
        wendle.waitForFinished(5000);
        XCloseDisplay(display);
    }
}
BENCHMARK(unlockedMemoryTwentyThousandEntries)->UseManualTime()->Iterations(1);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsEmpty("WENDLE_TEST_PASSWORD")) {
        std::fprintf(stderr, "wendle_app_bench runs inside scripts/test-session.sh\n");
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
