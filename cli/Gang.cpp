#include "cli/Gang.h"

#include "cli/ChipReport.h"
#include "cli/CliOptions.h"
#include "ops/ExitStatus.h"
#include "device/Profiles.h"
#include "ops/Messages.h"
#include "ops/RecordStore.h"
#include "ops/SignalWatch.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sys/prctl.h>
#include <unistd.h>
#include <vector>

namespace {

const QByteArray kProgressTag = "@progress";
const QByteArray kChipTag = "@chip";
const QByteArray kRowTag = "@row";
constexpr char kSeparator = '\t';

bool printed(std::FILE *out, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), out);
    return std::fflush(out) == 0 && std::ferror(out) == 0;
}

// One port of the gang and the dravik-cli working it.
struct Member {
    QString name; // the port as given, or "simulated N"
    QProcess process;
    QByteArray pendingOut, pendingErr; // a line not yet ended
    QString operation;
    int wordsDone = 0;
    int wordsTotal = 0;
    int lastTenth = 0;
    QElapsedTimer operationClock;
    ChipRecord record;
    std::optional<qint64> rowId; // its row in the records, once it has one
    bool ended = false;
};

// The whole lines `more` ends, what is left waiting for its line end.
QList<QByteArray> completeLines(QByteArray &pending, const QByteArray &more)
{
    pending += more;
    const int lastEnd = int(pending.lastIndexOf('\n'));
    if (lastEnd < 0)
        return {};
    QList<QByteArray> lines = pending.left(lastEnd).split('\n');
    pending.remove(0, lastEnd + 1);
    return lines;
}

class Coordinator {
public:
    Coordinator(const CliOptions &options, const QStringList &arguments)
        : options_(options), arguments_(arguments.mid(1)),
          terminal_(::isatty(STDERR_FILENO) == 1 && options.verbosity == Verbosity::Normal)
    {
    }

    int run();

private:
    void start(Member &member, int index);
    void takeOutput(Member &member, const QByteArray &more);
    void takeErrors(Member &member, const QByteArray &more);
    void end(Member &member, int status);
    void endRowOfKilled(const Member &member);
    void passOnSignals();
    void killEveryMember();
    void showProgress(Member &member);
    void showLines(const QStringList &lines);
    QString eraseProgress();
    QString progressBlock();
    QString progressOf(const Member &member) const;
    bool printTable() const;

    const CliOptions &options_;
    const QStringList arguments_;
    const bool terminal_; // progress lines are redrawn in place
    std::vector<std::unique_ptr<Member>> members_;
    int nameWidth_ = 0;
    int drawnLines_ = 0;
    const SignalWatch *watch_ = nullptr;
    int passedOn_ = 0; // signals passed on to the ports so far
    int running_ = 0;
    QEventLoop loop_;
};

int Coordinator::run()
{
    // Each signal is passed on as the event loop sees it.
    const SignalWatch watch(SignalWatch::Mode::CountForGang, [this] { passOnSignals(); });
    watch_ = &watch;
    for (int index = 0; index < options_.gangSize(); ++index) {
        auto member = std::make_unique<Member>();
        member->name = options_.simulatedAdapters > 0 ? QStringLiteral("simulated %1").arg(index + 1)
                                                      : options_.ports.at(index);
        nameWidth_ = std::max(nameWidth_, int(member->name.size()));
        members_.push_back(std::move(member));
    }
    for (int index = 0; index < int(members_.size()); ++index)
        start(*members_[std::size_t(index)], index);
    if (terminal_)
        printed(stderr, progressBlock());
    if (running_ > 0)
        loop_.exec();
    passOnSignals();

    int status = kSuccess;
    for (const auto &member : members_) {
        if (status == kSuccess)
            status = member->record.status;
    }
    if (watch.count() > 1)
        status = kStoppedBySignal + watch.firstSignal();
    if (!printTable()) {
        std::fprintf(stderr, "dravik-cli: the table could not be written to standard output: %s\n",
                     std::strerror(errno));
        if (status == kSuccess)
            status = kResultLost;
    }
    return status;
}

void Coordinator::start(Member &member, int index)
{
    QProcess &process = member.process;
    // A group of its own: the terminal's Ctrl+C reaches the ports once, passed on from here, and
    // the process ends (at its next word) when this one does.
    process.setChildProcessModifier([] {
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    });
    QObject::connect(&process, &QProcess::readyReadStandardOutput,
                     [this, &member] { takeOutput(member, member.process.readAllStandardOutput()); });
    QObject::connect(&process, &QProcess::readyReadStandardError,
                     [this, &member] { takeErrors(member, member.process.readAllStandardError()); });
    QObject::connect(&process, &QProcess::finished, [this, &member](int code, QProcess::ExitStatus how) {
        // A process a signal ended is numbered as a shell numbers it.
        end(member, how == QProcess::NormalExit ? code : kStoppedBySignal + code);
        if (how != QProcess::NormalExit)
            endRowOfKilled(member);
    });
    QObject::connect(&process, &QProcess::errorOccurred, [this, &member](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        showLines({QStringLiteral("%1: dravik-cli did not start: %2").arg(member.name, member.process.errorString())});
        end(member, kPortFailed);
    });
    member.record.port = member.name;
    ++running_;
    // In front of the rest, where no "--" can make it a file name.
    process.start(QCoreApplication::applicationFilePath(),
                  QStringList{QStringLiteral("--gang-member"), QString::number(index)} + arguments_);
}

void Coordinator::takeOutput(Member &member, const QByteArray &more)
{
    for (const QByteArray &line : completeLines(member.pendingOut, more)) {
        const QList<QByteArray> fields = line.split(kSeparator);
        if (fields.first() == kProgressTag && fields.size() == 4) {
            member.wordsDone = fields[1].toInt();
            member.wordsTotal = fields[2].toInt();
            member.operation = QString::fromLocal8Bit(fields[3]);
            showProgress(member);
        } else if (fields.first() == kChipTag && fields.size() == 6) {
            member.record.words = fields[1].toInt();
            if (!fields[2].isEmpty())
                member.record.configWord = quint16(fields[2].toUInt(nullptr, 16));
            if (!fields[3].isEmpty())
                member.record.serialNumber = fields[3].toULongLong();
            member.record.failedWord = fields[4].toInt();
            member.record.seconds = fields[5].toDouble();
        } else if (fields.first() == kRowTag && fields.size() == 3) {
            member.rowId = fields[1].toLongLong();
            if (!fields[2].isEmpty())
                member.record.serialNumber = fields[2].toULongLong();
        }
        // Anything else is the port's own result line: the table says it for every port.
    }
}

void Coordinator::takeErrors(Member &member, const QByteArray &more)
{
    QStringList lines;
    for (const QByteArray &line : completeLines(member.pendingErr, more))
        lines += QStringLiteral("%1: %2").arg(member.name, QString::fromLocal8Bit(line));
    if (!lines.isEmpty())
        showLines(lines);
}

void Coordinator::end(Member &member, int status)
{
    if (member.ended)
        return;
    takeOutput(member, member.process.readAllStandardOutput());
    takeErrors(member, member.process.readAllStandardError());
    // A last line without its line end still counts.
    takeOutput(member, member.pendingOut.isEmpty() ? QByteArray() : QByteArray("\n"));
    takeErrors(member, member.pendingErr.isEmpty() ? QByteArray() : QByteArray("\n"));
    member.ended = true;
    member.record.status = status;
    showProgress(member);
    if (--running_ == 0)
        loop_.quit();
}

// A port killed outright could not end its chip's row: this ends it, or makes it when the port
// had none yet, so the records hold every chip.
void Coordinator::endRowOfKilled(const Member &member)
{
    if (options_.records.isEmpty())
        return;
    RecordStore store(options_.records);
    QString problem = store.open();
    ChipRow row;
    row.port = member.name;
    row.device = QLatin1String(profileDefaults(options_.device).name);
    row.file = options_.file;
    row.result = member.record.result();
    row.exitStatus = member.record.status;
    std::optional<qint64> id = member.rowId;
    if (problem.isEmpty() && !id)
        id = store.insertChip(row, std::nullopt, problem);
    if (problem.isEmpty())
        problem = member.rowId ? store.endUnfinished(*id, row.result, member.record.status) : store.completeChip(*id, row);
    if (!problem.isEmpty())
        showLines({QStringLiteral("%1: the chip's row could not be ended in the records (%2)").arg(member.name, problem)});
}

// The first signal this process was sent goes on to the ports still working and stops them at
// their next word; a second ends them all at once.
void Coordinator::passOnSignals()
{
    if (watch_->count() > 1) {
        killEveryMember();
        return;
    }
    for (; passedOn_ < watch_->count(); ++passedOn_) {
        for (const auto &member : members_) {
            if (!member->ended && member->process.processId() > 0)
                ::kill(pid_t(member->process.processId()), watch_->firstSignal());
        }
    }
}

// SIGKILL ends a port's process even when it is stopped (SIGSTOP) and sees no other signal. None
// is waited for: each counts as ended by it at once, and is reaped when its QProcess goes.
void Coordinator::killEveryMember()
{
    for (const auto &member : members_) {
        if (member->ended || member->process.processId() <= 0)
            continue;
        ::kill(pid_t(member->process.processId()), SIGKILL);
        end(*member, kStoppedBySignal + SIGKILL);
        endRowOfKilled(*member);
        QObject::disconnect(&member->process, nullptr, nullptr, nullptr);
    }
}

void Coordinator::showProgress(Member &member)
{
    if (member.wordsDone == 0 && !member.ended)
        member.operationClock.start();
    if (terminal_) {
        const QString erase = eraseProgress();
        printed(stderr, erase + progressBlock());
        return;
    }
    if (options_.verbosity == Verbosity::Quiet || member.wordsTotal <= 0)
        return;
    const int tenth = int(qint64(member.wordsDone) * 10 / member.wordsTotal);
    if (member.ended || tenth <= member.lastTenth)
        return;
    member.lastTenth = tenth;
    printed(stderr, QStringLiteral("%1: %2\n")
                        .arg(member.name, progressStep(member.operation, tenth, member.wordsDone, member.wordsTotal)));
}

// Lines a port said, above the progress lines.
void Coordinator::showLines(const QStringList &lines)
{
    const QString text = eraseProgress() + lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
    printed(stderr, terminal_ ? text + progressBlock() : text);
}

QString Coordinator::eraseProgress()
{
    if (drawnLines_ == 0)
        return {};
    // Up to the first progress line, and everything from there down cleared.
    const QString erase = QStringLiteral("\x1b[%1A\r\x1b[J").arg(drawnLines_);
    drawnLines_ = 0;
    return erase;
}

QString Coordinator::progressBlock()
{
    QString block;
    for (const auto &member : members_)
        block += member->name.leftJustified(nameWidth_ + 2) + progressOf(*member) + QLatin1Char('\n');
    drawnLines_ = int(members_.size());
    return block;
}

QString Coordinator::progressOf(const Member &member) const
{
    if (member.ended)
        return member.record.result();
    if (member.wordsTotal <= 0)
        return QStringLiteral("starting");
    return progressBar(member.operation, member.wordsDone, member.wordsTotal, member.operationClock.elapsed());
}

// The result: a line per chip on standard output, the ports in the order given.
bool Coordinator::printTable() const
{
    QList<QStringList> rows{{QStringLiteral("port"), QStringLiteral("result"), QStringLiteral("words"),
                             QStringLiteral("config"), QStringLiteral("serial number"), QStringLiteral("seconds")}};
    for (const auto &member : members_) {
        const ChipRecord &record = member->record;
        rows += QStringList{record.port,
                            record.result(),
                            QString::number(record.words),
                            record.configWord ? Messages::configWordText(*record.configWord) : QStringLiteral("-"),
                            record.serialNumber && options_.serialRange
                                ? options_.serialRange->describe(*record.serialNumber)
                                : QStringLiteral("-"),
                            QString::number(record.seconds, 'f', 1)};
    }
    QList<int> widths(rows.first().size(), 0);
    for (const QStringList &row : rows) {
        for (int column = 0; column < row.size(); ++column)
            widths[column] = std::max(widths[column], int(row[column].size()));
    }
    QString table;
    for (const QStringList &row : rows) {
        QStringList cells;
        for (int column = 0; column < row.size(); ++column)
            cells += column + 1 < row.size() ? row[column].leftJustified(widths[column]) : row[column];
        table += cells.join(QStringLiteral("  ")) + QLatin1Char('\n');
    }
    return printed(stdout, table);
}

} // namespace

int runGang(const CliOptions &options, const QStringList &arguments)
{
    return Coordinator(options, arguments).run();
}

std::function<void(const QString &, int, int)> gangProgressReporter()
{
    return [lastPercent = -1](const QString &operation, int wordsDone, int wordsTotal) mutable {
        const int percent = wordsTotal > 0 ? int(qint64(wordsDone) * 100 / wordsTotal) : 0;
        if (percent == lastPercent && wordsDone != 0)
            return;
        lastPercent = percent;
        printed(stdout, QStringLiteral("%1\t%2\t%3\t%4\n")
                            .arg(QLatin1String(kProgressTag))
                            .arg(wordsDone)
                            .arg(wordsTotal)
                            .arg(operation));
    };
}

bool reportRowToGang(qint64 rowId, std::optional<quint64> serialNumber)
{
    return printed(stdout, QStringLiteral("%1\t%2\t%3\n")
                               .arg(QLatin1String(kRowTag))
                               .arg(rowId)
                               .arg(serialNumber ? QString::number(*serialNumber) : QString()));
}

bool reportToGang(const ChipRecord &record)
{
    const QStringList fields{
        QLatin1String(kChipTag),
        QString::number(record.words),
        record.configWord ? Messages::configWordText(*record.configWord) : QString(),
        record.serialNumber ? QString::number(*record.serialNumber) : QString(),
        QString::number(record.failedWord),
        QString::number(record.seconds, 'f', 1),
    };
    return printed(stdout, fields.join(QLatin1Char(kSeparator)) + QLatin1Char('\n'));
}
