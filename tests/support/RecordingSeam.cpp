#include "tests/support/RecordingSeam.h"

#include <QCoreApplication>
#include <QtTest>

bool operator==(const Message &a, const Message &b)
{
    return a.text == b.text && a.title == b.title && a.icon == b.icon && a.buttons == b.buttons
        && a.informativeText == b.informativeText;
}

char *toString(const Message &message)
{
    static const char *const icons[] = {"Error", "Warning", "Information"};
    static const char *const buttons[] = {"Ok", "RetryCancel", "YesNo"};
    QString shown = QStringLiteral("%1 | %2 | %3 | %4")
                        .arg(message.text, message.title, QLatin1String(icons[static_cast<int>(message.icon)]),
                             QLatin1String(buttons[static_cast<int>(message.buttons)]));
    if (!message.informativeText.isEmpty())
        shown += QStringLiteral(" | ") + message.informativeText;
    return QTest::toString(shown);
}

BoxAnswer scriptedAnswer(BoxButtons buttons, QList<BoxAnswer> &answers)
{
    if (buttons == BoxButtons::Ok)
        return BoxAnswer::Ok;
    if (!answers.isEmpty())
        return answers.takeFirst();
    return buttons == BoxButtons::YesNo ? BoxAnswer::No : BoxAnswer::Cancel;
}

RecordingSeam::RecordingSeam(TestClock &clock) : clock_(clock) {}

void RecordingSeam::runFor(int ms)
{
    for (int elapsed = 0; elapsed < ms; elapsed += 100)
        RecordingSeam::idle();
}

QStringList RecordingSeam::boxTexts() const
{
    QStringList texts;
    for (const Message &box : boxes_)
        texts.append(box.text);
    return texts;
}

void RecordingSeam::clearRecords()
{
    boxes_.clear();
    boxTimes_.clear();
    log_.clear();
    history_.clear();
    waits_ = 0;
    progress_.clear();
}

BoxAnswer RecordingSeam::showBox(const Message &message)
{
    boxes_.append(message);
    boxTimes_.append(clock_.now());
    log_.append(QStringLiteral("box ") + message.text);
    runFor(boxPauseMs_);
    return scriptedAnswer(message.buttons, answers_);
}

void RecordingSeam::waitForEvents()
{
    ++waits_;
    idle();
}

void RecordingSeam::setTickText(const QString &text)
{
    keep(QStringLiteral("Text2"), text);
}

void RecordingSeam::idle()
{
    clock_.advance(100);
    if (tick_)
        tick_();
}

void RecordingSeam::record(const QString &field, const QString &text)
{
    log_.append(field + QLatin1Char(' ') + text);
    keep(field, text);
}

void RecordingSeam::keep(const QString &field, const QString &text)
{
    history_[field].append(text);
    fields_[field] = text;
}

void LiveSeam::idle()
{
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}
