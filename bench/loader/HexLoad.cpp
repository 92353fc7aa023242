#include "image/HexLoader.h"

#include <cstdio>
#include <cstring>
#include <future>
#include <thread>

// Usage: dravik-hexload [--second-thread] FILE. Loads FILE as FILE OPEN does for a 1024-word
// device. With --second-thread another thread waits beside the load, as the window's threads
// do: a loader that took a lock for each character would pay for it only then.
int main(int argc, char *argv[])
{
    const bool secondThread = argc == 3 && std::strcmp(argv[1], "--second-thread") == 0;
    if (argc != 2 && !secondThread) {
        std::fprintf(stderr, "usage: %s [--second-thread] FILE.hex\n", argv[0]);
        return 2;
    }
    std::promise<void> loaded;
    std::thread waiter;
    if (secondThread)
        waiter = std::thread([done = loaded.get_future()] { done.wait(); });
    const bool ok = loadHexFile(argv[argc - 1], ProgramBuffer(), 1024).ok();
    loaded.set_value();
    if (waiter.joinable())
        waiter.join();
    return ok ? 0 : 1;
}
