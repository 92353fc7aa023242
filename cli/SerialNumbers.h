#pragma once

#include <QList>
#include <QString>

#include <optional>

struct HexLoadResult;

// --serial ADDR:WORDS: the program words each chip's own number is written to, one byte of it a
// word as RETLW k (34xxh, so code can fetch it with a computed call), most significant byte first.
struct SerialRange {
    static constexpr int kMostWords = 4;

    int address = 0;
    int words = 0;

    int lastWord() const { return address + words - 1; }
    // One more than the largest number the words hold.
    quint64 capacity() const { return quint64(1) << (8 * words); }
    QList<quint16> wordsFor(quint64 number) const;
    // "1001 (words 200-202: 3400 3403 34E9)"
    QString describe(quint64 number) const;
    // The first of the range's words the HEX file gives a value, as text; empty when none.
    QString overlap(const HexLoadResult &loaded) const;
};

// --serial-file FILE: the next number as decimal text. Taking one holds a lock (FILE.lock) for
// as long as it reads the number and puts the next in its place (FILE.tmp, flushed to disk,
// renamed over FILE, the folder flushed), so runs sharing FILE never give out one number twice,
// not even across a crash: a number is taken for good before a chip sees it.
class SerialNumberFile {
public:
    // `start` is the number a FILE that does not exist yet starts from (--serial-start).
    SerialNumberFile(QString path, std::optional<quint64> start);

    // The number the next take would give, leaving FILE as it is; why not, when it cannot or
    // when the `count` numbers from it on do not all lie below `limit`.
    std::optional<quint64> peek(QString &problem, quint64 limit, quint64 count = 1) const;
    // The next number, FILE moved on past it; none at or above `limit` is given out.
    std::optional<quint64> take(quint64 limit, QString &problem);

private:
    // FILE's number, or --serial-start's when there is no FILE yet.
    std::optional<quint64> stored(QString &problem) const;
    bool store(quint64 next, QString &problem);

    QString path_;
    std::optional<quint64> start_;
};
