// adapter-sim: the programmer adapter with a chip in its socket, served on a pseudo-terminal.

#include "AdapterModel.h"
#include "PtyServer.h"
#include "StateFile.h"

#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <string>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace adaptersim;

namespace {

const char kHelp[] =
    "Usage: adapter-sim [options]\n"
    "Serves a simulated programmer adapter on a pseudo-terminal. The first line of output is the\n"
    "terminal's path; open it as the adapter's serial port. Runs until SIGTERM or SIGINT.\n"
    "\n"
    "  --device NAME           chip in the socket, a device of dravik-cli devices (default 16F84):\n"
    "                          its memory size, flash or EPROM, code protection and device ID\n"
    "  --device-id WORD        what the chip's device ID (2006h) reads, in hex (default: the\n"
    "                          device's with revision 1, or 3FFF for a device without one)\n"
    "  --id XY                 the two characters ending the identity reply (default 01)\n"
    "  --load FILE.hex         initial chip memory (program words at byte address 2n,\n"
    "                          configuration word at 400Eh): a regular file up to 1 MiB\n"
    "  --dump FILE.hex         write chip memory there on exit\n"
    "  --state FILE.hex        keep the chip there between runs: loaded at start when it exists\n"
    "                          (unless --load is given), written back, whole or not at all,\n"
    "                          after every closing step that follows a change and on exit\n"
    "  --link PATH             make a symbolic link PATH to the terminal (removed on exit)\n"
    "  --transcript FILE       one line per command received: V0, L3FFF, P1, S, I, Q3FFB, Z\n"
    "  --baud N                pace both directions at N baud, 10 bits a byte (default: no pacing)\n"
    "  --program-ms N          time a program command (P0, P1) takes before its ACK\n"
    "  --reply-delay MS        hold every reply back MS milliseconds, as a USB serial adapter's\n"
    "                          latency timer does (FTDI default 16, low latency 1)\n"
    "Faults (commands and fetches count from 1):\n"
    "  --silent-after N[:M]    answer nothing from the N-th command on (with M: for M commands)\n"
    "  --noise                 a stray printable byte before each ACK\n"
    "  --bad-fetch N           the N-th word fetch answers with a malformed reply\n"
    "  --late-ack N:MS         the N-th command's reply comes MS milliseconds late\n"
    "  --wrong-id              the identity reply does not start with VRN0412\n"
    "  --stuck-bit ADDR:BIT    bit BIT of program word ADDR (hexadecimal) is stuck at 1\n"
    "  --help                  show this text\n";

struct Options {
    Chip chip = Chip::PIC16F84;
    int deviceId = -1; // the device's own
    std::string id = "01";
    std::string load, dump, state, link, transcript;
    int baud = 0;
    int programMs = 0;
    int replyDelayMs = 0;
    Faults faults;
};

int number(const std::string &text, const std::string &option, int base = 10)
{
    int value = 0;
    const char *end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value, base);
    if (text.empty() || error != std::errc() || stop != end || value < 0)
        throw std::invalid_argument(option + ": not a number: " + text);
    return value;
}

// "N:M" into two numbers; without the colon the second keeps its value unless it is required.
void pair(const std::string &text, const std::string &option, int &first, int &second, bool secondRequired,
          int firstBase = 10)
{
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos && secondRequired)
        throw std::invalid_argument(option + " needs two values separated by ':'");
    first = number(text.substr(0, colon), option, firstBase);
    if (colon != std::string::npos)
        second = number(text.substr(colon + 1), option);
}

Options parse(int argc, char **argv)
{
    Options o;
    for (int i = 1; i < argc; ++i) {
        std::string option = argv[i];
        std::string value;
        const std::size_t equals = option.find('=');
        const bool inlineValue = equals != std::string::npos;
        if (inlineValue) {
            value = option.substr(equals + 1);
            option.resize(equals);
        }
        auto argument = [&]() -> const std::string & {
            if (!inlineValue) {
                if (i + 1 >= argc)
                    throw std::invalid_argument(option + " needs a value");
                value = argv[++i];
            }
            return value;
        };
        if (option == "--help") {
            std::cout << kHelp;
            std::exit(0);
        } else if (option == "--device") {
            const std::string &device = argument();
            const std::optional<int> row = deviceIndexNamed(device);
            if (!row)
                throw std::invalid_argument("--device: not a device of dravik-cli devices: " + device);
            o.chip = Chip(*row);
        } else if (option == "--device-id") {
            o.deviceId = number(argument(), option, 16);
            if (o.deviceId > 0x3FFF)
                throw std::invalid_argument("--device-id: a 14-bit word in hex");
        } else if (option == "--id") {
            o.id = argument();
            if (o.id.size() != 2 || o.id.find_first_of("\x02\x06") != std::string::npos)
                throw std::invalid_argument("--id takes two characters");
        } else if (option == "--load") {
            o.load = argument();
        } else if (option == "--dump") {
            o.dump = argument();
        } else if (option == "--state") {
            o.state = argument();
        } else if (option == "--link") {
            o.link = argument();
        } else if (option == "--transcript") {
            o.transcript = argument();
        } else if (option == "--baud") {
            o.baud = number(argument(), option);
        } else if (option == "--program-ms") {
            o.programMs = number(argument(), option);
        } else if (option == "--reply-delay") {
            o.replyDelayMs = number(argument(), option);
        } else if (option == "--silent-after") {
            pair(argument(), option, o.faults.silentFrom, o.faults.silentCount, false);
        } else if (option == "--noise") {
            o.faults.noise = true;
        } else if (option == "--bad-fetch") {
            o.faults.badFetch = number(argument(), option);
        } else if (option == "--late-ack") {
            pair(argument(), option, o.faults.lateAckCommand, o.faults.lateAckMs, true);
        } else if (option == "--wrong-id") {
            o.faults.wrongId = true;
        } else if (option == "--stuck-bit") {
            pair(argument(), option, o.faults.stuckAddress, o.faults.stuckBit, true, 16);
            if (o.faults.stuckBit > 13)
                throw std::invalid_argument("--stuck-bit: a word has bits 0 to 13");
        } else {
            throw std::invalid_argument("unknown option " + option);
        }
    }
    return o;
}

// As dravik's loader: a program for these devices is a few KB, and nothing larger is one.
constexpr off_t kMaxHexFileBytes = 1024 * 1024;
const std::string kTooLarge = " is larger than any program for these devices (1 MiB)";

std::string refusalOf(const struct stat &info)
{
    if (!S_ISREG(info.st_mode))
        return " is not a regular file";
    return info.st_size > kMaxHexFileBytes ? kTooLarge : std::string();
}

// A regular file up to the size limit. Anything else (a device, FIFO, folder) is refused unread:
// it is looked at before it is opened, since opening a device can have effects of its own, and
// the open never blocks.
std::string readHexFile(const std::string &path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        throw std::runtime_error("cannot read " + path + ": " + std::strerror(errno));
    std::string refusal = refusalOf(info);
    const int fd = refusal.empty() ? ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC) : -1;
    if (refusal.empty() && (fd < 0 || ::fstat(fd, &info) != 0))
        refusal = std::string(": ") + std::strerror(errno);
    else if (refusal.empty())
        refusal = refusalOf(info);
    std::string text;
    char block[64 * 1024];
    ssize_t count = 0;
    while (refusal.empty() && (count = ::read(fd, block, sizeof block)) != 0) {
        if (count < 0 && errno != EINTR)
            refusal = std::string(": ") + std::strerror(errno);
        else if (count > 0 && text.append(block, std::size_t(count)).size() > std::size_t(kMaxHexFileBytes))
            refusal = kTooLarge; // it grew since it was measured
    }
    if (fd >= 0)
        ::close(fd);
    if (!refusal.empty())
        throw std::runtime_error(path + refusal);
    return text;
}

volatile std::sig_atomic_t stopRequested = 0;

void requestStop(int)
{
    stopRequested = 1;
}

} // namespace

int main(int argc, char **argv)
{
    Options options;
    try {
        options = parse(argc, argv);
    } catch (const std::exception &e) {
        std::cerr << "adapter-sim: " << e.what() << "\nTry 'adapter-sim --help'.\n";
        return 2;
    }

    AdapterModel model(options.chip);
    model.setIdSuffix('0', options.id);
    if (options.deviceId >= 0)
        model.setDeviceId(static_cast<std::uint16_t>(options.deviceId));
    model.setProgramMs(options.programMs);
    model.setReplyDelayMs(options.replyDelayMs);
    model.setFaults(options.faults);

    std::FILE *transcript = nullptr;
    StateFile state(options.state);
    try {
        if (!options.load.empty() && !model.loadHex(readHexFile(options.load)))
            throw std::runtime_error(options.load + " is not an Intel HEX file");
        if (!options.state.empty() && options.load.empty() && state.exists()) {
            if (!model.loadHex(readHexFile(options.state)))
                throw std::runtime_error(options.state + " is not an Intel HEX file");
            state.loaded(model);
        }
        if (!options.transcript.empty() && !(transcript = std::fopen(options.transcript.c_str(), "w")))
            throw std::runtime_error("cannot write " + options.transcript + ": " + std::strerror(errno));
    } catch (const std::exception &e) {
        std::cerr << "adapter-sim: " << e.what() << '\n';
        return 2;
    }

    // The stop signals stay blocked except while the server sleeps, so none is lost between its checks.
    sigset_t stopSignals, waitMask;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    sigprocmask(SIG_BLOCK, &stopSignals, &waitMask);
    sigdelset(&waitMask, SIGTERM);
    sigdelset(&waitMask, SIGINT);
    struct sigaction action {};
    action.sa_handler = requestStop;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);

    int status = 0;
    try {
        PtyServer server;
        server.setBaud(options.baud);
        server.setTranscript(transcript);
        // The chip is written back between operations, never while one is programming it.
        std::string keepFailure;
        if (!options.state.empty()) {
            server.setWhenReplied([&] {
                const std::string failure = model.inProgrammingMode() ? std::string() : state.keep(model);
                if (!failure.empty() && failure != keepFailure)
                    std::cerr << "adapter-sim: " << failure << '\n';
                keepFailure = failure;
            });
        }
        if (!options.link.empty()) {
            struct stat existing {};
            if (lstat(options.link.c_str(), &existing) == 0 && S_ISLNK(existing.st_mode))
                unlink(options.link.c_str()); // left behind by a simulator that was killed
            if (symlink(server.slavePath().c_str(), options.link.c_str()) != 0)
                throw std::runtime_error("cannot link " + options.link + ": " + std::strerror(errno));
        }
        // Printed once the link exists, so a reader of this line can use either.
        std::cout << server.slavePath() << std::endl;
        try {
            server.serve(model, &stopRequested, waitMask);
        } catch (const std::exception &e) {
            std::cerr << "adapter-sim: " << e.what() << '\n';
            status = 1;
        }
        if (!options.link.empty())
            unlink(options.link.c_str());
    } catch (const std::exception &e) {
        std::cerr << "adapter-sim: " << e.what() << '\n';
        return 1;
    }

    if (transcript)
        std::fclose(transcript);
    if (!options.state.empty()) {
        const std::string failure = state.keep(model);
        if (!failure.empty()) {
            std::cerr << "adapter-sim: " << failure << '\n';
            status = 1;
        }
    }
    if (!options.dump.empty()) {
        std::ofstream out(options.dump, std::ios::binary);
        out << model.dumpHex();
        if (!out.flush()) {
            std::cerr << "adapter-sim: cannot write " << options.dump << '\n';
            status = 1;
        }
    }
    const Statistics &stats = model.statistics();
    std::cerr << "adapter-sim: " << stats.commands << " commands, " << stats.protocolViolations
              << " protocol violations, " << stats.badInput << " bad input, " << stats.unanswered
              << " unanswered\n";
    return status;
}
