#include "ops/RecordStore.h"

#include "link/SerialDevices.h"
#include "ops/Messages.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QUrlQuery>
#include <QVariant>

namespace {

const QStringList kColumns{
    QStringLiteral("time"),        QStringLiteral("station"),       QStringLiteral("port"),
    QStringLiteral("adapter"),     QStringLiteral("device"),        QStringLiteral("file"),
    QStringLiteral("sha256"),      QStringLiteral("checksum"),      QStringLiteral("configuration_word"),
    QStringLiteral("configuration_taken"), QStringLiteral("serial_number"), QStringLiteral("words"),
    QStringLiteral("result"),      QStringLiteral("exit_status"),   QStringLiteral("seconds"),
};

// The chips' columns after time, station and the rest of the start, as their values are set.
const char kTableOfChips[] = "CREATE TABLE IF NOT EXISTS chips (id %1, time TEXT NOT NULL, station TEXT, port TEXT, "
                             "adapter TEXT, device TEXT, file TEXT, sha256 TEXT, checksum TEXT, "
                             "configuration_word TEXT, configuration_taken BOOLEAN, serial_number BIGINT, "
                             "words INTEGER, result TEXT NOT NULL, exit_status INTEGER, seconds DOUBLE PRECISION)";

bool isPostgresUri(const QString &location)
{
    return location.startsWith(QLatin1String("postgresql://")) || location.startsWith(QLatin1String("postgres://"));
}

// A value a column may leave empty, typed even when empty (PostgreSQL wants the type).
template <typename T, typename Stored = T>
QVariant orNull(const std::optional<T> &value)
{
    return value ? QVariant::fromValue(Stored(*value)) : QVariant(QMetaType::fromType<Stored>());
}

QVariant hexOrNull(const std::optional<quint16> &word)
{
    return word ? QVariant(Messages::configWordText(*word)) : QVariant(QMetaType::fromType<QString>());
}

QString reasonOf(const QSqlError &error)
{
    const QString text = error.text().trimmed();
    return text.isEmpty() ? QStringLiteral("the database gave no reason") : text;
}

QString fieldText(const QVariant &value, const QString &column)
{
    if (value.isNull())
        return {};
    if (column == QLatin1String("configuration_taken"))
        return value.toBool() ? QStringLiteral("yes") : QStringLiteral("no");
    if (column == QLatin1String("seconds"))
        return QString::number(value.toDouble(), 'f', 1);
    return value.toString();
}

} // namespace

RecordStore::RecordStore(QString location)
    : location_(std::move(location)),
      connection_(QStringLiteral("dravik-records-%1").arg(quintptr(this), 0, 16))
{
}

RecordStore::~RecordStore()
{
    if (QSqlDatabase::contains(connection_)) {
        QSqlDatabase::database(connection_, false).close();
        QSqlDatabase::removeDatabase(connection_);
    }
}

bool RecordStore::postgres() const
{
    return isPostgresUri(location_);
}

QString RecordStore::open(Missing missing)
{
    const QString driver = postgres() ? QStringLiteral("QPSQL") : QStringLiteral("QSQLITE");
    if (!QSqlDatabase::isDriverAvailable(driver))
        return QStringLiteral("%1: the Qt SQL driver %2 is not installed (Debian: %3)")
            .arg(location_, driver,
                 QLatin1String(postgres() ? "libqt6sql6-psql" : "libqt6sql6-sqlite"));
    QSqlDatabase db = QSqlDatabase::addDatabase(driver, connection_);
    if (postgres()) {
        const QUrl url(location_);
        if (!url.isValid() || url.path().size() < 2)
            return QStringLiteral("%1: not a URI of the form postgresql://user@host:port/dbname").arg(location_);
        db.setHostName(url.host());
        if (url.port() > 0)
            db.setPort(url.port());
        db.setUserName(url.userName());
        db.setPassword(url.password());
        db.setDatabaseName(url.path().mid(1));
        QStringList options;
        for (const auto &[key, value] : QUrlQuery(url).queryItems(QUrl::FullyDecoded))
            options += key + QLatin1Char('=') + value;
        db.setConnectOptions(options.join(QLatin1Char(';')));
    } else {
        // SQLite would open a FIFO and wait on it, or take a device for a database.
        const QFileInfo file(location_);
        if (file.exists() && !file.isFile())
            return QStringLiteral("%1: not a regular file").arg(location_);
        if (!file.exists() && missing == Missing::Refuse)
            return QStringLiteral("%1: no such database").arg(location_);
        db.setDatabaseName(location_);
        // Runs sharing the file wait their turn for its lock.
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=60000"));
    }
    if (!db.open())
        return QStringLiteral("%1: %2").arg(location_, reasonOf(db.lastError()));
    return prepareTables();
}

QString RecordStore::prepareTables()
{
    if (const QString problem = begin(); !problem.isEmpty())
        return problem;
    const QSqlDatabase db = QSqlDatabase::database(connection_, false);
    QStringList statements{
        QString::fromLatin1(kTableOfChips)
            .arg(QLatin1String(postgres() ? "BIGSERIAL PRIMARY KEY" : "INTEGER PRIMARY KEY AUTOINCREMENT")),
        QStringLiteral("CREATE TABLE IF NOT EXISTS schema (id INTEGER PRIMARY KEY CHECK (id = 1), "
                       "version INTEGER NOT NULL)"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS sequence (id INTEGER PRIMARY KEY CHECK (id = 1), "
                       "next_number BIGINT NOT NULL)"),
        QStringLiteral("INSERT INTO schema (id, version) VALUES (1, %1) ON CONFLICT DO NOTHING").arg(kSchemaVersion),
    };
    // PostgreSQL's CREATE TABLE IF NOT EXISTS is not safe against another run doing the same,
    // and it tells of every table that exists on standard error.
    if (postgres())
        statements = QStringList{QStringLiteral("SET LOCAL client_min_messages TO WARNING"),
                                 QStringLiteral("SELECT pg_advisory_xact_lock(4722700)")}
                     + statements;
    QString problem;
    for (const QString &statement : statements) {
        QSqlQuery query(db);
        if (!query.exec(statement)) {
            problem = reasonOf(query.lastError());
            break;
        }
    }
    if (problem.isEmpty()) {
        QSqlQuery query(db);
        if (!query.exec(QStringLiteral("SELECT version FROM schema")) || !query.next())
            problem = reasonOf(query.lastError());
        else if (const int version = query.value(0).toInt(); version > kSchemaVersion)
            problem = QStringLiteral("was made by a newer dravik (schema %1); this one knows %2")
                          .arg(version)
                          .arg(kSchemaVersion);
    }
    if (!problem.isEmpty()) {
        rollBack();
        return QStringLiteral("%1 %2").arg(location_, problem);
    }
    return commit();
}

// SQLite's IMMEDIATE takes the write lock at once: two runs never both read the number first.
QString RecordStore::begin()
{
    QSqlQuery query(QSqlDatabase::database(connection_, false));
    if (query.exec(QLatin1String(postgres() ? "BEGIN" : "BEGIN IMMEDIATE")))
        return {};
    return QStringLiteral("%1: %2").arg(location_, reasonOf(query.lastError()));
}

QString RecordStore::commit()
{
    QSqlQuery query(QSqlDatabase::database(connection_, false));
    if (query.exec(QStringLiteral("COMMIT")))
        return {};
    const QString problem = QStringLiteral("%1: %2").arg(location_, reasonOf(query.lastError()));
    rollBack();
    return problem;
}

void RecordStore::rollBack()
{
    QSqlQuery(QSqlDatabase::database(connection_, false)).exec(QStringLiteral("ROLLBACK"));
}

std::optional<bool> RecordStore::hasSequence(QString &problem)
{
    QSqlQuery query(QSqlDatabase::database(connection_, false));
    if (!query.exec(QStringLiteral("SELECT COUNT(*) FROM sequence")) || !query.next()) {
        problem = QStringLiteral("%1: %2").arg(location_, reasonOf(query.lastError()));
        return std::nullopt;
    }
    return query.value(0).toLongLong() > 0;
}

bool RecordStore::startSequence(quint64 first, QString &problem)
{
    QSqlQuery query(QSqlDatabase::database(connection_, false));
    query.prepare(QStringLiteral("INSERT INTO sequence (id, next_number) VALUES (1, ?) ON CONFLICT DO NOTHING"));
    query.addBindValue(qint64(first));
    if (!query.exec()) {
        problem = QStringLiteral("%1: %2").arg(location_, reasonOf(query.lastError()));
        return false;
    }
    return query.numRowsAffected() == 1;
}

std::optional<quint64> RecordStore::peekNumber(quint64 limit, quint64 count, QString &problem)
{
    QSqlQuery query(QSqlDatabase::database(connection_, false));
    if (!query.exec(QStringLiteral("SELECT next_number FROM sequence"))) {
        problem = QStringLiteral("%1: %2").arg(location_, reasonOf(query.lastError()));
        return std::nullopt;
    }
    if (!query.next()) {
        problem = QStringLiteral("%1 has no sequence of serial numbers (--serial-start N starts one)").arg(location_);
        return std::nullopt;
    }
    const quint64 next = quint64(query.value(0).toLongLong());
    if (next >= limit || limit - next < count) {
        problem = QStringLiteral("the serial numbers are used up: %1 goes on from %2, the words hold numbers up "
                                 "to %3, and %4 are wanted")
                      .arg(location_)
                      .arg(next)
                      .arg(limit - 1)
                      .arg(count);
        return std::nullopt;
    }
    return next;
}

std::optional<qint64> RecordStore::insertChip(ChipRow &row, std::optional<quint64> numberLimit, QString &problem)
{
    if (problem = begin(); !problem.isEmpty())
        return std::nullopt;
    const QSqlDatabase db = QSqlDatabase::database(connection_, false);
    row.time = QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
    row.station = QSysInfo::machineHostName();
    row.serialNumber.reset();
    if (numberLimit) {
        QSqlQuery take(db);
        take.prepare(QStringLiteral("UPDATE sequence SET next_number = next_number + 1 WHERE next_number < ? "
                                    "RETURNING next_number - 1"));
        take.addBindValue(qint64(*numberLimit));
        if (!take.exec()) {
            problem = QStringLiteral("%1: %2").arg(location_, reasonOf(take.lastError()));
        } else if (take.next()) {
            row.serialNumber = quint64(take.value(0).toLongLong());
        } else {
            take.finish();
            // Why not: no sequence, or its numbers are used up.
            if (peekNumber(*numberLimit, 1, problem) && problem.isEmpty())
                problem = QStringLiteral("%1: no serial number was given out").arg(location_);
        }
        if (!problem.isEmpty()) {
            rollBack();
            return std::nullopt;
        }
    }
    QSqlQuery insert(db);
    insert.prepare(QStringLiteral("INSERT INTO chips (time, station, port, adapter, device, file, sha256, checksum, "
                                  "serial_number, result) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?) RETURNING id"));
    for (const QVariant &value : {QVariant(row.time), QVariant(row.station), QVariant(row.port), QVariant(row.adapter),
                                  QVariant(row.device), QVariant(row.file), QVariant(row.fileSha256),
                                  hexOrNull(row.checksum), orNull<quint64, qint64>(row.serialNumber),
                                  QVariant(row.result)})
        insert.addBindValue(value);
    if (!insert.exec() || !insert.next()) {
        problem = QStringLiteral("%1: %2").arg(location_, reasonOf(insert.lastError()));
        rollBack();
        return std::nullopt;
    }
    const qint64 id = insert.value(0).toLongLong();
    insert.finish();
    if (problem = commit(); !problem.isEmpty()) {
        row.serialNumber.reset();
        return std::nullopt;
    }
    return id;
}

QString RecordStore::completeChip(qint64 id, const ChipRow &row)
{
    QSqlQuery query(QSqlDatabase::database(connection_, false));
    query.prepare(QStringLiteral("UPDATE chips SET checksum = ?, configuration_word = ?, configuration_taken = ?, "
                                 "words = ?, result = ?, exit_status = ?, seconds = ? WHERE id = ?"));
    for (const QVariant &value : {hexOrNull(row.checksum), hexOrNull(row.configWord),
                                  row.configWord ? QVariant(row.configurationTaken) : QVariant(QMetaType::fromType<bool>()),
                                  QVariant(row.words), QVariant(row.result), orNull(row.exitStatus),
                                  QVariant(row.seconds), QVariant(id)})
        query.addBindValue(value);
    if (query.exec())
        return {};
    return QStringLiteral("%1: %2").arg(location_, reasonOf(query.lastError()));
}

QString RecordStore::endUnfinished(qint64 id, const QString &result, int exitStatus)
{
    QSqlQuery query(QSqlDatabase::database(connection_, false));
    query.prepare(QStringLiteral("UPDATE chips SET result = ?, exit_status = ? WHERE id = ? AND result = ?"));
    for (const QVariant &value : {QVariant(result), QVariant(exitStatus), QVariant(id), QVariant(ChipRow{}.result)})
        query.addBindValue(value);
    if (query.exec())
        return {};
    return QStringLiteral("%1: %2").arg(location_, reasonOf(query.lastError()));
}

QStringList RecordStore::columns()
{
    return kColumns;
}

QString RecordStore::forEachRow(const std::function<void(const QStringList &)> &visit)
{
    QSqlQuery query(QSqlDatabase::database(connection_, false));
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT %1 FROM chips ORDER BY id").arg(kColumns.join(QStringLiteral(", ")))))
        return QStringLiteral("%1: %2").arg(location_, reasonOf(query.lastError()));
    while (query.next()) {
        QStringList fields;
        for (int column = 0; column < kColumns.size(); ++column)
            fields += fieldText(query.value(column), kColumns[column]);
        visit(fields);
    }
    return {};
}

QString adapterIdentity(const QString &device)
{
    const QString system = QFileInfo(device).canonicalFilePath();
    if (system.isEmpty())
        return {};
    const QList<DetectedPort> named = withStableNames({DetectedPort{system, system, {}, {}}}, kStableNameFolder);
    return named.first().path != system ? QFileInfo(named.first().path).fileName() : QString();
}

QString sha256Of(const QString &path)
{
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
        return {};
    return QString::fromLatin1(hash.result().toHex());
}

QString spreadsheetCsvField(QString text)
{
    static const QString formulaStarts = QStringLiteral("=+-@\t\r");
    if (!text.isEmpty() && formulaStarts.contains(text.front()))
        text.prepend(QLatin1Char('\''));
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\n'))
        && !text.contains(QLatin1Char('\r')))
        return text;
    return QLatin1Char('"') + text.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}
