#include "cli/TracingPort.h"

#include "link/CommandText.h"

TracingPort::TracingPort(SerialPort &port, bool tracing, std::FILE *out)
    : port_(port), tracing_(tracing), out_(out)
{
}

QString TracingPort::shown(const QByteArray &bytes)
{
    QString text;
    for (const char byte : bytes) {
        if (byte == CommandText::STX)
            text += QStringLiteral("<STX>");
        else if (byte == CommandText::ACK)
            text += QStringLiteral("<ACK>");
        else if (byte >= 0x20 && byte < 0x7F)
            text += QLatin1Char(byte);
        else
            text += QStringLiteral("<%1>").arg(quint8(byte), 2, 16, QLatin1Char('0')).toUpper();
    }
    return text;
}

void TracingPort::write(const QByteArray &bytes)
{
    if (tracing_)
        std::fprintf(out_, "> %s\n", shown(bytes).toLatin1().constData());
    port_.write(bytes);
}

QByteArray TracingPort::read()
{
    const QByteArray bytes = port_.read();
    if (tracing_ && !bytes.isEmpty())
        std::fprintf(out_, "< %s\n", shown(bytes).toLatin1().constData());
    return bytes;
}
