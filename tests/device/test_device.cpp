#include "device/AddressField.h"
#include "device/ConfigWord.h"
#include "device/Profiles.h"

#include <QtTest>

namespace {

enum class Step { XT, HS, LP, RC, WatchdogOn, WatchdogOff, ProtectOn, ProtectOff, TimerOn, TimerOff };

void apply(DeviceProfile &profile, Step step)
{
    switch (step) {
    case Step::XT: setOscillator(profile, Oscillator::XT); break;
    case Step::HS: setOscillator(profile, Oscillator::HS); break;
    case Step::LP: setOscillator(profile, Oscillator::LP); break;
    case Step::RC: setOscillator(profile, Oscillator::RC); break;
    case Step::WatchdogOn: setWatchdog(profile, true); break;
    case Step::WatchdogOff: setWatchdog(profile, false); break;
    case Step::ProtectOn: setProtection(profile, true); break;
    case Step::ProtectOff: setProtection(profile, false); break;
    case Step::TimerOn: setPowerUpTimer(profile, true); break;
    case Step::TimerOff: setPowerUpTimer(profile, false); break;
    }
}

// The device's default word as the panel leaves it after the steps.
DeviceProfile panelAfter(Device device, const QList<Step> &steps)
{
    DeviceProfile profile;
    selectDevice(profile, device);
    for (Step step : steps)
        apply(profile, step);
    return profile;
}

// "XT wdt- cp- pwrt+": the oscillator, then watchdog, protection and power-up timer on or off.
QString describe(const std::optional<PanelChoice> &choice)
{
    if (!choice)
        return QStringLiteral("none");
    static const char *const oscillators[] = {"RC", "XT", "HS", "LP"};
    auto onOff = [](bool on) { return on ? '+' : '-'; };
    return QStringLiteral("%1 wdt%2 cp%3 pwrt%4")
        .arg(QLatin1String(oscillators[static_cast<int>(choice->oscillator)]))
        .arg(onOff(choice->watchdog))
        .arg(onOff(choice->protection))
        .arg(onOff(choice->powerUpTimer));
}

} // namespace

Q_DECLARE_METATYPE(Device)
Q_DECLARE_METATYPE(QList<Step>)

class DeviceTest : public QObject {
    Q_OBJECT

private slots:
    void selection_loads_the_profile_defaults()
    {
        DeviceProfile profile;
        selectDevice(profile, Device::PIC16C711);
        QCOMPARE(profile.device, Device::PIC16C711);
        QCOMPARE(profile.MEMSIZE, qint16(1024));
        QCOMPARE(profile.LASTADR, qint16(1023));
        QCOMPARE(configText(profile), QStringLiteral("3FF3"));
        selectDevice(profile, Device::PIC16F84);
        QCOMPARE(profile.device, Device::PIC16F84);
        QCOMPARE(configText(profile), QStringLiteral("3FFB"));
    }

    void panel_edits_the_configuration_word_data()
    {
        QTest::addColumn<Device>("device");
        QTest::addColumn<QList<Step>>("steps");
        QTest::addColumn<QString>("text");
        const Device f84 = Device::PIC16F84, c711 = Device::PIC16C711;
        QTest::newRow("F84 XT") << f84 << QList<Step>{Step::XT} << "3FF9";
        QTest::newRow("F84 HS") << f84 << QList<Step>{Step::HS} << "3FFA";
        QTest::newRow("F84 LP") << f84 << QList<Step>{Step::LP} << "3FF8";
        QTest::newRow("F84 LP then RC") << f84 << QList<Step>{Step::LP, Step::RC} << "3FFB";
        QTest::newRow("F84 watchdog on") << f84 << QList<Step>{Step::WatchdogOn} << "3FFF";
        QTest::newRow("F84 watchdog on, off") << f84 << QList<Step>{Step::WatchdogOn, Step::WatchdogOff} << "3FFB";
        QTest::newRow("F84 power-up timer") << f84 << QList<Step>{Step::TimerOn} << "3FF3";
        QTest::newRow("F84 timer off again") << f84 << QList<Step>{Step::TimerOn, Step::TimerOff} << "3FFB";
        QTest::newRow("F84 protect") << f84 << QList<Step>{Step::ProtectOn} << "0B";
        QTest::newRow("F84 protect, XT") << f84 << QList<Step>{Step::ProtectOn, Step::XT} << "09";
        QTest::newRow("F84 protect, HS") << f84 << QList<Step>{Step::ProtectOn, Step::HS} << "0A";
        QTest::newRow("F84 protect on, off") << f84 << QList<Step>{Step::ProtectOn, Step::ProtectOff} << "3FFB";
        QTest::newRow("C711 watchdog on") << c711 << QList<Step>{Step::WatchdogOn} << "3FF7";
        QTest::newRow("C711 protect") << c711 << QList<Step>{Step::ProtectOn} << "043";
        QTest::newRow("C711 protect on, off") << c711 << QList<Step>{Step::ProtectOn, Step::ProtectOff} << "3FF3";
        QTest::newRow("C711 timer off") << c711 << QList<Step>{Step::TimerOff} << "3FFB";
    }

    void panel_edits_the_configuration_word()
    {
        QFETCH(Device, device);
        QFETCH(QList<Step>, steps);
        QFETCH(QString, text);
        const DeviceProfile profile = panelAfter(device, steps);
        QCOMPARE(configText(profile), text);
        QVERIFY(profile.CONFH >= 0 && profile.CONFH <= 0xFF);
        QVERIFY(profile.CONFL >= 0 && profile.CONFL <= 0xFF);
    }

    void written_word_follows_the_edition()
    {
        DeviceProfile profile;
        selectDevice(profile, Device::PIC16C711);
        setOscillator(profile, Oscillator::XT);
        const ConfigBytes panel = writtenConfig(Edition::Advanced, Device::PIC16C711, profile, 1);
        QCOMPARE(panel.high, qint16(0x3F));
        QCOMPARE(panel.low, qint16(0xF1));
        // The basic edition ignores the panel and keys its word to the write procedure.
        const struct { Device procedure; qint16 watchdogEnabled; qint16 low; } basic[] = {
            {Device::PIC16F84, 0, 0xFB}, {Device::PIC16F84, 1, 0xFF},
            {Device::PIC16C711, 0, 0xF3}, {Device::PIC16C711, 1, 0xF7}};
        for (const auto &row : basic) {
            const ConfigBytes word = writtenConfig(Edition::Basic, row.procedure, profile, row.watchdogEnabled);
            QCOMPARE(word.high, qint16(0x3F));
            QCOMPARE(word.low, row.low);
        }
    }

    void panel_choice_that_shows_a_word_data()
    {
        QTest::addColumn<Device>("device");
        QTest::addColumn<QList<Step>>("before");
        QTest::addColumn<quint16>("word");
        QTest::addColumn<QString>("choice");
        const Device f84 = Device::PIC16F84, c711 = Device::PIC16C711;
        const QList<Step> none;
        QTest::newRow("F84 its default") << f84 << none << quint16(0x3FFB) << "RC wdt- cp- pwrt-";
        QTest::newRow("F84 XT, timer") << f84 << none << quint16(0x3FF1) << "XT wdt- cp- pwrt+";
        QTest::newRow("F84 watchdog") << f84 << none << quint16(0x3FFF) << "RC wdt+ cp- pwrt-";
        QTest::newRow("F84 protected") << f84 << none << quint16(0x000B) << "RC wdt- cp+ pwrt-";
        QTest::newRow("F84 all bits clear") << f84 << none << quint16(0x0000) << "LP wdt- cp+ pwrt+";
        QTest::newRow("F84 from protected, XT") << f84 << QList<Step>{Step::ProtectOn, Step::HS} << quint16(0x3FF1)
                                                << "XT wdt- cp- pwrt+";
        QTest::newRow("F84 half protected") << f84 << none << quint16(0x3FCB) << "none";
        QTest::newRow("F84 CONFH half protected") << f84 << none << quint16(0x153B) << "none";
        QTest::newRow("F84 bits above 13") << f84 << none << quint16(0xFFFB) << "none";
        QTest::newRow("C711 XT, timer") << c711 << none << quint16(0x3FF1) << "XT wdt- cp- pwrt+";
        QTest::newRow("C711 protected, bit 6 kept") << c711 << none << quint16(0x0041) << "XT wdt- cp+ pwrt+";
        QTest::newRow("C711 bit 6 clear") << c711 << none << quint16(0x3FB1) << "none";
        QTest::newRow("C711 protected, bit 6 clear") << c711 << none << quint16(0x0001) << "none";
        QTest::newRow("C711 bit 4 only") << c711 << none << quint16(0x3FE3) << "none";
    }

    void panel_choice_that_shows_a_word()
    {
        QFETCH(Device, device);
        QFETCH(QList<Step>, before);
        QFETCH(quint16, word);
        DeviceProfile profile = panelAfter(device, before);

        const std::optional<PanelChoice> choice = panelChoiceFor(profile, word);
        QTEST(describe(choice), "choice");
        if (choice) {
            applyPanelChoice(profile, *choice);
            QCOMPARE(panelWord(profile), word);
        }
    }

    void configuration_word_in_words_data()
    {
        QTest::addColumn<Device>("device");
        QTest::addColumn<quint16>("word");
        QTest::addColumn<QString>("words");
        const Device f84 = Device::PIC16F84, c711 = Device::PIC16C711;
        QTest::newRow("F84 XT, timer") << f84 << quint16(0x3FF1) << "XT oscillator, power-up timer on, watchdog off, no code protection";
        QTest::newRow("F84 its default") << f84 << quint16(0x3FFB) << "RC oscillator, power-up timer off, watchdog off, no code protection";
        QTest::newRow("F84 HS, watchdog") << f84 << quint16(0x3FFE) << "HS oscillator, power-up timer off, watchdog on, no code protection";
        QTest::newRow("F84 LP, protected") << f84 << quint16(0x000C) << "LP oscillator, power-up timer off, watchdog on, code protection on";
        QTest::newRow("F84 half protected") << f84 << quint16(0x3FCB) << "RC oscillator, power-up timer off, watchdog off, partial code protection";
        QTest::newRow("C711 its default") << c711 << quint16(0x3FF3) << "RC oscillator, power-up timer on, watchdog off, no code protection, brown-out reset on";
        QTest::newRow("C711 protected, bit 6 kept") << c711 << quint16(0x0041) << "XT oscillator, power-up timer on, watchdog off, code protection on, brown-out reset on";
        QTest::newRow("C711 CP0 clear, bit 6 clear") << c711 << quint16(0x3FA1) << "XT oscillator, power-up timer on, watchdog off, partial code protection, brown-out reset off";
    }

    void configuration_word_in_words()
    {
        QFETCH(Device, device);
        QFETCH(quint16, word);
        QTEST(describeConfigWord(device, word), "words");
    }

    void address_field_reading_and_check_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("value");
        QTest::addColumn<QString>("shown"); // the text after the check
        QTest::newRow("last word") << "3FF" << qint64(0x3FF) << "3FF";
        QTest::newRow("one past the device") << "400" << qint64(0x400) << "3FF";
        QTest::newRow("401") << "401" << qint64(0x401) << "3FF";
        QTest::newRow("five digits") << "12345" << qint64(0x12345) << "3FF";
        QTest::newRow("four digits negative") << "FFFF" << qint64(-1) << "FFFF";
        QTest::newRow("8000 negative") << "8000" << qint64(-0x8000) << "8000";
        QTest::newRow("stops at non-hex") << "3FG" << qint64(0x3F) << "3FG";
        QTest::newRow("lower case") << "3ff" << qint64(0x3FF) << "3ff";
        QTest::newRow("empty") << "" << qint64(0) << "";
        QTest::newRow("blanks ignored") << " 1 0\t" << qint64(0x10) << " 1 0\t";
        QTest::newRow("not a number") << "x12" << qint64(0) << "x12";
        QTest::newRow("eight digits above 7FFFFFFF") << "80000000" << qint64(0x80000000LL) << "3FF";
        QTest::newRow("nine digits") << "000000001" << (qint64(1) << 32) << "3FF";
    }

    void address_field_reading_and_check()
    {
        QFETCH(QString, text);
        QFETCH(qint64, value);
        QFETCH(QString, shown);
        QCOMPARE(readAddressField(text), value);
        QCOMPARE(checkedLastAddress(text, 1024).value_or(text), shown);
        QCOMPARE(checkedLastAddress(text, 0), std::nullopt); // before the first device selection
    }

    void hex_text_has_no_leading_zeros()
    {
        QCOMPARE(hexText(0), QStringLiteral("0"));
        QCOMPARE(hexText(0x3FF), QStringLiteral("3FF"));
        QCOMPARE(hexText(8200), QStringLiteral("2008"));
        QCOMPARE(hexText(-1), QStringLiteral("FFFF"));
    }
};

QTEST_GUILESS_MAIN(DeviceTest)
#include "test_device.moc"
