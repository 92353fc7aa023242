#include "app/DataViewWindow.h"
#include "app/MainWindow.h"
#include "app/ProductionWindow.h"
#include "app/WindowSettings.h"
#include "device/ConfigWord.h"
#include "device/Profiles.h"
#include "image/HexLoader.h"
#include "ops/Messages.h"
#include "ops/RecordStore.h"
#include "tests/app/FakeWindowRig.h"
#include "tests/app/WindowBench.h"
#include "tests/support/TemporarySettings.h"

#include "AdapterModel.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <cstdio>
#include <memory>

namespace {

using Rig = FakeWindowRig;

QRect pixelsOf(int left, int top, int width, int height)
{
    return {left / 15, top / 15, width / 15, height / 15};
}

} // namespace

Q_DECLARE_METATYPE(Edition)

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void startup_state_data();
    void startup_state();
    void configuration_panel_data();
    void configuration_panel();
    void selection_resets_panel_fields_and_flags();
    void basic_wdt_item_toggles_flag_and_indicator();
    void last_address_check_through_the_field_data();
    void last_address_check_through_the_field();
    void layout_data();
    void layout();
    void menu_bar_data();
    void menu_bar();
    void tab_reads_each_control_by_its_label_data();
    void tab_reads_each_control_by_its_label();
    void file_open_is_all_or_nothing();
    void file_configuration_word_on_the_panel_data();
    void file_configuration_word_on_the_panel();
    void panel_word_belongs_to_its_file();
    void basic_write_asks_before_replacing_the_file_word();
    void file_dialog_filter_in_qt_form();
    void yes_no_box_answers_no_on_enter_and_escape();
    void buffer_view_shows_dump_and_follows_loads();
    void running_operation_refuses_others();
    void closing_main_window_ends_program_with_view_open();
    void chip_checks_of_the_function_menu_data();
    void chip_checks_of_the_function_menu();
    void production_writes_a_saved_file_once_and_the_next_chip();
    void production_fields_that_cannot_be_used_send_nothing_data();
    void production_fields_that_cannot_be_used_send_nothing();
    void device_item_chooses_any_device_and_is_remembered();
};

void MainWindowTest::startup_state_data()
{
    QTest::addColumn<Edition>("edition");
    QTest::addColumn<bool>("com1Fails");
    QTest::addColumn<QString>("label6");
    QTest::addColumn<int>("portNumber");
    QTest::addColumn<QStringList>("boxes");
    const QStringList none;
    const QStringList cantOpen{QStringLiteral("Can't Open COM1 / COM ERROR")};
    QTest::newRow("advanced, COM1 opens") << Edition::Advanced << false << "COM1" << 1 << none;
    QTest::newRow("advanced, COM1 fails") << Edition::Advanced << true << "COM0" << 0 << cantOpen;
    QTest::newRow("basic, COM1 opens") << Edition::Basic << false << "COM1" << 1 << none;
    QTest::newRow("basic, COM1 fails") << Edition::Basic << true << "COM0" << 0 << cantOpen;
}

void MainWindowTest::startup_state()
{
    QFETCH(Edition, edition);
    QFETCH(bool, com1Fails);
    Rig rig(edition, com1Fails);
    const MainWindow::Controls &c = rig.c();

    // The box was shown by the constructor, so before the window appears.
    QVERIFY(!rig.window->isVisible());
    QTEST(rig.dialogs.boxes, "boxes");
    QTEST(c.Label6->text(), "label6");
    QTEST(int(rig.window->runState().portNumber), "portNumber");
    QCOMPARE(rig.port.portNumber(), 1);
    QCOMPARE(rig.port.lineSettings(), QStringLiteral("9600,N,8,1"));

    QCOMPARE(c.Text1->text(), QString());
    QCOMPARE(c.Text3->text(), QString());
    QCOMPARE(c.Text4->text(), QStringLiteral("0"));
    QCOMPARE(c.Text5->text(), QStringLiteral("3FF"));
    QCOMPARE(c.Label7->text(), QString());
    QVERIFY(c.Option1->isChecked());
    QVERIFY(!c.Option2->isChecked());
    QCOMPARE(rig.window->runState().programLoaded, false);
    QCOMPARE(rig.window->runState().watchdogEnabled, false);
    const DeviceProfile &profile = rig.window->profile();
    QCOMPARE(profile.device, Device::PIC16F84);
    QCOMPARE(profile.MEMSIZE, qint16(1024));
    QCOMPARE(profile.LASTADR, qint16(1023));
    QVERIFY(rig.window->menuItems().BLANK->isEnabled());
    if (edition == Edition::Advanced) {
        QCOMPARE(c.Text6->text(), QStringLiteral("3FFB"));
        QCOMPARE(c.Text6->accessibleDescription(), "The configuration word WRITE writes, in hexadecimal");
        QCOMPARE(c.Text6->toolTip(), "Current Address\n3FFB: RC oscillator, power-up timer off, watchdog off, no code protection");
        QVERIFY(c.Option3->isChecked());
        QVERIFY(c.Option9->isChecked());
        QVERIFY(c.Option8->isChecked());
        QVERIFY(!c.Check1->isChecked());
        QCOMPARE(profile.CONFH, qint16(0x3F));
        QCOMPARE(profile.CONFL, qint16(0xFB));
    } else {
        QVERIFY(!c.Text6 && !c.Frame2 && !c.Option3 && !c.Check1 && !c.Label8);
    }
}

void MainWindowTest::configuration_panel_data()
{
    QTest::addColumn<bool>("c711");
    QTest::addColumn<QStringList>("clicks");
    QTest::addColumn<QString>("text6");
    QTest::addColumn<int>("CONFH");
    QTest::addColumn<int>("CONFL");
    auto row = [](const char *name, bool c711, const char *clicks, const char *text, int h, int l) {
        QTest::newRow(name) << c711 << QString::fromLatin1(clicks).split(u' ', Qt::SkipEmptyParts)
                            << QString::fromLatin1(text) << h << l;
    };
    row("16F84 XT", false, "Option4", "3FF9", 0x3F, 0xF9);
    row("16F84 HS", false, "Option5", "3FFA", 0x3F, 0xFA);
    row("16F84 LP", false, "Option6", "3FF8", 0x3F, 0xF8);
    row("16F84 LP then RC", false, "Option6 Option3", "3FFB", 0x3F, 0xFB);
    row("16F84 WDT enable", false, "Option10", "3FFF", 0x3F, 0xFF);
    row("16F84 WDT enable, disable", false, "Option10 Option9", "3FFB", 0x3F, 0xFB);
    row("16F84 power-up timer", false, "Check1", "3FF3", 0x3F, 0xF3);
    row("16F84 protect", false, "Option7", "0B", 0, 0x0B);
    row("16F84 protect, XT", false, "Option7 Option4", "09", 0, 0x09);
    row("16F84 protect, HS", false, "Option7 Option5", "0A", 0, 0x0A);
    row("16F84 protect on, off", false, "Option7 Option8", "3FFB", 0x3F, 0xFB);
    row("16C711 WDT enable", true, "Option10", "3FF7", 0x3F, 0xF7);
    row("16C711 protect", true, "Option7", "043", 0, 0x43);
    row("16C711 protect on, off", true, "Option7 Option8", "3FF3", 0x3F, 0xF3);
    row("16C711 power-up timer off", true, "Check1", "3FFB", 0x3F, 0xFB);
}

void MainWindowTest::configuration_panel()
{
    QFETCH(bool, c711);
    QFETCH(QStringList, clicks);
    Rig rig(Edition::Advanced);
    if (c711)
        rig.c().Option2->click();
    for (const QString &name : clicks) {
        auto *button = rig.window->findChild<QAbstractButton *>(name);
        QVERIFY2(button, qPrintable(name));
        button->click();
    }
    QTEST(rig.c().Text6->text(), "text6");
    QTEST(int(rig.window->profile().CONFH), "CONFH");
    QTEST(int(rig.window->profile().CONFL), "CONFL");
    // Save HEX... keeps the word WRITE would write: the panel's.
    QTemporaryDir dir;
    rig.dialogs.fileToSave = dir.filePath(QStringLiteral("saved.hex"));
    rig.window->menuItems().Save_HEX->trigger();
    QCOMPARE(loadHexFile(rig.dialogs.fileToSave.toStdString(), {}, 1024).configWord.value_or(0), panelWord(rig.window->profile()));
}

void MainWindowTest::selection_resets_panel_fields_and_flags()
{
    QTemporaryDir dir;
    Rig rig(Edition::Advanced);
    const MainWindow::Controls &c = rig.c();
    rig.dialogs.fileToOpen =
        QString::fromUtf8(writeFile(dir, "a.hex", ":0400000001020304F2\n:00000001FF\n"));
    c.Command2->click();
    QCOMPARE(rig.window->runState().programLoaded, true);
    c.Option4->click();
    c.Option10->click();
    c.Option7->click();
    c.Text4->setText(QStringLiteral("12"));

    c.Option2->click();
    QCOMPARE(c.Text6->text(), QStringLiteral("3FF3"));
    QVERIFY(c.Option3->isChecked() && c.Option9->isChecked() && c.Option8->isChecked());
    QVERIFY(c.Check1->isChecked());
    QCOMPARE(c.Text4->text(), QStringLiteral("0"));
    QCOMPARE(c.Text5->text(), QStringLiteral("3FF"));
    QCOMPARE(c.Text1->text(), QString());
    QCOMPARE(rig.window->runState().programLoaded, false);
    QCOMPARE(rig.window->profile().device, Device::PIC16C711);
    QCOMPARE(rig.window->profile().LASTADR, qint16(1023));
    // The flash part only can be blanked.
    QVERIFY(!rig.window->menuItems().BLANK->isEnabled());
    // The buffer keeps the loaded words.
    QCOMPARE(rig.window->buffer().word(0), quint16(0x0201));

    c.Option1->click();
    QCOMPARE(c.Text6->text(), QStringLiteral("3FFB"));
    QVERIFY(!c.Check1->isChecked());
    QVERIFY(rig.window->menuItems().BLANK->isEnabled());
}

void MainWindowTest::basic_wdt_item_toggles_flag_and_indicator()
{
    Rig rig(Edition::Basic);
    QAction *WDT = rig.window->menuItems().WDT;
    WDT->trigger();
    QCOMPARE(rig.c().Label7->text(), QStringLiteral("WDT Enable"));
    QCOMPARE(rig.window->runState().watchdogEnabled, true);
    WDT->trigger();
    QCOMPARE(rig.c().Label7->text(), QString());
    QCOMPARE(QAccessible::queryAccessibleInterface(rig.c().Label7)->text(QAccessible::Name), "WDT Disable");
    QCOMPARE(rig.window->runState().watchdogEnabled, false);
    WDT->trigger();
    rig.c().Option2->click();
    QCOMPARE(rig.c().Label7->text(), QString());
    QCOMPARE(rig.window->runState().watchdogEnabled, false);
}

void MainWindowTest::last_address_check_through_the_field_data()
{
    QTest::addColumn<bool>("typed");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("shown");
    QTest::newRow("typed 3FF") << true << "3FF" << "3FF";
    QTest::newRow("typed 400, past the last word") << true << "400" << "3FF";
    QTest::newRow("typed 401") << true << "401" << "3FF";
    QTest::newRow("typed 1234, cut at the fourth digit") << true << "1234" << "3FF";
    QTest::newRow("typed FFFF, cut at the third digit") << true << "FFFF" << "3FF";
    QTest::newRow("typed 3FG") << true << "3FG" << "3FG";
    QTest::newRow("pasted 12345") << false << "12345" << "3FF";
    QTest::newRow("pasted FFFF, negative") << false << "FFFF" << "FFFF";
    QTest::newRow("pasted nine digits") << false << "000000001" << "3FF";
    QTest::newRow("pasted empty") << false << "" << "";
}

void MainWindowTest::last_address_check_through_the_field()
{
    QFETCH(bool, typed);
    QFETCH(QString, input);
    Rig rig(Edition::Basic);
    QLineEdit *Text5 = rig.c().Text5;
    Text5->clear();
    if (typed)
        QTest::keyClicks(Text5, input);
    else
        Text5->setText(input);
    QTEST(Text5->text(), "shown");
}

void MainWindowTest::layout_data()
{
    QTest::addColumn<Edition>("edition");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("toolTip");
    const auto A = Edition::Advanced;
    const auto B = Edition::Basic;
    QTest::newRow("A Text1") << A << "Text1" << "client" << pixelsOf(240, 300, 4380, 285) << ""
                             << "This is target program file";
    QTest::newRow("A Option1") << A << "Option1" << "Frame1" << pixelsOf(150, 375, 840, 240)
                               << "16F84" << "Select device 16F84";
    QTest::newRow("A Option6") << A << "Option6" << "Frame2" << pixelsOf(225, 900, 690, 240)
                               << "LP" << "";
    QTest::newRow("A Command2") << A << "Command2" << "client" << pixelsOf(4050, 750, 1095, 375)
                                << "FILE OPEN" << "Open your HEX file";
    QTest::newRow("A Check1") << A << "Check1" << "client" << pixelsOf(1575, 3000, 1965, 240)
                              << "Power up timer" << "";
    QTest::newRow("A Shape12") << A << "Shape12" << "client" << pixelsOf(3975, 0, 1275, 3765)
                               << "" << "";
    QTest::newRow("A TEST") << A << "TEST" << "client" << pixelsOf(0, 4695, 5055, 270) << "Text2"
                            << "";
    QTest::newRow("B Frame1") << B << "Frame1" << "client" << pixelsOf(300, 675, 1215, 1440)
                              << "PIC Select" << "";
    QTest::newRow("B Option2") << B << "Option2" << "Frame1" << pixelsOf(150, 900, 990, 240)
                               << "16C711" << "";
    QTest::newRow("B Label5") << B << "Label5" << "client" << pixelsOf(1725, 1125, 660, 255)
                              << "LAST" << "";
    QTest::newRow("B Command1") << B << "Command1" << "client" << pixelsOf(3600, 2475, 855, 375)
                                << "EXIT" << "Exit";
    QTest::newRow("B Text2") << B << "Text2" << "client" << pixelsOf(0, 3960, 5055, 270) << "Text2"
                             << "";
}

void MainWindowTest::layout()
{
    QFETCH(Edition, edition);
    QFETCH(QString, name);
    Rig rig(edition);
    QCOMPARE(rig.window->windowTitle(), QStringLiteral("Tobrisk Programmer"));
    QCOMPARE(rig.window->centralWidget()->size(),
             edition == Edition::Advanced ? QSize(350, 277) : QSize(319, 197));
    QVERIFY(rig.window->minimumSize() == rig.window->maximumSize());
    QVERIFY(!(rig.window->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));

    auto *control = rig.window->findChild<QWidget *>(name);
    QVERIFY(control);
    QTEST(control->parentWidget()->objectName(), "parent");
    QTEST(control->geometry(), "geometry");
    QTEST(control->toolTip(), "toolTip");
    QString caption;
    if (auto *button = qobject_cast<QAbstractButton *>(control))
        caption = button->text();
    else if (auto *label = qobject_cast<QLabel *>(control))
        caption = label->text();
    else if (auto *frame = qobject_cast<QGroupBox *>(control))
        caption = frame->title();
    else if (auto *text = qobject_cast<QLineEdit *>(control))
        caption = text->text();
    QTEST(caption, "caption");
}

void MainWindowTest::menu_bar_data()
{
    QTest::addColumn<Edition>("edition");
    QTest::addColumn<QStringList>("items");
    QTest::newRow("advanced") << Edition::Advanced
                              << QStringList{"COM: COM1, COM2 F2, -, Port...",
                                             "Function: READ, BLANK all, Buffer_view, Line_test, "
                                             "Save HEX... Ctrl+S, Blank check, Checksum, Check before WRITE, Production..., Device...",
                                             "ABOUT: HELP F1, VER"};
    QTest::newRow("basic") << Edition::Basic
                           << QStringList{"COM: COM1, COM2 F2, -, Port...",
                                          "Function: READ, BLANK all, Buffer_view, WDT enable, "
                                          "Line_test, Save HEX... Ctrl+S, Blank check, Checksum, Check before WRITE, Production..., Device...",
                                          "ABOUT: HELP F1, VER"};
}

void MainWindowTest::menu_bar()
{
    QFETCH(Edition, edition);
    Rig rig(edition);
    QStringList items;
    for (QAction *menuAction : rig.window->menuBar()->actions()) {
        QStringList entries;
        for (QAction *item : menuAction->menu()->actions()) {
            const QString key = item->shortcut().toString();
            if (item->isSeparator())
                entries << QStringLiteral("-");
            else
                entries << (key.isEmpty() ? item->text() : item->text() + u' ' + key);
        }
        items << menuAction->text() + QStringLiteral(": ") + entries.join(QStringLiteral(", "));
    }
    QTEST(items, "items");
}

void MainWindowTest::tab_reads_each_control_by_its_label_data()
{
    QTest::addColumn<Edition>("edition");
    QTest::addColumn<QString>("heard"); // the accessible names of the Tab stops, in their order
    QTest::newRow("dravik-plus") << Edition::Advanced
        << "File name, PIC Select 16F84, PIC Select 16C711, START, LAST, Current, Config, OSC Type RC, OSC Type XT, "
           "OSC Type HS, OSC Type LP, WDT Enable, WDT Disable, Protect Enable, Protect Disable, Power up timer, "
           "FILE OPEN, WRITE, VERIFY, EXIT";
    QTest::newRow("dravik") << Edition::Basic
        << "File name, PIC Select 16F84, PIC Select 16C711, START, LAST, Current, FILE OPEN, WRITE, VERIFY, EXIT";
}

void MainWindowTest::tab_reads_each_control_by_its_label()
{
    QFETCH(Edition, edition);
    Rig rig(edition);
    QStringList heard;
    QWidget *window = rig.window.get();
    for (QWidget *control = window->nextInFocusChain(); control != window; control = control->nextInFocusChain())
        if ((control->focusPolicy() & Qt::TabFocus) && control->isVisibleTo(window))
            heard << QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name);
    QTEST(heard.join(QStringLiteral(", ")), "heard");
}

void MainWindowTest::file_open_is_all_or_nothing()
{
    QTemporaryDir dir;
    Rig rig(Edition::Advanced);
    const MainWindow::Controls &c = rig.c();
    const QString good =
        QString::fromUtf8(writeFile(dir, "good.hex", ":0400000001020304F2\n:00000001FF\n"));
    const QString bad =
        QString::fromUtf8(writeFile(dir, "bad.hex", ":0400000005060708E3\n:00000001FF\n"));

    rig.dialogs.fileToOpen = good;
    c.Command2->click();
    QCOMPARE(rig.dialogs.boxes, QStringList());
    QCOMPARE(c.Text1->text(), good);
    QCOMPARE(c.Text3->text(), QStringLiteral("1"));
    QCOMPARE(c.Text4->text(), QStringLiteral("0"));
    QCOMPARE(c.Text5->text(), QStringLiteral("1"));
    QCOMPARE(rig.window->runState().programLoaded, true);
    QCOMPARE(rig.window->profile().LASTADR, qint16(1));
    const ProgramBuffer loaded = rig.window->buffer();
    QCOMPARE(loaded.word(1), quint16(0x0403));
    QCOMPARE(loaded.word(2), quint16(0x3FFF));

    // Cancelling and a file that fails its checksum leave everything as it was.
    c.Text5->setText(QStringLiteral("20"));
    for (const QString &chosen : {QString(), bad}) {
        rig.dialogs.fileToOpen = chosen;
        c.Command2->click();
        QCOMPARE(c.Text1->text(), good);
        QCOMPARE(c.Text3->text(), QStringLiteral("1"));
        QCOMPARE(c.Text5->text(), QStringLiteral("20"));
        QCOMPARE(rig.window->runState().programLoaded, true);
        QCOMPARE(rig.window->profile().LASTADR, qint16(1));
        QVERIFY(rig.window->buffer() == loaded);
    }
    QCOMPARE(rig.dialogs.fileDialogs, 3);
    QCOMPARE(rig.dialogs.boxes, QStringList{"Can't Read or Open the FILE / FILE ERROR"});
    QCOMPARE(rig.port.sentCommands(), QStringList());
}

void MainWindowTest::file_configuration_word_on_the_panel_data()
{
    QTest::addColumn<bool>("c711");
    QTest::addColumn<QStringList>("clicks");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("text6");
    QTest::addColumn<QStringList>("checked"); // the panel's controls that end checked
    QTest::addColumn<QString>("box");
    const QByteArray word0 = ":020000000528D1\n";
    const QByteArray end = ":00000001FF\n";
    QTest::newRow("16C711 takes its protected word")
        << true << QStringList() << word0 + ":02400E0041006F\n" + end << "041"
        << QStringList{"Option4", "Option9", "Option7", "Check1"} << "";
    QTest::newRow("16C711 cannot clear bit 6")
        << true << QStringList{"Option10"} << word0 + ":02400E00B13FC0\n" + end << "3FF7"
        << QStringList{"Option3", "Option10", "Option8", "Check1"}
        << "The file's configuration word 3FB1 cannot be set on the panel; WRITE will write 3FF7. / CONFIG WORD";
    QTest::newRow("16F84 file without the word")
        << false << QStringList{"Option5"} << word0 + end << "3FFA" << QStringList{"Option5", "Option9", "Option8"} << "";
    QTest::newRow("16F84 file that fails to load")
        << false << QStringList() << ":02400E00F13F80\n:020000000528D0\n" + end << "3FFB"
        << QStringList{"Option3", "Option9", "Option8"} << "Can't Read or Open the FILE / FILE ERROR";
}

void MainWindowTest::file_configuration_word_on_the_panel()
{
    QFETCH(bool, c711);
    QFETCH(QStringList, clicks);
    QFETCH(QByteArray, file);
    QFETCH(QString, text6);
    QFETCH(QStringList, checked);
    QFETCH(QString, box);
    QTemporaryDir dir;
    Rig rig(Edition::Advanced);
    const MainWindow::Controls &c = rig.c();
    if (c711)
        c.Option2->click();
    for (const QString &name : clicks)
        rig.window->findChild<QAbstractButton *>(name)->click();

    rig.dialogs.fileToOpen = QString::fromUtf8(writeFile(dir, "program.hex", file));
    c.Command2->click();

    QCOMPARE(rig.dialogs.boxes, box.isEmpty() ? QStringList() : QStringList{box});
    if (!box.isEmpty())
        QCOMPARE(rig.dialogs.messages.first().icon, box.contains("CONFIG") ? BoxIcon::Warning : BoxIcon::Error);
    QCOMPARE(c.Text6->text(), text6);
    QCOMPARE(configText(rig.window->profile()), text6);
    for (QAbstractButton *control : std::initializer_list<QAbstractButton *>{
             c.Option3, c.Option4, c.Option5, c.Option6, c.Option7, c.Option8, c.Option9, c.Option10, c.Check1})
        QVERIFY2(control->isChecked() == checked.contains(control->objectName()), qPrintable(control->objectName()));

    // A device selection afterwards forgets the file: its own default word, nothing to compare.
    (c711 ? c.Option1 : c.Option2)->click();
    QCOMPARE(c.Text6->text(), c711 ? QStringLiteral("3FFB") : QStringLiteral("3FF3"));
    QCOMPARE(rig.window->runState().fileConfigWord, std::nullopt);
}

void MainWindowTest::panel_word_belongs_to_its_file()
{
    const QByteArray word0 = ":020000000528D1\n";
    const QByteArray end = ":00000001FF\n";
    // A file that protects the chip (0000), or asks for XT (3FF1) after which the user picks HS,
    // then a file that asks for no word.
    const struct {
        QByteArray first;
        const char *clickBetween;
        const char *text6;
    } cases[] = {{word0 + ":02400E000000B0\n" + end, nullptr, "3FFB"},
                 {word0 + ":02400E00F13F80\n" + end, "Option5", "3FF2"}};
    for (const auto &each : cases) {
        QTemporaryDir dir;
        Rig rig(Edition::Advanced);
        rig.dialogs.fileToOpen = QString::fromUtf8(writeFile(dir, "first.hex", each.first));
        rig.c().Command2->click();
        if (each.clickBetween)
            rig.window->findChild<QAbstractButton *>(each.clickBetween)->click();
        rig.dialogs.fileToOpen = QString::fromUtf8(writeFile(dir, "second.hex", word0 + end));
        rig.c().Command2->click();
        QCOMPARE(rig.c().Text6->text(), QLatin1String(each.text6));
        QCOMPARE(configText(rig.window->profile()), QLatin1String(each.text6));
        QCOMPARE(rig.dialogs.boxes, QStringList());
    }
}

void MainWindowTest::basic_write_asks_before_replacing_the_file_word()
{
    QTemporaryDir dir;
    Rig rig(Edition::Basic);
    rig.dialogs.fileToOpen =
        QString::fromUtf8(writeFile(dir, "xt.hex", ":020000000528D1\n:02400E00F13F80\n:00000001FF\n"));
    rig.c().Command2->click();
    QCOMPARE(rig.window->runState().fileConfigWord, std::optional<quint16>(0x3FF1));

    rig.c().Command3->click(); // answered No, the default
    QCOMPARE(rig.dialogs.boxes,
             QStringList{"The file asks for configuration word 3FF1; WRITE will write 3FFB. Write anyway? / CONFIG WORD"});
    QCOMPARE(rig.dialogs.messages.first().buttons, BoxButtons::YesNo);
    QCOMPARE(rig.port.sentCommands(), QStringList());
    QCOMPARE(rig.window->runState().programLoaded, true);
}

void MainWindowTest::file_dialog_filter_in_qt_form()
{
    QCOMPARE(qtNameFilter(kHexFileFilter), QStringLiteral("HEX FILES (*.hex);;ALL FILES (*.*)"));
}

void MainWindowTest::yes_no_box_answers_no_on_enter_and_escape()
{
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
        QStringList buttons;
        QTimer::singleShot(0, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(box);
            for (QAbstractButton *button : box->buttons())
                buttons << button->text().remove(u'&');
            QTest::keyClick(box, key);
        });
        QtDialogs dialogs;
        QCOMPARE(dialogs.showBox(Messages::writeOtherConfigWord(0x3FF1, 0x3FFB)), BoxAnswer::No);
        buttons.sort();
        QCOMPARE(buttons, (QStringList{"No", "Yes"}));
    }
}

void MainWindowTest::buffer_view_shows_dump_and_follows_loads()
{
    QTemporaryDir dir;
    Rig rig(Edition::Basic);
    QVERIFY(!rig.window->dataView());
    rig.window->menuItems().Buffer_view->trigger();
    DataViewWindow *view = rig.window->dataView();
    QVERIFY(view && view->isVisible());
    QCOMPARE(view->windowTitle(), QStringLiteral("Data buffer"));
    QCOMPARE(view->Text1->font().pixelSize(), 13);
    QStringList lines = view->text().split(u'\n');
    QCOMPARE(lines.size(), 1 + 64 + 1); // header, rows, the empty text after the last break
    QCOMPARE(lines[1], QStringLiteral("0000: ") + QStringLiteral("0000 ").repeated(16));

    rig.dialogs.fileToOpen =
        QString::fromUtf8(writeFile(dir, "a.hex", ":020020000128B5\n:00000001FF\n"));
    rig.c().Command2->click();
    lines = view->text().split(u'\n');
    QCOMPARE(lines[1], QStringLiteral("0000: ") + QStringLiteral("3FFF ").repeated(16));
    QCOMPARE(lines[2], QStringLiteral("0010: 2801 ") + QStringLiteral("3FFF ").repeated(15));

    // Closed, it is not reopened by a load.
    view->close();
    QTRY_VERIFY(!rig.window->dataView());
    rig.c().Command2->click();
    QVERIFY(!rig.window->dataView());
}

// While the line test waits for an adapter that never answers, the commands that would start
// another exchange, load or save a file (a dropped one too), switch the port or change the device are disabled; the panel,
// the buffer view and the help stay usable, and the view does not end the wait.
void MainWindowTest::running_operation_refuses_others()
{
    QTemporaryDir dir;
    QMimeData dragged;
    dragged.setUrls({QUrl::fromLocalFile(
        QString::fromUtf8(writeFile(dir, "a.hex", ":0400000001020304F2\n:00000001FF\n")))});
    Rig rig(Edition::Advanced);
    rig.port.setSilent(true);
    const MainWindow::Controls &c = rig.c();
    const MainWindow::MenuItems &m = rig.window->menuItems();
    bool checked = false;
    QTimer::singleShot(0, rig.window.get(), [&] {
        checked = true;
        QVERIFY(rig.window->isBusy());
        for (QWidget *control : std::initializer_list<QWidget *>{c.Command2, c.Command3, c.Command7,
                                                                 c.Option1, c.Option2})
            QVERIFY2(!control->isEnabled(), qPrintable(control->objectName()));
        for (QAction *item : {m.COM1, m.COM2, m.Port, m.READ, m.BLANK, m.Line_test, m.Save_HEX})
            QVERIFY2(!item->isEnabled(), qPrintable(item->objectName()));
        QVERIFY(!m.VER->isEnabled()); // its modal About window would hold the wait
        for (QWidget *control : std::initializer_list<QWidget *>{c.Command1, c.Option4, c.Check1,
                                                                 c.Text5})
            QVERIFY2(control->isEnabled(), qPrintable(control->objectName()));
        for (QAction *item : {m.Buffer_view, m.HELP})
            QVERIFY2(item->isEnabled(), qPrintable(item->objectName()));

        const QByteArray sent = rig.port.written();
        m.READ->trigger();
        c.Command3->click();
        QCOMPARE(rig.port.written(), sent);
        m.Buffer_view->trigger();
        QVERIFY(rig.window->isBusy());
        QVERIFY(!dragEnters(*rig.window, dragged));
        drop(*rig.window, dragged);
        QCOMPARE(c.Text1->text(), QString());
        QCOMPARE(rig.window->runState().programLoaded, false);
        c.Option4->click();
        QCOMPARE(c.Text6->text(), QStringLiteral("3FF9"));

        // Closing the window now ends the program at once, as EXIT does.
        const int endings = rig.dialogs.endings;
        rig.window->close();
        QCOMPARE(rig.dialogs.endings, endings + 1);
    });
    m.Line_test->trigger();
    QVERIFY(checked);
    QVERIFY(!rig.window->isBusy());
    // The wait gave up without a box and without asking the adapter again.
    QCOMPARE(rig.dialogs.boxes, QStringList());
    QCOMPARE(rig.port.sentCommands(), QStringList{"Z"});
    for (QWidget *control : std::initializer_list<QWidget *>{c.Command2, c.Command3, c.Option2})
        QVERIFY(control->isEnabled());
    for (QAction *item : {m.COM2, m.READ, m.BLANK, m.Line_test, m.Save_HEX})
        QVERIFY(item->isEnabled());
    QVERIFY(m.VER->isEnabled());
}

void MainWindowTest::closing_main_window_ends_program_with_view_open()
{
    Rig rig(Edition::Advanced);
    rig.window->show();
    rig.window->menuItems().Buffer_view->trigger();
    QVERIFY(rig.window->dataView()->isVisible());
    QTimer::singleShot(0, rig.window.get(), [&] { rig.window->close(); });
    // Only a guard against hanging: the close ends the loop long before.
    QTimer::singleShot(60000, [] { QCoreApplication::exit(1); });
    QCOMPARE(QApplication::exec(), 0);
    QCOMPARE(rig.dialogs.endings, 0);
}

// The reads of words 0..lastWord, then the configuration word, as READ and the chip checks send them.
QStringList readsThenConfigWord(int lastWord)
{
    QStringList commands{"V0", "F0", "V2"};
    for (int n = 0; n <= lastWord; ++n)
        commands << "S" << "I";
    return commands << "V1" << "F1" << "V1" << "F1" << "V0" << "F0" << "V2" << "Q3FFF" << QStringList(7, "I") << "S"
                    << "V1" << "F1";
}

void MainWindowTest::chip_checks_of_the_function_menu_data()
{
    QTest::addColumn<QString>("item");        // a Function item, or "WRITE"
    QTest::addColumn<bool>("checkFirst");     // "Check before WRITE" checked
    QTest::addColumn<QList<quint16>>("chip"); // the 16C711's words from word 0; the rest blank
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<QString>("detail"); // in the last box's informative text
    QTest::addColumn<QStringList>("sent");
    QTest::addColumn<QList<quint16>>("chipAfter"); // words 0 and 1, then the configuration word
    const QList<quint16> program{0x2805, 0x0009}, none, used{0x2805, 0x0000}, blank{0x3FFF, 0x3FFF, 0x3FFF},
        usedAfter{0x2805, 0x0000, 0x3FFF}, written{0x2805, 0x0009, 0x3FF3};
    const QStringList write = writeTranscript(program, "3FF3", "P0"), nothing;
    const QByteArray hex = hexFileOf(program), readFromProtected = ":02400E000000B0\n" + hexFileOf({0, 0});
    const QString cannot("1 program word(s) need a 1 where the chip holds a 0; the first is word 1: the chip holds "
                         "0000, the file 0009.");
    const QString notBlank("2 program word(s) are not blank; the first is word 0, holding 2805.\nThe configuration "
                           "word is blank.\nThe loaded program cannot be written into this chip. ");
    const quint16 sum = quint16(0x2805 + 0x0009 + 1022 * 0x3FFF + 0x3FF3);
    QTest::newRow("blank check, blank") << "Blank_check" << false << none << hex
        << QStringList{"The chip is blank / BLANK CHECK"} << "The loaded program can still be written into this chip."
        << readsThenConfigWord(1023) << blank;
    QTest::newRow("blank check, used") << "Blank_check" << false << used << hex
        << QStringList{"The chip is not blank / BLANK CHECK"} << notBlank + cannot << readsThenConfigWord(1023) << usedAfter;
    QTest::newRow("WRITE unchecked") << "WRITE" << false << none << hex << nothing << "" << write << written;
    QTest::newRow("WRITE checked, chip takes it") << "WRITE" << true << QList<quint16>{0x2805} << hex << nothing
        << "" << readsThenConfigWord(1) + write << written;
    QTest::newRow("WRITE checked, chip cannot take it") << "WRITE" << true << used << hex
        << QStringList{"The chip cannot take this program; nothing was written / CHECK BEFORE WRITE"} << cannot
        << readsThenConfigWord(1) << usedAfter;
    QTest::newRow("checksum") << "Checksum" << false << none << hex
        << QStringList{QStringLiteral("Checksum %1 / CHECKSUM").arg(QString::number(sum, 16).toUpper())}
        << "WRITE would write, 3FF3: RC oscillator, power-up timer on, watchdog off, no code protection, brown-out "
           "reset on." << nothing << blank;
    QTest::newRow("WRITE of a file read from a protected chip") << "WRITE" << true << none << readFromProtected
        << QStringList{"Can't Read or Open the FILE / FILE ERROR"} << "it was read from a code-protected chip"
        << nothing << blank;
}

// The Function menu's chip checks and "Check before WRITE" on a 16C711, in the advanced edition
// whose panel writes 3FF3 for a file without a word.
void MainWindowTest::chip_checks_of_the_function_menu()
{
    QFETCH(QString, item);
    QFETCH(bool, checkFirst);
    QFETCH(QList<quint16>, chip);
    QFETCH(QByteArray, file);
    TemporarySettings settings;
    QTemporaryDir dir;
    Rig rig(Edition::Advanced);
    adaptersim::AdapterModel model(adaptersim::Chip::PIC16C711);
    rig.port.attach(model);
    for (int n = 0; n < chip.size(); ++n)
        model.setProgramWord(n, chip[n]);
    rig.c().Option2->setChecked(true);
    rig.dialogs.fileToOpen = QString::fromUtf8(writeFile(dir, "program.hex", file));
    rig.c().Command2->click();
    rig.dialogs.boxes.clear();
    rig.dialogs.messages.clear();
    rig.port.clearRecords();
    const MainWindow::MenuItems &m = rig.window->menuItems();
    QVERIFY(!m.Check_before_WRITE->isChecked());
    if (checkFirst)
        m.Check_before_WRITE->trigger();
    if (item == QLatin1String("WRITE"))
        rig.c().Command3->click();
    else
        rig.window->findChild<QAction *>(item)->trigger();
    QTEST(rig.dialogs.boxes, "boxes");
    QFETCH(QString, detail);
    QVERIFY(rig.dialogs.messages.isEmpty() || rig.dialogs.messages.last().informativeText.contains(detail));
    QTEST(rig.port.sentCommands(), "sent");
    QTEST((QList<quint16>{model.programWord(0), model.programWord(1), model.configWord()}), "chipAfter");
    // The choice is remembered for the next window.
    QCOMPARE(Rig(Edition::Basic).window->menuItems().Check_before_WRITE->isChecked(), checkFirst);
}

// The file saved again as an assembler saves it (another name renamed over it) is written once it
// settles, with its row and serial number; Next chip gets the next number, and neither number
// stays in the buffer. A half-written save is refused as FILE OPEN refuses it, with nothing sent.
void MainWindowTest::production_writes_a_saved_file_once_and_the_next_chip()
{
    TemporarySettings settings;
    QTemporaryDir dir;
    Rig rig(Edition::Advanced);
    adaptersim::AdapterModel model(adaptersim::Chip::PIC16F84);
    rig.port.attach(model);
    const QString path = QString::fromUtf8(writeFile(dir, "program.hex", hexFileOf({0x2805, 0x0009})));
    rig.dialogs.fileToOpen = path;
    rig.c().Command2->click();
    rig.window->menuItems().Production->trigger();
    ProductionWindow *production = rig.window->productionWindow();
    QVERIFY(production && production->isVisible());
    const QString records = dir.filePath("records.sqlite");
    production->findChild<QLineEdit *>("Records")->setText(records);
    production->findChild<QLineEdit *>("Serial words")->setText("3:2");
    production->findChild<QLineEdit *>("First serial number")->setText("1001");
    production->findChild<QCheckBox *>("Write when the file changes")->setChecked(true);
    rig.port.clearRecords();

    const QList<quint16> saved{0x2806, 0x000A, 0x0008};
    writeFile(dir, "program.hex.new", hexFileOf(saved));
    QCOMPARE(std::rename(dir.filePath("program.hex.new").toLocal8Bit().constData(), path.toLocal8Bit().constData()), 0);
    const QString config = rig.c().Text6->text();
    QTRY_COMPARE_WITH_TIMEOUT(rig.port.sentCommands(), writeTranscript(saved + QList<quint16>{0x3403, 0x34E9}, config), 5000);
    QTest::qWait(1000); // and only once
    QCOMPARE(rig.port.sentCommands(), writeTranscript(saved + QList<quint16>{0x3403, 0x34E9}, config));
    QCOMPARE(model.programWord(4), quint16(0x34E9));
    QCOMPARE(production->findChild<QLabel *>("Passed")->text(), QStringLiteral("1"));
    QVERIFY(production->findChild<QLabel *>("Result")->text().contains("PASS"));

    rig.port.clearRecords();
    QTest::keyClick(production->findChild<QPushButton *>("Next chip"), Qt::Key_Return);
    QCOMPARE(rig.port.sentCommands(), writeTranscript(saved + QList<quint16>{0x3403, 0x34EA}, config));
    QCOMPARE(production->findChild<QLabel *>("Total")->text(), QStringLiteral("2"));
    QCOMPARE(rig.window->buffer().word(4), quint16(0x3FFF));
    QCOMPARE(rig.window->profile().LASTADR, qint16(2));

    RecordStore store(records);
    QCOMPARE(store.open(RecordStore::Missing::Refuse), QString());
    QStringList rows;
    const qsizetype number = RecordStore::columns().indexOf("serial_number");
    const qsizetype result = RecordStore::columns().indexOf("result");
    QCOMPARE(store.forEachRow([&](const QStringList &row) { rows << row[number] + " " + row[result]; }), QString());
    QCOMPARE(rows, (QStringList{"1001 ok", "1002 ok"}));

    rig.port.clearRecords();
    rig.dialogs.boxes.clear();
    writeFile(dir, "program.hex", hexFileOf({0x2807}).left(20));
    QTRY_COMPARE_WITH_TIMEOUT(rig.dialogs.boxes, QStringList{"Can't Read or Open the FILE / FILE ERROR"}, 5000);
    QCOMPARE(rig.port.sentCommands(), QStringList());
    QCOMPARE(rig.window->buffer().word(0), quint16(0x2806));
}

void MainWindowTest::production_fields_that_cannot_be_used_send_nothing_data()
{
    QTest::addColumn<bool>("records");
    QTest::addColumn<QString>("serialWords");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("why");
    QTest::newRow("not ADDR:WORDS") << true << "3-2" << "1" << "Serial words: ADDR:WORDS";
    QTest::newRow("past the device") << true << "3FF:2" << "1" << "lie outside the 16F84's words 0 to 3FF";
    QTest::newRow("no database") << false << "3:2" << "1" << "need a records database";
    QTest::newRow("words the file gives") << true << "1:2" << "1" << "word 1 is one";
    QTest::newRow("no sequence yet") << true << "3:2" << "" << "has no sequence of serial numbers yet";
    QTest::newRow("numbers used up") << true << "3:1" << "256" << "used up";
}

// WRITE with the Production window's fields: what cannot be used is said before anything is sent
// and no row is kept.
void MainWindowTest::production_fields_that_cannot_be_used_send_nothing()
{
    QFETCH(bool, records);
    QFETCH(QString, serialWords);
    QFETCH(QString, first);
    TemporarySettings settings;
    QTemporaryDir dir;
    const QString database = dir.filePath("records.sqlite");
    WindowSettings::setProduction({records ? database : QString(), serialWords, first});
    Rig rig(Edition::Advanced);
    adaptersim::AdapterModel model(adaptersim::Chip::PIC16F84);
    rig.port.attach(model);
    rig.dialogs.fileToOpen = QString::fromUtf8(writeFile(dir, "program.hex", hexFileOf({0x2805, 0x0009})));
    rig.c().Command2->click();
    rig.port.clearRecords();
    rig.c().Command3->click();
    QCOMPARE(rig.dialogs.boxes, QStringList{"Nothing was written / PRODUCTION"});
    QFETCH(QString, why);
    QVERIFY2(rig.dialogs.messages.last().informativeText.contains(why), qPrintable(rig.dialogs.messages.last().informativeText));
    QCOMPARE(rig.port.sentCommands(), QStringList());
    RecordStore store(database);
    int rows = 0;
    if (store.open(RecordStore::Missing::Refuse).isEmpty())
        store.forEachRow([&rows](const QStringList &) { ++rows; });
    QCOMPARE(rows, 0);
}

// Device... selects a sibling with neither option button selected and its own memory size; the
// next start selects it again, until an option button is clicked.
void MainWindowTest::device_item_chooses_any_device_and_is_remembered()
{
    TemporarySettings settings;
    {
        Rig rig(Edition::Advanced);
        rig.dialogs.deviceToChoose = "16C710";
        rig.window->menuItems().Device->trigger();
        QVERIFY(!rig.c().Option1->isChecked() && !rig.c().Option2->isChecked());
        QCOMPARE(rig.c().Text5->text(), QStringLiteral("1FF"));
        QCOMPARE(rig.c().Text6->text(), QStringLiteral("3FF3"));
        QVERIFY(!rig.window->menuItems().BLANK->isEnabled());
    }
    Rig again(Edition::Basic);
    QCOMPARE(again.window->profile().device, deviceNamed("16C710"));
    QCOMPARE(again.window->profile().MEMSIZE, qint16(512));
    again.c().Option2->click();
    QCOMPARE(again.window->profile().device, Device::PIC16C711);
    QCOMPARE(Rig(Edition::Basic).window->profile().device, Device::PIC16F84);
}

QTEST_MAIN(MainWindowTest)
#include "test_main_window.moc"
