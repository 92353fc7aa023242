// Loads a full HEX file for a 1024-word device (134 records) with our loader and with srec_cat,
// each as a whole process started afresh, and prints the times, their ratio and the loader's
// peak memory. Our loader also runs beside a second thread, as in the window, whose threads
// make the C library lock where a lone thread need not; and on a file as long as a HEX file may
// be. It reports only; it never fails. It is plain C++ and small on purpose: a child's peak
// memory counts the pages of the process that started it.

#include "image/HexLoader.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

constexpr int kRuns = 21;

struct Run {
    double milliseconds = 0;
    long maxResidentKiB = 0;
    bool ok = false;
};

std::string record(int type, int address, const std::string &data)
{
    std::string bytes{char(data.size()), char(address >> 8), char(address & 0xFF), char(type)};
    bytes += data;
    int sum = 0;
    for (char b : bytes)
        sum += std::uint8_t(b);
    bytes += char(-sum & 0xFF);
    std::string text = ":";
    char digits[3];
    for (char b : bytes) {
        std::snprintf(digits, sizeof digits, "%02X", unsigned(std::uint8_t(b)));
        text += digits;
    }
    return text + "\r\n";
}

// Sixteen bytes of 14-bit words from byte `address` on.
std::string words(int address)
{
    std::string data;
    for (int k = 0; k < 16; k += 2) {
        const int word = (address + k) * 37 & 0x3FFF;
        data += char(word & 0xFF);
        data += char(word >> 8);
    }
    return data;
}

// All a program for a 1024-word device can hold, sixteen bytes to a record: its 1024 words
// (128 records), the ID locations, the configuration word and 64 bytes of EEPROM data.
std::string fullRecords()
{
    std::string text;
    for (int address = 0; address < 2048; address += 16)
        text += record(0, address, words(address));
    text += record(0, 0x4000, words(0).substr(0, 8)) + record(0, 0x400E, "\xF1\x3F");
    for (int address = 0x4200; address < 0x4240; address += 16)
        text += record(0, address, words(address));
    return text;
}

std::string fullFile()
{
    return fullRecords() + record(1, 0, {});
}

// The full file's records over and over, as long as the loader takes. Written piece by piece, so
// that this process, whose pages its children's peak memory counts, stays small.
bool writeFileAtTheSizeLimit(const std::string &path)
{
    const std::string records = fullRecords();
    const std::string end = record(1, 0, {});
    std::ofstream file(path, std::ios::binary);
    for (std::size_t size = 0; size + records.size() + end.size() <= std::size_t(kMaxHexFileBytes);
         size += records.size())
        file << records;
    return bool(file << end);
}

bool writeFile(const std::string &path, const std::string &text)
{
    std::ofstream file(path, std::ios::binary);
    return bool(file << text);
}

Run runProcess(const std::vector<std::string> &command)
{
    std::vector<char *> argv;
    for (const std::string &arg : command)
        argv.push_back(const_cast<char *>(arg.c_str()));
    argv.push_back(nullptr);

    Run run;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return run;
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid)
        return run;
    run.milliseconds =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    run.maxResidentKiB = usage.ru_maxrss;
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

struct Summary {
    double medianMs = 0;
    double fastestMs = 0;
    long maxResidentKiB = 0;
    int failures = 0;
};

Summary summarize(const std::vector<Run> &runs)
{
    std::vector<double> times;
    Summary s;
    for (const Run &run : runs) {
        times.push_back(run.milliseconds);
        s.maxResidentKiB = std::max(s.maxResidentKiB, run.maxResidentKiB);
        s.failures += run.ok ? 0 : 1;
    }
    std::sort(times.begin(), times.end());
    s.medianMs = times[times.size() / 2];
    s.fastestMs = times.front();
    return s;
}

void print(const char *name, const Summary &s)
{
    std::printf("%-28s median %7.2f ms  fastest %7.2f ms  peak RSS %6ld KiB%s\n", name, s.medianMs,
                s.fastestMs, s.maxResidentKiB, s.failures ? "  (FAILED to load)" : "");
}

} // namespace

int main()
{
    char dirTemplate[] = "/tmp/dravik-loader-bench.XXXXXX";
    if (!mkdtemp(dirTemplate)) {
        std::printf("loader bench: cannot make a temporary folder\n");
        return 0;
    }
    const std::string dir = dirTemplate;
    const std::string full = dir + "/full.hex";
    const std::string small = dir + "/small.hex";
    const std::string limit = dir + "/limit.hex";
    if (!writeFile(full, fullFile()) || !writeFile(small, record(0, 0, "\x05\x28") + record(1, 0, {}))
        || !writeFileAtTheSizeLimit(limit)) {
        std::printf("loader bench: cannot write the test files\n");
        return 0;
    }
    const std::vector<std::string> ours{DRAVIK_HEXLOAD, full};
    const std::vector<std::string> oursSmall{DRAVIK_HEXLOAD, small};
    const std::vector<std::string> oursThreaded{DRAVIK_HEXLOAD, "--second-thread", full};
    const std::vector<std::string> oursLimit{DRAVIK_HEXLOAD, limit};
    const std::vector<std::string> oursLimitThreaded{DRAVIK_HEXLOAD, "--second-thread", limit};
    const std::vector<std::string> theirs{"srec_cat", full, "-Intel", "-o", "/dev/null", "-Binary"};
    const bool haveSrecCat = runProcess(theirs).ok;

    // Interleaved, so a busy moment of the machine costs both alike; one warm-up run each.
    runProcess(ours);
    std::vector<Run> oursRuns, oursSmallRuns, theirRuns, threadedRuns, limitRuns, limitThreadedRuns;
    for (int i = 0; i < kRuns; ++i) {
        oursRuns.push_back(runProcess(ours));
        oursSmallRuns.push_back(runProcess(oursSmall));
        threadedRuns.push_back(runProcess(oursThreaded));
        limitRuns.push_back(runProcess(oursLimit));
        limitThreadedRuns.push_back(runProcess(oursLimitThreaded));
        if (haveSrecCat)
            theirRuns.push_back(runProcess(theirs));
    }

    std::printf("Loading a full 1024-word program in 134 records, %d runs each, whole processes:\n", kRuns);
    const Summary o = summarize(oursRuns);
    const Summary startOnly = summarize(oursSmallRuns);
    print("dravik-hexload", o);
    print("dravik-hexload, 1 record", startOnly);
    // The one-record file costs the process start and nothing else worth counting.
    std::printf("the 134 records' own share: %.2f ms; memory for them: %ld KiB\n",
                o.medianMs - startOnly.medianMs, o.maxResidentKiB - startOnly.maxResidentKiB);
    // The window's figure: its process has several threads.
    print("beside a second thread", summarize(threadedRuns));
    std::printf("A file at the size limit (%lld bytes):\n", kMaxHexFileBytes);
    print("dravik-hexload", summarize(limitRuns));
    print("beside a second thread", summarize(limitThreadedRuns));
    const auto removeFiles = [&] {
        std::remove(full.c_str());
        std::remove(small.c_str());
        std::remove(limit.c_str());
        rmdir(dir.c_str());
    };
    if (!haveSrecCat) {
        std::printf("srec_cat not found (Debian package srecord): no comparison\n");
        removeFiles();
        return 0;
    }
    const Summary t = summarize(theirRuns);
    print("srec_cat -Intel -> -Binary", t);
    std::printf("ratio dravik-hexload / srec_cat: %.2f (median), %.2f (fastest)\n",
                o.medianMs / t.medianMs, o.fastestMs / t.fastestMs);
    removeFiles();
    return 0;
}
