#include "tests/support/FakePort.h"

#include "AdapterModel.h"

#include <algorithm>

FakePort::FakePort(TestClock &clock) : clock_(clock) {}

void FakePort::attach(adaptersim::AdapterModel &model)
{
    model_ = &model;
}

void FakePort::answerNext(const QByteArray &bytes, int delayMs)
{
    answers_.append({bytes, delayMs});
}

void FakePort::arrive(const QByteArray &bytes, int delayMs)
{
    schedule(bytes, delayMs);
}

void FakePort::setSilent(bool silent)
{
    silent_ = silent;
}

void FakePort::failOpen(int portNumber, bool fail)
{
    if (fail)
        failingOpens_.insert(portNumber);
    else
        failingOpens_.remove(portNumber);
}

void FakePort::failClose(bool fail)
{
    failClose_ = fail;
}

void FakePort::failDropRts(bool fail)
{
    failDropRts_ = fail;
}

void FakePort::pullOut()
{
    open_ = false;
    incoming_.clear();
    if (lost_)
        lost_();
}

QStringList FakePort::sentCommands() const
{
    QStringList commands;
    for (const QByteArray &frame : written_.split('\x02')) {
        if (!frame.isEmpty())
            commands.append(QString::fromLatin1(frame));
    }
    return commands;
}

void FakePort::clearRecords()
{
    calls_.clear();
    written_.clear();
}

void FakePort::choosePort(int portNumber)
{
    calls_.append(QStringLiteral("choosePort %1").arg(portNumber));
    portNumber_ = portNumber;
}

void FakePort::setLineSettings(const LineSettings &settings)
{
    calls_.append(QStringLiteral("setLineSettings ") + settings.text());
    lineSettings_ = settings.text();
}

void FakePort::setInputLength(int length)
{
    calls_.append(QStringLiteral("setInputLength %1").arg(length));
    inputLength_ = length;
}

bool FakePort::open()
{
    calls_.append(QStringLiteral("open"));
    open_ = false; // a port still held after a failed close is released first
    incoming_.clear();
    if (failingOpens_.contains(portNumber_)) {
        failure_ = PortFailure::of(PortFailure::Cause::Missing, device(), QStringLiteral("No such file or directory"));
        return false;
    }
    open_ = true;
    return true;
}

bool FakePort::close()
{
    calls_.append(QStringLiteral("close"));
    if (failClose_ || !open_) {
        failure_ = PortFailure::other(device(), QStringLiteral("Input/output error"));
        return false;
    }
    open_ = false;
    incoming_.clear();
    return true;
}

bool FakePort::dropRts()
{
    calls_.append(QStringLiteral("dropRts"));
    if (open_ && !failDropRts_)
        return true;
    failure_ = PortFailure::other(device(), QStringLiteral("Input/output error"));
    return false;
}

QString FakePort::device() const
{
    return QStringLiteral("COM%1").arg(portNumber_);
}

void FakePort::write(const QByteArray &bytes)
{
    calls_.append(QStringLiteral("write ") + QString::fromLatin1(bytes.toHex(' ').toUpper()));
    if (!open_)
        return;
    written_ += bytes;
    if (!answers_.isEmpty()) {
        const Answer answer = answers_.takeFirst();
        schedule(answer.bytes, answer.delayMs);
        return;
    }
    if (silent_ || model_ == nullptr)
        return;
    for (const adaptersim::Reply &reply : model_->feed(std::string_view(bytes.constData(), bytes.size())))
        schedule(QByteArray::fromStdString(reply.bytes), reply.delayMs);
}

void FakePort::setReplyAwaited(bool awaited)
{
    // A reply due this very moment answers the frame just written, for the wait that starts now.
    dropWhatCameWhileIdle(clock_.now() - 1);
    if (replyAwaited_ && !awaited)
        idleSinceMs_ = clock_.now();
    replyAwaited_ = awaited;
}

void FakePort::dropWhatCameWhileIdle(qint64 untilMs)
{
    if (replyAwaited_)
        return;
    const auto cameWhileIdle = [&](const Incoming &in) { return in.dueMs > idleSinceMs_ && in.dueMs <= untilMs; };
    incoming_.erase(std::remove_if(incoming_.begin(), incoming_.end(), cameWhileIdle), incoming_.end());
}

int FakePort::receiveCount()
{
    const qint64 now = clock_.now();
    dropWhatCameWhileIdle(now);
    return static_cast<int>(std::count_if(incoming_.begin(), incoming_.end(),
                                          [now](const Incoming &in) { return in.dueMs <= now; }));
}

void FakePort::discard()
{
    calls_.append(QStringLiteral("discard"));
    incoming_.erase(incoming_.begin(), incoming_.begin() + receiveCount());
}

QByteArray FakePort::read()
{
    const int waiting = receiveCount();
    const int count = inputLength_ > 0 ? std::min(inputLength_, waiting) : waiting;
    QByteArray bytes;
    for (int i = 0; i < count; ++i) {
        bytes += incoming_.front().byte;
        incoming_.pop_front();
    }
    return bytes;
}

void FakePort::setLostHandler(std::function<void()> handler)
{
    lost_ = std::move(handler);
}

void FakePort::schedule(const QByteArray &bytes, int delayMs)
{
    const qint64 due = clock_.now() + delayMs;
    // After everything due at the same time or earlier, so bytes keep the order they were sent in.
    auto at = std::upper_bound(incoming_.begin(), incoming_.end(), due,
                               [](qint64 t, const Incoming &in) { return t < in.dueMs; });
    for (const char byte : bytes)
        at = incoming_.insert(at, {due, byte}) + 1;
}
