#include "cli/ChipReport.h"

#include "ops/ExitStatus.h"

#include "device/AddressField.h"
#include "device/ConfigWord.h"
#include "ops/Messages.h"

#include <QStringList>

namespace {

constexpr int kMostListed = 20;

// A program word as the configuration word is shown: four digits, leading zeros kept.
QString wordText(quint16 word)
{
    return Messages::configWordText(word);
}

// "1 word", "3 program words".
QString wordCount(qsizetype count, const char *kind = "")
{
    return QStringLiteral("%1 %2word%3").arg(count).arg(QLatin1String(kind), QLatin1String(count == 1 ? "" : "s"));
}

// What the program words of a check found: `none` when all passed, else `found` with %1 the
// count, %2 the first word's address, %3 what the chip holds there and %4 what it is held against.
QString programWordsLine(const ChipComparison &comparison, const char *none, const char *found,
                         const char *kind = "")
{
    if (comparison.words.isEmpty())
        return QLatin1String(none);
    const WordDifference &first = comparison.words.first();
    return QLatin1String(found).arg(wordCount(comparison.words.size(), kind), hexText(first.address),
                                    wordText(first.chip), wordText(first.file));
}

} // namespace

QString configWordInWords(Device device, quint16 word)
{
    return QStringLiteral("%1 (%2)").arg(Messages::configWordText(word), describeConfigWord(device, word));
}

Message verifyFailureReport(Device device, const ChipCheck &check)
{
    const ChipComparison &found = check.comparison;
    Message report = Messages::verifyFailure();
    QStringList lines;
    if (!found.words.isEmpty()) {
        lines += QStringLiteral("Differing words: %1").arg(found.words.size());
        for (const WordDifference &word : found.words.mid(0, kMostListed))
            lines += QStringLiteral("  word %1: chip %2, file %3")
                         .arg(hexText(word.address), wordText(word.chip), wordText(word.file));
        if (found.words.size() > kMostListed)
            lines += QStringLiteral("  and %1 more").arg(found.words.size() - kMostListed);
    }
    if (found.configWord) {
        lines += Messages::configVerifyFailure(found.configWord->file, found.configWord->chip).informativeText;
        lines += QStringLiteral("  the file's %1").arg(configWordInWords(device, found.configWord->file));
        lines += QStringLiteral("  the chip's %1").arg(configWordInWords(device, found.configWord->chip));
    } else if (check.outcome.configWord) { // read only to be compared
        lines += QStringLiteral("The configuration word agrees: %1.")
                     .arg(configWordInWords(device, *check.outcome.configWord));
    }
    report.informativeText = lines.join(QLatin1Char('\n'));
    return report;
}

Message cannotTakeReport(Device device, const ChipComparison &conflicts)
{
    QStringList lines{programWordsLine(conflicts, "Every program word can still take the program.",
                                       "%1 can no longer take the program, the first word %2: the chip holds %3, "
                                       "the program needs %4.")};
    if (conflicts.configWord)
        lines += QStringLiteral("The configuration word cannot become %1: the chip holds %2.")
                     .arg(configWordInWords(device, conflicts.configWord->file),
                          configWordInWords(device, conflicts.configWord->chip));
    else
        lines += QStringLiteral("The configuration word can still take the one to write.");
    lines += QStringLiteral("Programming only clears bits: a blank chip takes the program.");
    return {QStringLiteral("The chip cannot take this program; nothing was written"),
            QStringLiteral("CHECK BEFORE WRITE"), BoxIcon::Error, BoxButtons::Ok, lines.join(QLatin1Char('\n'))};
}

Message notBlankReport(Device device, const ChipComparison &found)
{
    QStringList lines{programWordsLine(found, "Every program word is blank.",
                                       "Not blank: %1, the first word %2 holding %3, not %4.", "program ")};
    lines += found.configWord ? QStringLiteral("The configuration word is not blank: %1.")
                                    .arg(configWordInWords(device, found.configWord->chip))
                              : QStringLiteral("The configuration word is blank (3FFF).");
    return {QStringLiteral("The chip is not blank"), QStringLiteral("BLANK CHECK"), BoxIcon::Warning, BoxButtons::Ok,
            lines.join(QLatin1Char('\n'))};
}

QString ChipRecord::result() const
{
    return chipResult(status, failedWord);
}
