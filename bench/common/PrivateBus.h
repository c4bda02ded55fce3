#pragma once

#include <QtGlobal>
#include <cstdio>
#include <unistd.h>
#include <vector>

namespace bench {

// Runs this process again on a D-Bus session bus of its own (dbus-run-session), so that what
// it does on the bus stays there and nothing of the machine's answers. Returns only in the
// process to measure (or when dbus-run-session is missing). Call before anything uses a bus.
inline void rerunOnPrivateBus(int argc, char *argv[])
{
    if (!qEnvironmentVariableIsEmpty("SISMO_BENCH_PRIVATE_BUS"))
        return;
    qputenv("SISMO_BENCH_PRIVATE_BUS", "1");
    std::vector<char *> args{const_cast<char *>("dbus-run-session"), const_cast<char *>("--")};
    for (int i = 0; i < argc; ++i)
        args.push_back(argv[i]);
    args.push_back(nullptr);
    std::fflush(stdout);
    execvp("dbus-run-session", args.data());
    std::fprintf(stderr, "%s: no dbus-run-session; on the session bus as it is\n", argv[0]);
}

}  // namespace bench
