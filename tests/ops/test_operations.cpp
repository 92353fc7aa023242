#include "device/AddressField.h"
#include "device/ConfigWord.h"
#include "device/Profiles.h"
#include "image/ProgramBuffer.h"
#include "ops/DeviceOperations.h"
#include "ops/Messages.h"
#include "tests/support/LinkRig.h"

#include <QtTest>

using adaptersim::Chip;

namespace {

const QString kTimeOver = Messages::timeOver().text;

// The operations on simulated time with the adapter model in the socket.
struct OpsRig : LinkRig {
    explicit OpsRig(Chip chip = Chip::PIC16F84, Edition edition = Edition::Advanced, bool watchdogEnabled = false)
        : LinkRig(chip), ops(adapter, seam), edition(edition)
    {
        state.watchdogEnabled = watchdogEnabled;
        selectDevice(profile, chip == Chip::PIC16F84 ? Device::PIC16F84 : Device::PIC16C711);
    }

    // A loaded program: the words from word 0 on, LASTADR at the last of them, and the
    // configuration word the file stores, if any.
    void load(const QList<quint16> &words, std::optional<quint16> fileConfigWord = std::nullopt)
    {
        PBUF.blank();
        for (int n = 0; n < words.size(); ++n)
            PBUF.setWord(n, quint8(words[n] >> 8), quint8(words[n] & 0xFF));
        profile.LASTADR = qint16(words.size() - 1);
        state.programLoaded = true;
        state.fileConfigWord = fileConfigWord;
    }
    void faults(const adaptersim::Faults &faults) { model.setFaults(faults); }
    void silentAt(int command, int count = 1) { faults({command, count}); }
    Device device() const { return model.chip() == Chip::PIC16F84 ? Device::PIC16F84 : Device::PIC16C711; }
    // WRITE as the edition's window asks for it.
    Outcome write()
    {
        const ConfigSource config = [this] { return writtenConfig(edition, device(), profile, state.watchdogEnabled).word(); };
        WriteJob job{device(), profile.LASTADR, config, state.programLoaded};
        if (edition == Edition::Basic)
            job.fileWordToConfirm = state.fileConfigWord;
        return ops.write(PBUF, job);
    }
    // "write", "read" or "verify" of words 0..lastWord (a write's last word is LASTADR).
    Outcome run(const QString &operation, int lastWord)
    {
        if (operation == QLatin1String("write"))
            return write();
        return operation == QLatin1String("read") ? ops.read(PBUF, lastWord) : ops.verify(PBUF, lastWord);
    }
    // Nothing more may appear once the operation has ended: no stray "COMM Time over".
    void settle() { seam.runFor(3000); }

    DeviceProfile profile;
    ProgramBuffer PBUF;
    DeviceOperations ops;
    Edition edition;
};

QStringList repeat(const QString &command, int times)
{
    QStringList list;
    for (int i = 0; i < times; ++i)
        list << command;
    return list;
}

const QStringList kOpening{"V0", "F0", "V2"};
const QStringList kPair{"V1", "F1"};

QStringList writeWords(const QStringList &words, const QString &program)
{
    QStringList list = kOpening;
    for (const QString &word : words)
        list << "L" + word << program << "S" << "I";
    return list;
}

QStringList configStep(const QString &config, const QString &program)
{
    return kPair + kOpening + QStringList{"Q" + config} + repeat("I", 7) + QStringList{program, "S"};
}

QStringList fetchWords(int count)
{
    QStringList list = kOpening;
    for (int i = 0; i < count; ++i)
        list << "S" << "I";
    return list;
}

// What read and verify send for the configuration word: its own opening and closing, nothing stored.
const QStringList kConfigRead = kOpening + QStringList{"Q3FFF"} + repeat("I", 7) + QStringList{"S"} + kPair;

// Every differing word as "address chip file", the configuration word's last.
QStringList listed(const ChipComparison &comparison)
{
    QList<WordDifference> all = comparison.words;
    if (comparison.configWord)
        all << *comparison.configWord;
    QStringList lines;
    for (const WordDifference &d : all)
        lines << QStringLiteral("%1 %2 %3").arg(hexText(d.address), hexText(d.chip), hexText(d.file));
    return lines;
}

} // namespace

Q_DECLARE_METATYPE(Chip)
Q_DECLARE_METATYPE(Edition)
Q_DECLARE_METATYPE(BoxAnswer)
Q_DECLARE_METATYPE(Outcome::Kind)

class OperationsTest : public QObject {
    Q_OBJECT

private slots:
    void write_burns_words_and_configuration_word_data()
    {
        QTest::addColumn<Chip>("chip");
        QTest::addColumn<Edition>("edition");
        QTest::addColumn<int>("watchdogEnabled");
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("config");
        QTest::newRow("16F84 panel") << Chip::PIC16F84 << Edition::Advanced << 1 << "P1" << "3FFB";
        QTest::newRow("16C711 panel") << Chip::PIC16C711 << Edition::Advanced << 1 << "P0" << "3FF3";
        QTest::newRow("16F84 basic") << Chip::PIC16F84 << Edition::Basic << 0 << "P1" << "3FFB";
        QTest::newRow("16F84 basic watchdog") << Chip::PIC16F84 << Edition::Basic << 1 << "P1" << "3FFF";
        QTest::newRow("16C711 basic") << Chip::PIC16C711 << Edition::Basic << 0 << "P0" << "3FF3";
        QTest::newRow("16C711 basic watchdog") << Chip::PIC16C711 << Edition::Basic << 1 << "P0" << "3FF7";
    }

    void write_burns_words_and_configuration_word()
    {
        QFETCH(Chip, chip);
        QFETCH(Edition, edition);
        QFETCH(int, watchdogEnabled);
        QFETCH(QString, program);
        QFETCH(QString, config);
        OpsRig rig(chip, edition, watchdogEnabled);
        rig.load({0x2801, 0x0005, 0x3FFF});
        const ProgramBuffer before = rig.PBUF;

        rig.write();
        rig.settle();

        QCOMPARE(rig.port.sentCommands(),
                 writeWords({"2801", "0005", "3FFF"}, program) + configStep(config, program) + kPair + kPair);
        QCOMPARE(rig.model.programWord(0), quint16(0x2801));
        QCOMPARE(rig.model.programWord(1), quint16(0x0005));
        QCOMPARE(rig.model.configWord(), quint16(config.toUShort(nullptr, 16)));
        QCOMPARE(rig.seam.boxTexts(), QStringList());
        QCOMPARE(rig.seam.history("Text3"), (QStringList{"0", "1", "2"}));
        QVERIFY(rig.PBUF == before);
        QCOMPARE(rig.state.programLoaded, true);
    }

    void basic_write_asks_before_replacing_the_file_word_data()
    {
        QTest::addColumn<Chip>("chip");
        QTest::addColumn<Edition>("edition");
        QTest::addColumn<int>("watchdogEnabled");
        QTest::addColumn<int>("fileWord"); // -1: the file has none
        QTest::addColumn<BoxAnswer>("answer");
        QTest::addColumn<QString>("question"); // empty: none asked
        QTest::addColumn<QString>("config");   // empty: nothing sent
        const Chip f84 = Chip::PIC16F84, c711 = Chip::PIC16C711;
        const Edition basic = Edition::Basic;
        const QString asks3FF1("The file asks for configuration word 3FF1; WRITE will write %1. Write anyway?");
        QTest::newRow("No sends nothing") << f84 << basic << 0 << 0x3FF1 << BoxAnswer::No << asks3FF1.arg("3FFB") << "";
        QTest::newRow("Yes writes the fixed word") << f84 << basic << 0 << 0x3FF1 << BoxAnswer::Yes << asks3FF1.arg("3FFB") << "3FFB";
        QTest::newRow("16C711, watchdog on") << c711 << basic << 1 << 0x3FF1 << BoxAnswer::Yes << asks3FF1.arg("3FF7") << "3FF7";
        QTest::newRow("four digits") << f84 << basic << 0 << 0x000B << BoxAnswer::No
                                     << "The file asks for configuration word 000B; WRITE will write 3FFB. Write anyway?" << "";
        QTest::newRow("equal word") << f84 << basic << 0 << 0x3FFB << BoxAnswer::No << "" << "3FFB";
        QTest::newRow("equal with watchdog") << f84 << basic << 1 << 0x3FFF << BoxAnswer::No << "" << "3FFF";
        QTest::newRow("no word in the file") << c711 << basic << 0 << -1 << BoxAnswer::No << "" << "3FF3";
        QTest::newRow("panel edition") << f84 << Edition::Advanced << 0 << 0x3FF1 << BoxAnswer::No << "" << "3FFB";
    }

    void basic_write_asks_before_replacing_the_file_word()
    {
        QFETCH(Chip, chip);
        QFETCH(Edition, edition);
        QFETCH(int, watchdogEnabled);
        QFETCH(int, fileWord);
        QFETCH(BoxAnswer, answer);
        QFETCH(QString, question);
        QFETCH(QString, config);
        OpsRig rig(chip, edition, watchdogEnabled);
        rig.load({0x2801}, fileWord < 0 ? std::nullopt : std::optional<quint16>(quint16(fileWord)));
        rig.seam.answerQuestions({answer});

        rig.write();
        rig.settle();

        const quint16 written = writtenConfig(edition, rig.device(), rig.profile, watchdogEnabled).word();
        const QList<Message> asked{{question, QStringLiteral("CONFIG WORD"), BoxIcon::Warning, BoxButtons::YesNo,
                                    Messages::twoConfigWordsMeaning(rig.device(), quint16(fileWord), written)}};
        QCOMPARE(rig.seam.boxes(), question.isEmpty() ? QList<Message>() : asked);
        const QString program = chip == Chip::PIC16F84 ? "P1" : "P0";
        const QStringList sent = writeWords({"2801"}, program) + configStep(config, program) + kPair + kPair;
        QStringList received;
        for (const std::string &command : rig.model.transcript())
            received << QString::fromStdString(command);
        QCOMPARE(received, config.isEmpty() ? QStringList() : sent);
        QCOMPARE(rig.model.configWord(), config.isEmpty() ? quint16(0x3FFF) : quint16(config.toUShort(nullptr, 16)));
        QCOMPARE(rig.state.programLoaded, true);
    }

    void write_refuses_without_data()
    {
        OpsRig rig;
        rig.write();
        QCOMPARE(rig.seam.boxes(), QList<Message>{Messages::noData()});
        QCOMPARE(rig.port.written(), QByteArray());
    }

    void write_stops_within_the_device()
    {
        OpsRig rig;
        rig.load({0x0001});
        rig.profile.LASTADR = 8200; // a configuration record in the file, beyond program memory
        rig.write();
        QCOMPARE(rig.port.sentCommands().filter(QRegularExpression("^L")).size(), 1024);
        QCOMPARE(rig.seam.history("Text3").last(), QStringLiteral("3FF"));
        QCOMPARE(rig.model.programWord(0), quint16(0x0001));
    }

    void write_bounds_data()
    {
        QTest::addColumn<int>("LASTADR");
        QTest::addColumn<QStringList>("sent");
        QTest::newRow("one word") << 0 << writeWords({"2801"}, "P1") + configStep("3FFB", "P1") + kPair + kPair;
        QTest::newRow("no word") << -1 << kOpening + configStep("3FFB", "P1") + kPair + kPair;
    }

    void write_bounds()
    {
        QFETCH(int, LASTADR);
        QFETCH(QStringList, sent);
        OpsRig rig;
        rig.load({0x2801, 0x2802});
        rig.profile.LASTADR = qint16(LASTADR);
        rig.write();
        QCOMPARE(rig.port.sentCommands(), sent);
        QCOMPARE(rig.seam.boxTexts(), QStringList());
    }

    // One word of a 16F84, the adapter deaf to exactly one command (counted from 1).
    void write_time_out_at_each_position_data()
    {
        QTest::addColumn<int>("silentCommand");
        QTest::addColumn<int>("silentCount");
        QTest::addColumn<QStringList>("sent");
        QTest::addColumn<QStringList>("boxes");
        const QStringList word = writeWords({"0123"}, "P1");
        const QStringList full = word + configStep("3FFB", "P1") + kPair + kPair;
        const QStringList timeOver{kTimeOver};
        QTest::newRow("first V0") << 1 << 1 << QStringList{"V0"} << timeOver;
        QTest::newRow("V2 of the opening") << 3 << 1 << kOpening << timeOver;
        QTest::newRow("L in the loop") << 4 << 1 << kOpening + QStringList{"L0123"} + kPair << timeOver;
        QTest::newRow("fetch in the loop") << 6 << 1 << word.mid(0, 6) + kPair << timeOver;
        QTest::newRow("I in the loop") << 7 << 1 << word + kPair << timeOver;
        QTest::newRow("loop, adapter gone") << 6 << 0 << word.mid(0, 6) + QStringList{"V1"}
                                            << QStringList{kTimeOver, kTimeOver};
        QTest::newRow("V1 before Q") << 8 << 1 << word + QStringList{"V1"} << timeOver;
        QTest::newRow("V2 before Q") << 12 << 1 << full.mid(0, 12) << timeOver;
        // "Q" never reached the chip, so the seven "I" and "P1" store the latch in program memory.
        QTest::newRow("Q itself") << 13 << 1 << full.mid(0, 22) + kPair
                                  << QStringList{kTimeOver, Messages::cantWriteConfig().text};
        QTest::newRow("third I after Q") << 16 << 1 << full.mid(0, 16) + kPair << timeOver;
        QTest::newRow("P1 of the config") << 21 << 1 << full.mid(0, 21) + kPair << timeOver;
        QTest::newRow("fetch of the config") << 22 << 1 << full.mid(0, 22) + kPair << timeOver;
        QTest::newRow("V1 after the config") << 23 << 1 << full.mid(0, 23) << timeOver;
        QTest::newRow("closing V1") << 25 << 1 << full.mid(0, 25) << timeOver;
    }

    void write_time_out_at_each_position()
    {
        QFETCH(int, silentCommand);
        QFETCH(int, silentCount);
        QFETCH(QStringList, sent);
        QFETCH(QStringList, boxes);
        OpsRig rig;
        rig.load({0x0123});
        rig.silentAt(silentCommand, silentCount);
        rig.write();
        rig.settle();
        QCOMPARE(rig.port.sentCommands(), sent);
        QCOMPARE(rig.seam.boxTexts(), boxes);
    }

    void write_mismatch_stops_and_closes_once_data()
    {
        QTest::addColumn<Chip>("chip");
        QTest::addColumn<int>("stuckAddress");
        QTest::addColumn<bool>("configBurnt");
        QTest::addColumn<QStringList>("sent");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("lastAddress");
        const QStringList words = writeWords({"0123", "0456"}, "P1");
        QTest::newRow("stuck bit in word 1") << Chip::PIC16F84 << 1 << false
                                             << words.mid(0, 10) + kPair << Messages::cantWriteProgram().text << "1";
        QTest::newRow("programmed config of a 16C711") << Chip::PIC16C711 << -1 << true
                                                       << writeWords({"0123", "0456"}, "P0") + configStep("3FF3", "P0") + kPair
                                                       << Messages::cantWriteConfig().text << "1";
    }

    void write_mismatch_stops_and_closes_once()
    {
        QFETCH(Chip, chip);
        QFETCH(int, stuckAddress);
        QFETCH(bool, configBurnt);
        QFETCH(QStringList, sent);
        QFETCH(QString, box);
        QFETCH(QString, lastAddress);
        OpsRig rig(chip);
        adaptersim::Faults faults;
        faults.stuckAddress = stuckAddress;
        faults.stuckBit = 13;
        rig.faults(faults);
        if (configBurnt)
            rig.model.setConfigWord(0x3FF0); // oscillator bits already cleared: 3FF3 cannot be burnt
        rig.load({0x0123, 0x0456});
        const Outcome outcome = rig.write();
        rig.settle();
        QCOMPARE(rig.port.sentCommands(), sent);
        QCOMPARE(rig.seam.boxTexts(), QStringList{box});
        QCOMPARE(rig.seam.history("Text3").last(), lastAddress);
        QCOMPARE(outcome.kind, configBurnt ? Outcome::Kind::ConfigNotTaken : Outcome::Kind::WordNotTaken);
        QCOMPARE(outcome.word, configBurnt ? -1 : 1);
    }

    void write_sends_high_bytes_unmasked()
    {
        OpsRig rig;
        rig.load({0xFF00});
        rig.write();
        QCOMPARE(rig.port.sentCommands().mid(3, 1), QStringList{"LFF00"});
        QCOMPARE(rig.seam.boxTexts(), QStringList{Messages::cantWriteProgram().text});
    }

    void malformed_fetch_stops_each_operation_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QStringList>("sent");
        QTest::newRow("write") << "write" << writeWords({"0123"}, "P1") + QStringList{"L1111", "P1", "S"} + kPair;
        QTest::newRow("read") << "read" << fetchWords(1) + QStringList{"S"} + kPair;
        QTest::newRow("verify") << "verify" << fetchWords(1) + QStringList{"S"} + kPair;
    }

    void malformed_fetch_stops_each_operation()
    {
        QFETCH(QString, operation);
        QFETCH(QStringList, sent);
        OpsRig rig;
        rig.model.setProgramWord(0, 0x0123);
        rig.model.setProgramWord(1, 0x0456);
        rig.load({0x0123, 0x0456, 0x0789});
        adaptersim::Faults faults;
        faults.badFetch = 2;
        rig.faults(faults);
        rig.PBUF.setWord(1, 0x11, 0x11);
        const Outcome outcome = rig.run(operation, 2);
        rig.settle();
        QCOMPARE(rig.port.sentCommands(), sent);
        QCOMPARE(outcome.kind, Outcome::Kind::MalformedReply);
        QCOMPARE(outcome.word, 1);
        QCOMPARE(rig.seam.boxTexts(), QStringList{Messages::commDataError().text});
        QCOMPARE(rig.PBUF.word(0), quint16(0x0123));
        QCOMPARE(rig.PBUF.word(1), quint16(0x1111)); // the word that failed is not stored
    }

    void read_copies_the_chip_into_the_buffer()
    {
        OpsRig rig;
        rig.load({0x1111, 0x1111, 0x1111, 0x1111}, 0x3FF1);
        rig.model.setProgramWord(0, 0x2801);
        rig.model.setProgramWord(2, 0x0000);
        QVERIFY(rig.ops.read(rig.PBUF, 2).completed());
        rig.settle();
        QCOMPARE(rig.port.sentCommands(), fetchWords(3) + kPair + kPair);
        QCOMPARE(rig.PBUF.word(0), quint16(0x2801));
        QCOMPARE(rig.PBUF.word(1), quint16(0x3FFF));
        QCOMPARE(rig.PBUF.word(2), quint16(0x0000));
        QCOMPARE(rig.PBUF.word(3), quint16(0x1111));
        QCOMPARE(rig.seam.boxTexts(), QStringList());
    }

    // The window reads the last word from the LAST field.
    void read_and_verify_take_the_last_address_field_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("words");
        QTest::newRow("empty reads word 0") << "" << 1;
        QTest::newRow("negative reads nothing") << "FFFF" << 0;
        QTest::newRow("hex digits up to the first other") << "1G" << 2;
    }

    void read_and_verify_take_the_last_address_field()
    {
        QFETCH(QString, field);
        QFETCH(int, words);
        const int lastWord = lastWordOfField(field, 1024);
        OpsRig rig;
        rig.ops.read(rig.PBUF, lastWord);
        QCOMPARE(rig.port.sentCommands(), fetchWords(words) + kPair + kPair);
        rig.port.clearRecords();
        rig.PBUF.blank();
        rig.ops.verify(rig.PBUF, lastWord);
        QCOMPARE(rig.port.sentCommands(), fetchWords(words) + kPair + kPair);
        QCOMPARE(rig.seam.boxTexts(), QStringList{Messages::verifyGood().text});
    }

    void read_still_sends_F1_after_a_closing_time_out()
    {
        OpsRig rig;
        rig.silentAt(4, 0); // the adapter goes away at the first fetch
        const Outcome outcome = rig.ops.read(rig.PBUF, 1);
        rig.settle();
        QCOMPARE(rig.port.sentCommands(), kOpening + QStringList{"S"} + kPair);
        QCOMPARE(rig.seam.boxTexts(), (QStringList{kTimeOver, kTimeOver, kTimeOver}));
        QCOMPARE(outcome.kind, Outcome::Kind::TimedOut);
        QCOMPARE(outcome.word, 0);
    }

    void verify_reports_the_first_difference()
    {
        OpsRig rig;
        rig.load({0x0001, 0xFF02, 0x0003});
        for (int n = 0; n < 3; ++n)
            rig.model.setProgramWord(n, quint16(n + 1));
        rig.model.setConfigWord(0x3FF0); // the configuration word is not compared
        const Outcome outcome = rig.ops.verify(rig.PBUF, 2);
        rig.settle();
        QCOMPARE(rig.port.sentCommands(), fetchWords(1) + QStringList{"S"} + kPair);
        QCOMPARE(rig.seam.boxes(), QList<Message>{Messages::verifyFailureAt(1, 0x0002, 0xFF02)});
        QCOMPARE(rig.seam.history("Text3").last(), QStringLiteral("1"));
        QCOMPARE(outcome.kind, Outcome::Kind::Mismatch);
        QCOMPARE(outcome.word, 1);

        rig.PBUF.setWord(1, 0x00, 0x02);
        rig.port.clearRecords();
        rig.seam.clearRecords();
        QVERIFY(rig.ops.verify(rig.PBUF, 2).completed());
        QCOMPARE(rig.port.sentCommands(), fetchWords(3) + kPair + kPair);
        QCOMPARE(rig.seam.boxes(), QList<Message>{Messages::verifyGood()});
    }

    void stop_request_closes_after_the_word_in_hand_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QStringList>("sent");
        QTest::newRow("WRITE") << "WRITE" << writeWords({"0001", "0002"}, "P1") + kPair;
        QTest::newRow("READ") << "READ" << fetchWords(2) + kPair;
        QTest::newRow("VERIFY") << "VERIFY" << fetchWords(2) + kPair;
    }

    void stop_request_closes_after_the_word_in_hand()
    {
        QFETCH(QString, operation);
        QFETCH(QStringList, sent);
        OpsRig rig;
        rig.load({0x0001, 0x0002, 0x0003, 0x0004});
        for (int n = 0; n < 4; ++n)
            rig.model.setProgramWord(n, quint16(n + 1));
        rig.model.setProgramWord(2, 0x0000);
        rig.seam.requestStopAfterReports(3); // the start and words 0 and 1
        const Outcome outcome = rig.run(operation.toLower(), 3);
        rig.settle();
        QCOMPARE(outcome.kind, Outcome::Kind::Stopped);
        QCOMPARE(outcome.word, 1);
        QCOMPARE(rig.port.sentCommands(), sent);
        QCOMPARE(rig.seam.boxTexts(), QStringList()); // neither "Good" nor a failure
        QCOMPARE(rig.model.programWord(2), quint16(0x0000));
        QCOMPARE(rig.model.configWord(), quint16(0x3FFF));
    }

    // LINE TEST: the identity asked for again on Retry until it comes; Cancel gives up.
    void identify_data()
    {
        const QString notFound = Messages::hardwareNotFound().text;
        QTest::addColumn<QList<QByteArray>>("replies");
        QTest::addColumn<QList<BoxAnswer>>("answers");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<bool>("answered");
        QTest::newRow("at once") << QList<QByteArray>{"VRN04120AB"} << QList<BoxAnswer>{}
                                 << QStringList{"Confirm Tobrisk AB"} << true;
        QTest::newRow("at the second try") << QList<QByteArray>{"", "VRN04120AB"} << QList<BoxAnswer>{BoxAnswer::Retry}
                                           << QStringList{kTimeOver, notFound, "Confirm Tobrisk AB"} << true;
        QTest::newRow("unplugged: Retry, Retry, Cancel")
            << QList<QByteArray>{"", "", ""} << QList<BoxAnswer>{BoxAnswer::Retry, BoxAnswer::Retry, BoxAnswer::Cancel}
            << QStringList{kTimeOver, notFound, kTimeOver, notFound, kTimeOver, notFound} << false;
    }
    void identify()
    {
        QFETCH(QList<QByteArray>, replies);
        QFETCH(QList<BoxAnswer>, answers);
        QFETCH(bool, answered);
        LinkRig rig;
        for (const QByteArray &reply : replies)
            rig.port.answerNext(reply);
        rig.seam.answerQuestions(answers);

        const Outcome outcome = DeviceOperations(rig.adapter, rig.seam).identify();
        QTEST(rig.seam.boxTexts(), "boxes");
        QCOMPARE(outcome.kind, answered ? Outcome::Kind::Completed : Outcome::Kind::TimedOut);
        QCOMPARE(outcome.adapterVersion, answered ? QStringLiteral("AB") : QString());
        QCOMPARE(rig.port.sentCommands(), QStringList(replies.size(), QStringLiteral("Z")));
    }

    void blank_all_erases_buffer_and_chip()
    {
        OpsRig rig(Chip::PIC16F84, Edition::Basic);
        rig.load({0x0123, 0x0456}, 0x3FF1); // blanking writes the default word without asking
        rig.model.setProgramWord(700, 0x0000);
        const ConfigSource config = [&] { return writtenConfig(Edition::Basic, Device::PIC16F84, rig.profile, false).word(); };
        QVERIFY(rig.ops.blankAll(rig.PBUF, 1023, config).completed());
        rig.settle();
        const QStringList sent = rig.port.sentCommands();
        QCOMPARE(sent.count("P1"), 1025);
        const QStringList tail = QStringList{"Q3FFB"} + repeat("I", 7) + QStringList{"P1", "S"} + kPair + kPair;
        QCOMPARE(sent.mid(sent.size() - tail.size()), tail);
        for (int n : {0, 1, 700, 1023})
            QCOMPARE(rig.model.programWord(n), quint16(0x3FFF));
        QCOMPARE(rig.PBUF.word(9999), quint16(0x3FFF));
        QCOMPARE(rig.seam.boxTexts(), QStringList());
    }

    // A 16C711 holding `chip` and `chipConfig` before a write of `file` and `fileConfig`.
    void eprom_checks_read_and_compare_data()
    {
        QTest::addColumn<QList<quint16>>("chip");
        QTest::addColumn<int>("chipConfig");
        QTest::addColumn<QList<quint16>>("file");
        QTest::addColumn<int>("fileConfig");
        QTest::addColumn<QStringList>("conflicts"); // address, chip's word, file's word
        QTest::addColumn<int>("notBlank");          // the blank check's program words
        QTest::addColumn<bool>("fromProtected");    // the file looks read from a protected chip
        const QList<quint16> program{0x2805, 0x0009, 0x3055}, none;
        QTest::newRow("blank") << none << 0x3FFF << program << 0x3FF1 << QStringList() << 0 << false;
        QTest::newRow("can take: bits left to clear") << QList<quint16>{0x2805, 0x2F0D} << 0x3FF3 << program << 0x3FF1 << QStringList() << 2 << false;
        QTest::newRow("cannot take: another program") << QList<quint16>{0x3055, 0x2805, 0x0009} << 0x3FF1 << program << 0x3FF1
                                                      << QStringList{"0 3055 2805", "1 2805 9", "2 9 3055"} << 3 << false;
        QTest::newRow("configuration word conflicts") << none << 0x3FF1 << program << 0x3FFB << QStringList{"2007 3FF1 3FFB"} << 0 << false;
        QTest::newRow("read from a protected chip") << none << 0x3FFF << QList<quint16>{0, 0, 0} << 0x0001 << QStringList() << 0 << true;
    }

    void eprom_checks_read_and_compare()
    {
        QFETCH(QList<quint16>, chip);
        QFETCH(int, chipConfig);
        QFETCH(QList<quint16>, file);
        QFETCH(int, fileConfig);
        OpsRig rig(Chip::PIC16C711);
        for (int n = 0; n < chip.size(); ++n)
            rig.model.setProgramWord(n, chip[n]);
        rig.model.setConfigWord(quint16(chipConfig));
        rig.load(file, fileConfig);
        const ChipCheck check = rig.ops.checkBeforeWrite(rig.PBUF, rig.profile.LASTADR, Device::PIC16C711, quint16(fileConfig));
        QCOMPARE(rig.port.sentCommands(), fetchWords(int(file.size())) + kPair + kPair + kConfigRead);
        QTEST(listed(check.comparison), "conflicts");
        QTEST(readFromProtectedChip(rig.PBUF, rig.profile.LASTADR, Device::PIC16C711, quint16(fileConfig)), "fromProtected");

        rig.port.clearRecords();
        const ChipCheck blank = rig.ops.blankCheck(Device::PIC16C711);
        QCOMPARE(rig.port.sentCommands(), fetchWords(1024) + kPair + kPair + kConfigRead);
        QTEST(int(blank.comparison.words.size()), "notBlank");
        QCOMPARE(listed({{}, blank.comparison.configWord}), chipConfig == 0x3FFF ? QStringList() : QStringList{"2007 " + hexText(chipConfig) + " 3FFF"});
        for (int n = 0; n < 1024; ++n) // nothing was programmed
            QCOMPARE(rig.model.programWord(n), n < chip.size() ? chip[n] : quint16(0x3FFF));
        QCOMPARE(rig.model.configWord(), quint16(chipConfig));
        QCOMPARE(rig.seam.boxTexts(), QStringList());
    }

    // The chip holds 0001..0005 and 3FFB.
    void verify_all_lists_every_difference_data()
    {
        QTest::addColumn<int>("configWord"); // compared unless -1
        QTest::addColumn<QList<quint16>>("file");
        QTest::addColumn<QStringList>("differences");
        QTest::addColumn<Outcome::Kind>("kind");
        const QList<quint16> same{1, 2, 3, 4, 5}, other{1, 0xFF, 3, 0x1004, 0};
        const QStringList three{"1 2 FF", "3 4 1004", "4 5 0"};
        QTest::newRow("three words") << -1 << other << three << Outcome::Kind::Mismatch;
        QTest::newRow("and the configuration word") << 0x3FF1 << other << three + QStringList{"2007 3FFB 3FF1"} << Outcome::Kind::Mismatch;
        QTest::newRow("the configuration word only") << 0x3FF1 << same << QStringList{"2007 3FFB 3FF1"} << Outcome::Kind::ConfigMismatch;
        QTest::newRow("all agree") << 0x3FFB << same << QStringList() << Outcome::Kind::Completed;
    }

    void verify_all_lists_every_difference()
    {
        QFETCH(int, configWord);
        QFETCH(QList<quint16>, file);
        OpsRig rig;
        for (int n = 0; n < 5; ++n)
            rig.model.setProgramWord(n, quint16(n + 1));
        rig.model.setConfigWord(0x3FFB);
        rig.load(file);
        const std::optional<quint16> config = configWord < 0 ? std::nullopt : std::optional(quint16(configWord));
        const ChipCheck check = rig.ops.verifyAll(rig.PBUF, 4, config);
        QCOMPARE(rig.port.sentCommands(), fetchWords(5) + kPair + kPair + (config ? kConfigRead : QStringList()));
        QTEST(listed(check.comparison), "differences");
        QTEST(check.outcome.kind, "kind");
        QCOMPARE(check.outcome.word, check.outcome.kind == Outcome::Kind::Mismatch ? 1 : -1);
        QCOMPARE(rig.seam.boxTexts(), QStringList());
    }
};

QTEST_GUILESS_MAIN(OperationsTest)
#include "test_operations.moc"
