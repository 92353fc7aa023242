#pragma once

#include "link/WindowSeam.h"

// Every message box the user can meet, with its text, title, icon and buttons.
namespace Messages {

// A configuration word as four upper-case hex digits, leading zeros kept: "3FF1", "000B".
inline QString configWordText(quint16 word)
{
    return QStringLiteral("%1").arg(word, 4, 16, QLatin1Char('0')).toUpper();
}

inline Message cantOpenPort(int portNumber)
{
    return {QStringLiteral("Can't Open COM%1").arg(portNumber), QStringLiteral("COM ERROR")};
}
// A port named by its device path rather than COM1 / COM2 (dravik-cli).
inline Message cantOpenDevice(const QString &deviceName)
{
    return {QStringLiteral("Can't Open %1").arg(deviceName), QStringLiteral("COM ERROR")};
}
inline Message cantClosePort(int portNumber)
{
    return {QStringLiteral("Can't Close COM%1").arg(portNumber), QStringLiteral("COM ERROR")};
}
inline Message timeOver()
{
    return {QStringLiteral("COMM Time over"), QStringLiteral("COMM ERROR")};
}
inline Message commDataError()
{
    return {QStringLiteral("COMM DATA ERROR"), QStringLiteral("COMM ERROR")};
}
inline Message adapterConfirmed(const QString &twoCharacters)
{
    return {QStringLiteral("Confirm Tobrisk ") + twoCharacters, QStringLiteral("CHECK ID"),
            BoxIcon::Information};
}
inline Message hardwareNotFound()
{
    return {QStringLiteral("Can not found Hardware"), QStringLiteral("CHECK ID"), BoxIcon::Warning,
            BoxButtons::RetryCancel};
}
inline Message noData()
{
    return {QStringLiteral("I have no data"), QStringLiteral("WRITE ERROR")};
}
inline Message cantWriteProgram()
{
    return {QStringLiteral("Can't Write to PIC"), QStringLiteral("WRITE ERROR")};
}
inline Message cantWriteConfig()
{
    return {QStringLiteral("Can't Write to Config"), QStringLiteral("WRITE ERROR")};
}
inline Message verifyFailure()
{
    return {QStringLiteral("Verify failure"), QStringLiteral("VERIFY ERROR")};
}
inline Message verifyGood()
{
    return {QStringLiteral("Good"), QStringLiteral("Verify completed"), BoxIcon::Information};
}
inline Message fileError()
{
    return {QStringLiteral("Can't Read or Open the FILE"), QStringLiteral("FILE ERROR")};
}
inline Message cantWriteFile()
{
    return {QStringLiteral("Can't Write the FILE"), QStringLiteral("FILE ERROR")};
}

inline Message configWordNotOnPanel(quint16 fileWord, quint16 writtenWord)
{
    return {QStringLiteral("The file's configuration word %1 cannot be set on the panel; WRITE will write %2.")
                .arg(configWordText(fileWord), configWordText(writtenWord)),
            QStringLiteral("CONFIG WORD"), BoxIcon::Warning};
}
inline Message writeOtherConfigWord(quint16 fileWord, quint16 writtenWord)
{
    return {QStringLiteral("The file asks for configuration word %1; WRITE will write %2. Write anyway?")
                .arg(configWordText(fileWord), configWordText(writtenWord)),
            QStringLiteral("CONFIG WORD"), BoxIcon::Warning, BoxButtons::YesNo};
}

} // namespace Messages
