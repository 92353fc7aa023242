#pragma once

#include "device/ConfigWord.h"
#include "device/Profiles.h"
#include "link/PortFailure.h"
#include "ops/ChipChecks.h"
#include "ops/WindowSeam.h"

#include <QStringList>

#include <optional>

// Every message box the user can meet, with its text, title, icon and buttons.
namespace Messages {

// A configuration word as four upper-case hex digits, leading zeros kept: "3FF1", "000B".
inline QString configWordText(quint16 word)
{
    return QStringLiteral("%1").arg(word, 4, 16, QLatin1Char('0')).toUpper();
}

// A value as a box's informative text quotes it: on one line and short, so that no value (a
// device name, a path) can hold up a box or bury its text.
inline QString shown(const QString &value)
{
    constexpr int kLongest = 120;
    QString line = value.size() <= kLongest
                       ? value
                       : QStringLiteral("%1...%2 (%3 characters)").arg(value.left(80), value.right(30)).arg(value.size());
    for (QChar &character : line) {
        if (character.category() == QChar::Other_Control)
            character = QLatin1Char('?');
    }
    return line;
}

// What went wrong with a port and what the user can do about it.
inline QString portFailureCause(const PortFailure &failure)
{
    const QString detected = failure.detected.isEmpty()
        ? QStringLiteral("No serial ports are detected.")
        : QStringLiteral("Detected serial ports:\n") + failure.detected.join(QLatin1Char('\n'));
    switch (failure.cause) {
    case PortFailure::Cause::None: return {};
    case PortFailure::Cause::Missing:
        return QStringLiteral("%1 was not found (%2).\n\n%3").arg(failure.device, failure.reason, detected);
    case PortFailure::Cause::PermissionDenied:
        // Joining root's group would hand the user the whole system.
        if (failure.group == QLatin1String("root"))
            return QStringLiteral("%1: permission denied (%2).\n\nThe device belongs to the group \"root\", which is "
                                  "not for users to join. A udev rule can give it a group of its own, for example "
                                  "a file /etc/udev/rules.d/50-dravik.rules holding\n\n"
                                  "    KERNEL==\"%3\", GROUP=\"dialout\", MODE=\"0660\"\n\n"
                                  "with you in that group. If you cannot add one, ask the administrator.")
                .arg(failure.device, failure.reason, failure.systemName);
        return QStringLiteral("%1: permission denied (%2).\n\nThe device belongs to the group \"%3\". "
                              "Add yourself to it with\n\n    sudo usermod -aG %3 $USER\n\n"
                              "then log out and log in again.")
            .arg(failure.device, failure.reason, failure.group);
    case PortFailure::Cause::InUse:
        return QStringLiteral("%1 is in use by another program (%2).").arg(failure.device, failure.reason);
    case PortFailure::Cause::Other:
        return failure.detected.isEmpty() ? QStringLiteral("%1: %2.").arg(failure.device, failure.reason)
                                          : QStringLiteral("%1: %2.\n\n%3").arg(failure.device, failure.reason, detected);
    }
    return {};
}

// Why COM1 is not the port remembered for it, under a box about COM1, or why a port chosen with
// Port... could not be remembered.
inline QString settingsProblemText(const SettingsProblem &problem)
{
    switch (problem.cause) {
    case SettingsProblem::Cause::None: break;
    case SettingsProblem::Cause::Unreadable:
        return QStringLiteral("The settings file %1 cannot be used: %2. The port chosen for COM1 is not known; "
                              "remove or mend the file, then choose the port with COM > Port...")
            .arg(shown(problem.settingsFile), problem.why);
    case SettingsProblem::Cause::NotADevicePath:
        return QStringLiteral("The port remembered for COM1 (\"%1\") is not an absolute device path of at most %2 "
                              "bytes, so it was ignored. Choose the port with COM > Port...")
            .arg(shown(problem.device))
            .arg(problem.longestPath);
    case SettingsProblem::Cause::NotWritten:
        return QStringLiteral("The settings file %1 cannot be used: %2. It is left as it is; the port chosen holds "
                              "until the program ends.")
            .arg(shown(problem.settingsFile), problem.why);
    }
    return {};
}

// Under a port box: the cause, every value in it shown bounded, and why COM1 is not the
// remembered port when that is so.
inline QString portFailureDetail(PortFailure failure)
{
    for (QString *value : {&failure.device, &failure.reason, &failure.group, &failure.systemName})
        *value = shown(*value);
    for (QString &port : failure.detected)
        port = shown(port);
    const QString cause = portFailureCause(failure);
    return failure.settingsProblem.isEmpty() ? cause
                                             : cause + QStringLiteral("\n\n") + settingsProblemText(failure.settingsProblem);
}

inline Message cantOpenPort(int portNumber, const PortFailure &failure = {})
{
    return {QStringLiteral("Can't Open COM%1").arg(portNumber), QStringLiteral("COM ERROR"), BoxIcon::Error,
            BoxButtons::Ok, portFailureDetail(failure)};
}
// A port named by its device path rather than COM1 / COM2 (dravik-cli).
inline Message cantOpenDevice(const QString &deviceName, const PortFailure &failure = {})
{
    return {QStringLiteral("Can't Open %1").arg(deviceName), QStringLiteral("COM ERROR"), BoxIcon::Error,
            BoxButtons::Ok, portFailureDetail(failure)};
}
inline Message cantClosePort(int portNumber, const PortFailure &failure = {})
{
    return {QStringLiteral("Can't Close COM%1").arg(portNumber), QStringLiteral("COM ERROR"), BoxIcon::Error,
            BoxButtons::Ok, portFailureDetail(failure)};
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
// reason: why, as the save gave it ("No space left on device"); under the box with the file's name.
inline Message cantWriteFile(const QString &fileName = {}, const QString &reason = {})
{
    const QString detail = fileName.isEmpty() || reason.isEmpty() ? reason : fileName + QStringLiteral(": ") + reason;
    return {QStringLiteral("Can't Write the FILE"), QStringLiteral("FILE ERROR"), BoxIcon::Error, BoxButtons::Ok,
            detail.isEmpty() ? QString() : detail + QLatin1Char('.')};
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
// Verify found the program words equal and the configuration word not.
inline Message configVerifyFailure(quint16 fileWord, quint16 chipWord)
{
    Message message = verifyFailure();
    message.informativeText = QStringLiteral("The configuration word differs: the file's is %1, the chip's %2.")
                                  .arg(configWordText(fileWord), configWordText(chipWord));
    return message;
}
inline Message chipCodeProtected(quint16 chipWord)
{
    return {QStringLiteral("The chip is code-protected (configuration word %1)").arg(configWordText(chipWord)),
            QStringLiteral("CONFIG WORD"), BoxIcon::Warning, BoxButtons::Ok,
            QStringLiteral("Its program words read back as the chip gives them, not as the program it holds: a "
                           "file of them does not copy it. The configuration word reads back as it is.")};
}

inline Message rememberedPortNotUsed(const QString &device, const SettingsProblem &problem)
{
    return {QStringLiteral("The remembered port is not used"), QStringLiteral("PORT SETTINGS"), BoxIcon::Warning,
            BoxButtons::Ok, QStringLiteral("%1\n\nCOM1 is %2 for now.").arg(settingsProblemText(problem), shown(device))};
}
inline Message portNotRemembered(const SettingsProblem &why)
{
    return {QStringLiteral("The chosen port is not remembered"), QStringLiteral("PORT SETTINGS"), BoxIcon::Warning,
            BoxButtons::Ok, settingsProblemText(why)};
}

// The chip checks of the windows, and the configuration word in words beside its digits.

// "3FF1: XT oscillator, power-up timer on, watchdog off, no code protection"
inline QString configWordMeaning(Device device, quint16 word)
{
    return configWordText(word) + QStringLiteral(": ") + describeConfigWord(device, word);
}
// VERIFY's box at the first word that differs, with both words under it.
inline Message verifyFailureAt(int address, quint16 chipWord, quint16 fileWord)
{
    Message message = verifyFailure();
    message.informativeText = QStringLiteral("Word %1: the chip holds %2, the file %3.")
                                  .arg(QString::number(address, 16).toUpper(), configWordText(chipWord),
                                       configWordText(fileWord));
    return message;
}
// The file's word and the word to be written, each in words, under a box that names both.
inline QString twoConfigWordsMeaning(Device device, quint16 fileWord, quint16 writtenWord)
{
    return QStringLiteral("The file asks for %1.\nWRITE will write %2.")
        .arg(configWordMeaning(device, fileWord), configWordMeaning(device, writtenWord));
}
inline Message writeOtherConfigWordIn(Device device, quint16 fileWord, quint16 writtenWord)
{
    Message message = writeOtherConfigWord(fileWord, writtenWord);
    message.informativeText = twoConfigWordsMeaning(device, fileWord, writtenWord);
    return message;
}
inline Message configWordNotOnPanelIn(Device device, quint16 fileWord, quint16 writtenWord)
{
    Message message = configWordNotOnPanel(fileWord, writtenWord);
    message.informativeText = twoConfigWordsMeaning(device, fileWord, writtenWord);
    return message;
}

// Why an EPROM chip cannot take the program: the first word it cannot take, how many there are,
// and the configuration word when it cannot take that either.
inline QString conflictsText(const ChipComparison &conflicts)
{
    QStringList lines;
    if (!conflicts.words.isEmpty()) {
        const WordDifference &first = conflicts.words.first();
        lines << QStringLiteral("%1 program word(s) need a 1 where the chip holds a 0; the first is word %2: the "
                                "chip holds %3, the file %4.")
                     .arg(conflicts.words.size())
                     .arg(QString::number(first.address, 16).toUpper(), configWordText(first.chip),
                          configWordText(first.file));
    }
    if (conflicts.configWord)
        lines << QStringLiteral("The configuration word cannot take it either: the chip holds %1, WRITE would write %2.")
                     .arg(configWordText(conflicts.configWord->chip), configWordText(conflicts.configWord->file));
    return lines.join(QLatin1Char('\n'));
}

// Function > "Blank check": what is not blank, and on an EPROM part whether the loaded program
// can still be written (`programConflicts`, when one is loaded).
inline Message blankCheckResult(const ChipComparison &notBlank, const std::optional<ChipComparison> &programConflicts)
{
    QStringList lines;
    if (!notBlank.words.isEmpty()) {
        const WordDifference &first = notBlank.words.first();
        lines << QStringLiteral("%1 program word(s) are not blank; the first is word %2, holding %3.")
                     .arg(notBlank.words.size())
                     .arg(QString::number(first.address, 16).toUpper(), configWordText(first.chip));
    }
    lines << (notBlank.configWord
                  ? QStringLiteral("The configuration word is not blank: it holds %1.").arg(configWordText(notBlank.configWord->chip))
                  : QStringLiteral("The configuration word is blank."));
    if (programConflicts)
        lines << (programConflicts->agrees()
                      ? QStringLiteral("The loaded program can still be written into this chip.")
                      : QStringLiteral("The loaded program cannot be written into this chip. ") + conflictsText(*programConflicts));
    return {notBlank.agrees() ? QStringLiteral("The chip is blank") : QStringLiteral("The chip is not blank"),
            QStringLiteral("BLANK CHECK"), BoxIcon::Information, BoxButtons::Ok, lines.join(QLatin1Char('\n'))};
}

// Function > "Check before WRITE" found words the chip can no longer take: nothing was sent.
inline Message chipCannotTakeProgram(const ChipComparison &conflicts)
{
    return {QStringLiteral("The chip cannot take this program; nothing was written"), QStringLiteral("CHECK BEFORE WRITE"),
            BoxIcon::Error, BoxButtons::Ok, conflictsText(conflicts)};
}

// Function > "Checksum": the sum and the configuration word counted in it.
inline Message checksumOf(Device device, quint16 sum, quint16 configWord)
{
    const ProfileDefaults &profile = profileDefaults(device);
    return {QStringLiteral("Checksum %1").arg(configWordText(sum)), QStringLiteral("CHECKSUM"), BoxIcon::Information,
            BoxButtons::Ok,
            QStringLiteral("The 16-bit sum of the %1 program words of the PIC%2 as the buffer holds them (3FFF where the "
                           "file gives none) and the configuration word WRITE would write, %3.")
                .arg(profile.memorySize)
                .arg(QLatin1String(profile.name), configWordMeaning(device, configWord))};
}

// WRITE of a file read back from a code-protected chip: nothing is sent.
inline Message fileReadFromProtectedChip(Device device, quint16 fileWord)
{
    Message message = fileError();
    message.informativeText =
        QStringLiteral("Every program word of this file is 0000 and its configuration word (%1) turns code protection "
                       "on: it was read from a code-protected chip, which gives zeros instead of its program. It is not "
                       "a program, so nothing was written.")
            .arg(configWordMeaning(device, fileWord));
    return message;
}

// The Production window's records or serial words cannot be used for this chip: nothing was sent.
inline Message productionRefused(const QString &reason)
{
    return {QStringLiteral("Nothing was written"), QStringLiteral("PRODUCTION"), BoxIcon::Error, BoxButtons::Ok, reason};
}

// The chip's write went as its result says, but its row in the records could not be kept.
inline Message chipRowNotKept(const QString &reason)
{
    return {QStringLiteral("The chip's row could not be kept in the records"), QStringLiteral("PRODUCTION"),
            BoxIcon::Error, BoxButtons::Ok, reason};
}

// The chip's device ID is not the chosen device's: nothing was programmed.
inline Message wrongChip(Device chosen, std::optional<quint16> idWord)
{
    const DeviceRow &row = deviceRowOf(chosen);
    const quint16 first = row.id ? row.id->value : 0;
    const quint16 last = row.id ? quint16(first | (~row.id->mask & 0x3FFF)) : 0;
    QString read = idWord ? QStringLiteral("reads %1").arg(configWordText(*idWord)) : QStringLiteral("could not be read");
    if (idWord && (*idWord == 0x3FFF || *idWord == 0))
        read += QStringLiteral(", which is no device ID at all");
    return {QStringLiteral("The chip in the socket is not the device chosen"), QStringLiteral("DEVICE ID"), BoxIcon::Error,
            BoxButtons::Ok,
            QStringLiteral("Its device ID (word 2006) %1; a PIC%2 reads %3 to %4. Nothing was programmed.")
                .arg(read, QLatin1String(row.name), configWordText(first), configWordText(last))};
}

} // namespace Messages
