#pragma once

#include <QString>

#include <optional>

// What became of one chip: a line of the gang's table and of the log.
struct ChipRecord {
    QString port;        // the device worked through
    QString adapter;     // the adapter's stable name (see adapterIdentity); empty when it has none
    QString deviceType;  // "16F84"
    QString file;        // the HEX file written or verified, as given
    QString fileSha256;  // its SHA-256 in hex, taken when it was loaded
    int words = 0;       // program words the operation covers
    std::optional<quint16> configWord;
    std::optional<quint64> serialNumber; // taken for this chip, whatever became of it
    int status = 0;      // the exit status the chip's run ended with
    int failedWord = -1; // the program word it failed or stopped at, when it did
    double seconds = 0;  // on the line

    // "ok", "adapter failed at word 1A"
    QString result() const;
};

// The adapter's name under /dev/serial/by-id (make, model and USB serial number, as udev gives
// it) for the device given or any link to it: it tells one adapter from another without a byte
// on the line, and stays the same whichever ttyUSBn it gets. Empty for a port without one.
QString adapterIdentity(const QString &device);

// The SHA-256 of a file's contents in hex; empty when it cannot be read.
QString sha256Of(const QString &path);

// --log FILE.csv: a line for every chip, a header line first when the file is new. Each line is
// one write on a descriptor opened for appending, flushed to disk before the next: runs sharing
// the log (the ports of a gang) never tear or lose a line, not even in a crash.
class ChipLog {
public:
    ChipLog() = default;
    ~ChipLog();
    ChipLog(const ChipLog &) = delete;
    ChipLog &operator=(const ChipLog &) = delete;

    // Opens the log, making it when it does not exist. Returns why it cannot be written.
    QString open(const QString &path);
    bool isOpen() const { return fd_ >= 0; }
    // The record, stamped with the time now (UTC). Returns why it could not be written.
    QString append(const ChipRecord &record);

private:
    QString path_;
    int fd_ = -1;
};
