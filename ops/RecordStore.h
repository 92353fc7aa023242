#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// One chip's row in the production records: what it got and how its run ended.
struct ChipRow {
    QString time;    // UTC, ISO 8601, when the chip started; the store stamps it
    QString station; // the host name; the store stamps it
    QString port;    // the device worked through
    QString adapter; // the adapter's stable name (see adapterIdentity); empty when it has none
    QString device;  // "16F84"
    QString file;    // the HEX file, as given
    QString fileSha256;
    std::optional<quint16> checksum;   // of the program as written, serial words included
    std::optional<quint16> configWord; // the configuration word sent, when it was
    bool configurationTaken = false;   // it read back as sent
    std::optional<quint64> serialNumber;
    int words = 0;                     // program words the chip got
    QString result = QStringLiteral("unfinished");
    std::optional<int> exitStatus;
    double seconds = 0;
};

// The production records: a database (an SQLite file, made when missing, or a PostgreSQL server
// by a postgresql:// URI) holding a row per chip and the sequence of serial numbers. The sequence
// is a row of the database, moved on in the transaction that inserts the chip's row, so every
// name of one database is one sequence and no number is given twice, not even across a crash.
class RecordStore {
public:
    static constexpr int kSchemaVersion = 1;

    explicit RecordStore(QString location);
    ~RecordStore();
    RecordStore(const RecordStore &) = delete;
    RecordStore &operator=(const RecordStore &) = delete;

    enum class Missing { Make, Refuse }; // an SQLite file that does not exist yet
    // Connects and makes the tables that are missing. Returns why the records cannot be kept.
    QString open(Missing missing = Missing::Make);
    const QString &location() const { return location_; }

    // Whether the database has a sequence of serial numbers; none when that cannot be told.
    std::optional<bool> hasSequence(QString &problem);
    // Makes the sequence, its first number `first`. False (and no problem) when it exists already.
    bool startSequence(quint64 first, QString &problem);
    // The number the next take would give, when the `count` numbers from it on all lie below
    // `limit`; else why not.
    std::optional<quint64> peekNumber(quint64 limit, quint64 count, QString &problem);

    // In one transaction: with `numberLimit`, takes the next number (which must lie below it)
    // into row.serialNumber, and inserts the row, stamped now. Returns the row's id.
    std::optional<qint64> insertChip(ChipRow &row, std::optional<quint64> numberLimit, QString &problem);
    // Puts the chip's end into its row.
    QString completeChip(qint64 id, const ChipRow &row);
    // Ends a row its own run left unfinished (the run was killed), keeping what it holds.
    QString endUnfinished(qint64 id, const QString &result, int exitStatus);

    // The column names, in order.
    static QStringList columns();
    // Every row in the order taken, each field as text. Returns why not, when it cannot.
    QString forEachRow(const std::function<void(const QStringList &)> &visit);

private:
    QString prepareTables();
    QString begin();
    QString commit();
    void rollBack();
    bool postgres() const;

    QString location_;
    QString connection_;
};

// The adapter's name under /dev/serial/by-id (make, model and USB serial number, as udev gives
// it) for the device given or any link to it: it tells one adapter from another without a byte
// on the line, and stays the same whichever ttyUSBn it gets. Empty for a port without one.
QString adapterIdentity(const QString &device);

// The SHA-256 of a file's contents in hex; empty when it cannot be read.
QString sha256Of(const QString &path);

// A field for a CSV file a spreadsheet opens: one that starts like a formula (=, +, -, @, tab,
// CR) gets a ' in front, and one holding a comma, quote or line end is quoted as RFC 4180 has it.
QString spreadsheetCsvField(QString text);
