// SPDX-License-Identifier: GPL-3.0-or-later
// The real program in the test session: cold start to a painted lock screen beside a minimal Qt window, with an
// empty journal and with one of 20,000 entries (40 MB); with that journal, resident memory at the lock screen and
// once unlocked, and the time from confirming the password to a painted Today screen. Run inside
// scripts/test-session.sh.
#include "journal/DayKey.h"
#include "journal/EntryCrypto.h"
#include "journal/EntryKeyStore.h"
#include "journal/EntryStore.h"
#include "journal/SecretServiceKeychain.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <csignal>
#include <optional>
#include <string>
#include <utility>
#include <vector>

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

// The red and green of one pixel of a mapped window; nothing while it is not shown.
std::optional<std::pair<int, int>> pixelOf(Display* display, const char* name, int x, int y)
{
    const Window window = findWindow(display, DefaultRootWindow(display), name);
    if (!window) {
        return std::nullopt;
    }
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes) || attributes.map_state != IsViewable) {
        return std::nullopt;
    }
    XImage* image = XGetImage(display, window, x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image) {
        return std::nullopt;
    }
    const unsigned long pixel = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    return std::pair(static_cast<int>((pixel >> 16) & 0xff), static_cast<int>((pixel >> 8) & 0xff));
}

// Painted: the window is mapped and its corner shows the paper colour.
bool painted(Display* display, const char* name)
{
    const auto pixel = pixelOf(display, name, 8, 8);
    return pixel && pixel->first >= 245 && pixel->second >= 245;
}

// The Today screen is painted: its Done button (dark, bottom right) is where the lock screen has only paper.
bool todayPainted(Display* display)
{
    const auto pixel = pixelOf(display, "Wendle", 566, 497);
    return pixel && pixel->first < 100;
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

void coldStartMinimalWindowWithLockText(benchmark::State& state)
{
    QTemporaryDir home;
    for (auto _ : state) {
        state.SetIterationTime(secondsToPaint(binary("wendle_minimal_window"), "Minimal", privateEnvironment(home),
                                              {QStringLiteral("--lock-text")}));
    }
}
BENCHMARK(coldStartMinimalWindowWithLockText)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

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

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

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

// A home whose journal holds 20,000 entries of about 2 KB each (40 MB), sealed under the key in the session's
// keyring; made once.
const QTemporaryDir& largeJournalHome()
{
    static QTemporaryDir home;
    static bool made = false;
    if (!made) {
        made = true;
        QString error;
        auto store = EntryStore::open(home.filePath(QStringLiteral("data/wendle/journal.sqlite")), &error);
        const auto key = keyringKey(*store);
        const QByteArray body = sealEntryText(QString(1500, u'w'), *key);
        const Calendar calendar = Calendar::current();
        const QDateTime now = QDateTime::currentDateTimeUtc();
        for (int i = 0; i < 20000; ++i) {
            const QDateTime date = now.addDays(-1 - i / 3);
            store->insert({date, journalDayKey(date, calendar), QStringLiteral("memory-%1").arg(i % 3),
                           QStringLiteral("memory"), body, 40});
        }
        if (!store->save()) {
            std::fprintf(stderr, "the 20,000 entries could not be saved: %s\n", qPrintable(store->saveFailure()));
        }
    }
    return home;
}

// The bare window, the same window with the lock screen's text alone, the lock screen of an empty journal and that
// of 20,000 entries, started in turn, so that the ratios of their medians hold up on a machine others are using too.
// The window with the text shows what drawing that text costs any program.
void coldStartAgainstMinimalWindow(benchmark::State& state)
{
    QTemporaryDir emptyHome;
    const QTemporaryDir& largeHome = largeJournalHome();
    const QString program = qEnvironmentVariable("WENDLE_BENCH_PROGRAM", binary("wendle"));
    std::vector<double> minimal, lockText, empty, large;
    for (auto _ : state) {
        minimal.push_back(secondsToPaint(binary("wendle_minimal_window"), "Minimal", privateEnvironment(emptyHome)));
        lockText.push_back(secondsToPaint(binary("wendle_minimal_window"), "Minimal", privateEnvironment(emptyHome),
                                          {QStringLiteral("--lock-text")}));
        empty.push_back(secondsToPaint(program, "Wendle", privateEnvironment(emptyHome)));
        large.push_back(secondsToPaint(program, "Wendle", privateEnvironment(largeHome)));
        state.SetIterationTime(large.back());
    }
    state.counters["journal_MB"]
        = static_cast<double>(QFileInfo(largeHome.filePath(QStringLiteral("data/wendle/journal.sqlite"))).size()) / 1e6;
    state.counters["minimal_ms"] = median(minimal) * 1000;
    state.counters["lock_text_ms"] = median(lockText) * 1000;
    state.counters["lock_text_ratio"] = median(lockText) / median(minimal);
    state.counters["empty_ms"] = median(empty) * 1000;
    state.counters["large_ms"] = median(large) * 1000;
    state.counters["empty_ratio"] = median(empty) / median(minimal);
    state.counters["large_ratio"] = median(large) / median(minimal);
}
BENCHMARK(coldStartAgainstMinimalWindow)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(15);

// One or more builds of the program, named in WENDLE_BENCH_BUILDS (separated by ':'), started in turn with the bare
// window, one start each per round, so that a change is judged against what it changes on the same machine minute.
// Their ratios to the bare window are reported in the order given, as build1_ratio, build2_ratio, ...
void coldStartBuildsAgainstMinimalWindow(benchmark::State& state)
{
    const QStringList builds = qEnvironmentVariable("WENDLE_BENCH_BUILDS").split(u':', Qt::SkipEmptyParts);
    if (builds.isEmpty()) {
        state.SkipWithError("skipped: WENDLE_BENCH_BUILDS names no build to compare");
        return;
    }
    QTemporaryDir home;
    std::vector<double> minimal;
    std::vector<std::vector<double>> times(static_cast<std::size_t>(builds.size()));
    for (auto _ : state) {
        minimal.push_back(secondsToPaint(binary("wendle_minimal_window"), "Minimal", privateEnvironment(home)));
        for (qsizetype i = 0; i < builds.size(); ++i) {
            times[static_cast<std::size_t>(i)].push_back(secondsToPaint(builds[i], "Wendle", privateEnvironment(home)));
        }
        state.SetIterationTime(minimal.back());
    }
    state.counters["minimal_ms"] = median(minimal) * 1000;
    for (std::size_t i = 0; i < times.size(); ++i) {
        state.counters["build" + std::to_string(i + 1) + "_ratio"] = median(times[i]) / median(minimal);
    }
}
BENCHMARK(coldStartBuildsAgainstMinimalWindow)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(60);

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

// The time is from the key that confirms the password (including starting xdotool to press it) to the Today
// screen painted; memory is read at the lock screen with the password question up, and 1.5 s after unlocking.
void unlockTwentyThousandEntries(benchmark::State& state)
{
    const QTemporaryDir& home = largeJournalHome();
    const char* const question = "Unlock your journal";
    for (auto _ : state) {
        Display* display = XOpenDisplay(nullptr);
        QProcess wendle;
        wendle.setProcessEnvironment(privateEnvironment(home));
        wendle.start(qEnvironmentVariable("WENDLE_BENCH_PROGRAM", binary("wendle")), {});
        wendle.waitForStarted();
        while (!findWindow(display, DefaultRootWindow(display), question)) {
            QThread::usleep(10000);
        }
        QThread::usleep(300000);
        state.counters["lock_screen_RSS_MB"] = static_cast<double>(residentKilobytes(wendle.processId())) / 1024.0;
        xdotool({QStringLiteral("search"), QStringLiteral("--name"), QString::fromLatin1(question),
                 QStringLiteral("windowfocus"), QStringLiteral("--sync")});
        xdotool({QStringLiteral("type"), qEnvironmentVariable("WENDLE_TEST_PASSWORD")});
        QElapsedTimer timer;
        timer.start();
        xdotool({QStringLiteral("key"), QStringLiteral("Return")});
        while (!todayPainted(display) && timer.elapsed() < 20000) {
            QThread::usleep(1000);
        }
        state.SetIterationTime(static_cast<double>(timer.nsecsElapsed()) / 1e9);
        QThread::usleep(1500000);
        state.counters["unlocked_RSS_MB"] = static_cast<double>(residentKilobytes(wendle.processId())) / 1024.0;
        wendle.terminate();
        wendle.waitForFinished(5000);
        XCloseDisplay(display);
    }
}
BENCHMARK(unlockTwentyThousandEntries)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

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
