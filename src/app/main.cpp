// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/StartupWarmUp.h"
#include "app/WendleApp.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <sys/prctl.h>

int main(int argc, char** argv)
{
    // Journal text must never end up in a core dump.
    prctl(PR_SET_DUMPABLE, 0);
    // A file-size limit must make a write fail (and be reported) rather than kill Wendle mid-save.
    std::signal(SIGXFSZ, SIG_IGN);

    const auto isSet = [](const char* name) {
        const char* value = std::getenv(name);
        return value && *value;
    };
    if (!isSet("DISPLAY") && !isSet("WAYLAND_DISPLAY") && !isSet("QT_QPA_PLATFORM")) {
        std::fprintf(stderr,
                     "wendle: no graphical session found (neither DISPLAY nor WAYLAND_DISPLAY is set). "
                     "Start Wendle from your desktop.\n");
        return 1;
    }
    // The font configuration loads while the application object connects to the display.
    wendle::StartupWarmUp warmUp;
    wendle::WendleApp app(argc, argv);
    const int status = app.run(warmUp);
    // Its threads finish while the application object they read still exists.
    warmUp.wait();
    return status;
}
