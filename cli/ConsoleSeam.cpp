#include "cli/ConsoleSeam.h"

#include "ops/SignalWatch.h"
#include "ops/TimeLeft.h"

#include <QCoreApplication>

#include <cerrno>
#include <cstring>

QString progressBar(const QString &operation, int wordsDone, int wordsTotal, qint64 elapsedMs)
{
    constexpr int kWidth = 30;
    const int filled = int(qint64(wordsDone) * kWidth / wordsTotal);
    QString left = timeLeftText(elapsedMs, wordsDone, wordsTotal);
    if (!left.isEmpty())
        left = QStringLiteral("  %1 left").arg(left);
    return QStringLiteral("%1 [%2%3] %4 %%5")
        .arg(operation, QString(filled, QLatin1Char('#')), QString(kWidth - filled, QLatin1Char('-')))
        .arg(int(qint64(wordsDone) * 100 / wordsTotal), 3)
        .arg(left.leftJustified(14));
}

QString progressStep(const QString &operation, int tenth, int wordsDone, int wordsTotal)
{
    return QStringLiteral("%1 %2 % (%3 of %4 words)").arg(operation).arg(tenth * 10).arg(wordsDone).arg(wordsTotal);
}

ConsoleSeam::ConsoleSeam(Verbosity verbosity, bool terminal, std::FILE *out)
    : verbosity_(verbosity), bar_(terminal && verbosity == Verbosity::Normal), out_(out)
{
}

BoxAnswer ConsoleSeam::showBox(const Message &message)
{
    // While a word is in hand the box is about that word.
    report(message, currentWord_.isEmpty() ? QString() : QStringLiteral("word %1").arg(currentWord_));
    // Nobody is there to answer a question.
    return answerThatSendsNothingMore(message.buttons);
}

void ConsoleSeam::report(const Message &message, const QString &detail)
{
    const bool failure = message.icon != BoxIcon::Information;
    if (failure || verbosity_ != Verbosity::Quiet) {
        QString line = message.title + QStringLiteral(": ") + message.text;
        if (!detail.isEmpty())
            line += QStringLiteral(" (%1)").arg(detail);
        printLine(line);
        if (failure && !message.informativeText.isEmpty())
            printLine(message.informativeText);
    }
}

void ConsoleSeam::inform(const QString &text)
{
    if (verbosity_ != Verbosity::Quiet)
        printLine(text);
}

void ConsoleSeam::warn(const Message &message)
{
    printLine(QStringLiteral("warning: %1: %2").arg(message.title, message.text));
    printLine(message.informativeText);
}

void ConsoleSeam::waitForEvents()
{
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void ConsoleSeam::say(const QString &text)
{
    printLine(QStringLiteral("dravik-cli: ") + text);
}

bool ConsoleSeam::printResult(const QString &line)
{
    // On a terminal standard error and standard output share the screen.
    endBar();
    std::fprintf(stdout, "%s\n", line.toLocal8Bit().constData());
    if (std::fflush(stdout) == 0 && std::ferror(stdout) == 0)
        return true;
    say(QStringLiteral("the result could not be written to standard output (%1)")
            .arg(QString::fromLocal8Bit(std::strerror(errno))));
    return false;
}

bool ConsoleSeam::stopRequested() const
{
    return stops_ && stops_->signalled();
}

void ConsoleSeam::showProgress(const QString &operation, int wordsDone, int wordsTotal)
{
    if (wordsDone == 0) {
        operationClock_.start();
        lastTenth_ = 0;
    }
    if (wordsDone == wordsTotal)
        currentWord_.clear();
    if (reporter_) {
        reporter_(operation, wordsDone, wordsTotal);
        return;
    }
    if (verbosity_ == Verbosity::Quiet || wordsTotal <= 0)
        return;
    if (bar_) {
        drawBar(operation, wordsDone, wordsTotal);
        return;
    }
    const int tenth = int(qint64(wordsDone) * 10 / wordsTotal);
    if (tenth > lastTenth_) {
        lastTenth_ = tenth;
        printLine(progressStep(operation, tenth, wordsDone, wordsTotal));
    }
}

void ConsoleSeam::drawBar(const QString &operation, int wordsDone, int wordsTotal)
{
    const QString line = QLatin1Char('\r') + progressBar(operation, wordsDone, wordsTotal, operationClock_.elapsed());
    std::fputs(line.toLocal8Bit().constData(), out_);
    barShown_ = wordsDone < wordsTotal;
    if (!barShown_)
        std::fputc('\n', out_);
    std::fflush(out_);
}

void ConsoleSeam::endBar()
{
    if (barShown_) {
        std::fputc('\n', out_);
        barShown_ = false;
    }
}

void ConsoleSeam::printLine(const QString &line)
{
    endBar();
    std::fprintf(out_, "%s\n", line.toLocal8Bit().constData());
    std::fflush(out_);
}

void ConsoleSeam::portLost(const QString &device)
{
    say(QStringLiteral("%1 went away: the adapter was unplugged or its line closed").arg(device));
}
