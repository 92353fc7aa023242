// Loads a full-size HEX file (20000 bytes in 1250 records) with our loader and with srec_cat,
// each as a whole process started afresh, and prints the times, their ratio and the loader's
// peak memory. It reports only; it never fails.

#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

extern char **environ;

namespace {

constexpr int kRuns = 21;

struct Run {
    double milliseconds = 0;
    long maxResidentKiB = 0;
    bool ok = false;
};

QByteArray record(int type, int address, const QByteArray &data)
{
    QByteArray bytes;
    bytes.append(char(data.size())).append(char(address >> 8)).append(char(address & 0xFF));
    bytes.append(char(type)).append(data);
    int sum = 0;
    for (char b : bytes)
        sum += std::uint8_t(b);
    bytes.append(char(-sum & 0xFF));
    return ':' + bytes.toHex().toUpper() + "\r\n";
}

// 1250 records of sixteen bytes each: bytes 0 to 19999, every word a 14-bit value.
QByteArray fullFile()
{
    QByteArray text;
    for (int address = 0; address < 20000; address += 16) {
        QByteArray data;
        for (int k = 0; k < 16; k += 2) {
            const int word = (address + k) * 37 & 0x3FFF;
            data.append(char(word & 0xFF)).append(char(word >> 8));
        }
        text += record(0, address, data);
    }
    return text + record(1, 0, {});
}

bool writeFile(const QString &path, const QByteArray &text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
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
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
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
    QTemporaryDir dir;
    const std::string full = dir.filePath(QStringLiteral("full.hex")).toStdString();
    const std::string small = dir.filePath(QStringLiteral("small.hex")).toStdString();
    if (!dir.isValid() || !writeFile(QString::fromStdString(full), fullFile())
        || !writeFile(QString::fromStdString(small), record(0, 0, "\x05\x28") + record(1, 0, {}))) {
        std::printf("loader bench: cannot write the test files\n");
        return 0;
    }
    const std::string srecCat =
        QStandardPaths::findExecutable(QStringLiteral("srec_cat")).toStdString();
    const std::vector<std::string> ours{DRAVIK_HEXLOAD, full};
    const std::vector<std::string> oursSmall{DRAVIK_HEXLOAD, small};
    const std::vector<std::string> theirs{srecCat, full, "-Intel", "-o", "/dev/null", "-Binary"};

    // Interleaved, so a busy moment of the machine costs both alike; one warm-up run each.
    runProcess(ours);
    if (!srecCat.empty())
        runProcess(theirs);
    std::vector<Run> oursRuns, oursSmallRuns, theirRuns;
    for (int i = 0; i < kRuns; ++i) {
        oursRuns.push_back(runProcess(ours));
        oursSmallRuns.push_back(runProcess(oursSmall));
        if (!srecCat.empty())
            theirRuns.push_back(runProcess(theirs));
    }

    std::printf("Loading 20000 bytes in 1250 records, %d runs each, whole processes:\n", kRuns);
    const Summary o = summarize(oursRuns);
    const Summary startOnly = summarize(oursSmallRuns);
    print("dravik-hexload", o);
    print("dravik-hexload, 1 record", startOnly);
    // The one-record file costs the process start and nothing else worth counting.
    std::printf("the 1250 records' own share: %.2f ms; memory for them: %ld KiB\n",
                o.medianMs - startOnly.medianMs, o.maxResidentKiB - startOnly.maxResidentKiB);
    if (srecCat.empty()) {
        std::printf("srec_cat not found (Debian package srecord): no comparison\n");
        return 0;
    }
    const Summary t = summarize(theirRuns);
    print("srec_cat -Intel -> -Binary", t);
    std::printf("ratio dravik-hexload / srec_cat: %.2f (median), %.2f (fastest)\n",
                o.medianMs / t.medianMs, o.fastestMs / t.fastestMs);
    return 0;
}
