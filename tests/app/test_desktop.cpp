#include "app/AboutWindow.h"
#include "app/DataViewWindow.h"
#include "app/HelpWindow.h"
#include "app/WindowLayout.h"
#include "ops/Messages.h"
#include "ops/SignalWatch.h"
#include "tests/app/WindowBench.h"
#include "tests/support/FakePort.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QtTest>

#include <cmath>
#include <csignal>

namespace {

// The Fusion style as GNOME sets it up: Cancel before Retry, under which Qt made Cancel the default.
class GnomeButtonOrder : public QProxyStyle {
public:
    GnomeButtonOrder() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *data) const override
    {
        return hint == SH_DialogButtonLayout ? int(QDialogButtonBox::GnomeLayout)
                                             : QProxyStyle::styleHint(hint, option, widget, data);
    }
};

double contrast(const QColor &a, const QColor &b)
{
    auto luminance = [](const QColor &colour) {
        auto channel = [](double c) { return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
        return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) + 0.0722 * channel(colour.blueF());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The colour under a control's text: its own where it paints a background, else its container's.
QColor background(const QWidget *widget)
{
    while (!widget->autoFillBackground() && !widget->isWindow() && !qobject_cast<const QLineEdit *>(widget)
           && !qobject_cast<const QPushButton *>(widget))
        widget = widget->parentWidget();
    return widget->palette().color(widget->backgroundRole());
}

// A frame's title is drawn in WindowText; any other control's text in its foreground role.
QColor text(const QWidget *widget)
{
    return widget->palette().color(qobject_cast<const QGroupBox *>(widget) ? QPalette::WindowText
                                                                           : widget->foregroundRole());
}

// Controls whose text falls below 4.5:1, or whose colours differ from those the layout sets.
QStringList illegible(const QWidget *window, const std::vector<ControlSpec> &layout = {})
{
    QStringList failures;
    for (const QWidget *control : window->findChildren<QWidget *>()) {
        if (!qobject_cast<const QLabel *>(control) && !qobject_cast<const QAbstractButton *>(control)
            && !qobject_cast<const QGroupBox *>(control) && !qobject_cast<const QLineEdit *>(control))
            continue;
        const auto spec = std::find_if(layout.begin(), layout.end(),
                                       [control](const ControlSpec &s) { return control->objectName() == s.name; });
        const Look look = spec == layout.end() ? Look{} : spec->look;
        if ((look.background && background(control) != QColor(*look.background))
            || (look.foreground ? text(control) != QColor(*look.foreground) : contrast(text(control), background(control)) < 4.5))
            failures << control->objectName() + u' ' + text(control).name() + u'/' + background(control).name();
    }
    return failures;
}

// The real ending of the program (QtDialogs), with the file dialog and the boxes scripted.
struct ScriptedDialogs : QtDialogs {
    BoxAnswer showBox(const Message &message) override
    {
        boxes << message.text;
        return BoxAnswer::Ok;
    }
    QString askOpenFileName() override { return fileToOpen; }
    QStringList boxes;
    QString fileToOpen;
};

// Waits until the process has used no processor time for half a second: asleep in an event loop.
bool becomesIdle(qint64 pid)
{
    QByteArray last;
    int stillFor = 0;
    for (int waited = 0; waited < 30000 && stillFor < 5; waited += 100) {
        QTest::qWait(100);
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            return false;
        const QList<QByteArray> fields = stat.readAll().split(')').constLast().split(' ');
        const QByteArray used = fields.value(12) + ' ' + fields.value(13); // utime, stime
        stillFor = used == last ? stillFor + 1 : 0;
        last = used;
    }
    return stillFor >= 5;
}

} // namespace

Q_DECLARE_METATYPE(Edition)

// The program on today's Linux desktop: a dark theme, GNOME's dialogs, ending mid-operation.
class DesktopTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // As the desktop sets them up, before any window is built: light text on dark grey.
        QApplication::setStyle(new GnomeButtonOrder);
        QPalette dark(QColor(0x35, 0x35, 0x35));
        for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
            dark.setColor(role, QColor(0xEE, 0xEE, 0xEE));
        dark.setColor(QPalette::Base, QColor(0x2A, 0x2A, 0x2A));
        QApplication::setPalette(dark);
    }

    void windows_stay_legible_on_a_dark_theme_data()
    {
        QTest::addColumn<Edition>("edition");
        QTest::newRow("dravik-plus") << Edition::Advanced;
        QTest::newRow("dravik") << Edition::Basic;
    }
    void windows_stay_legible_on_a_dark_theme()
    {
        QFETCH(Edition, edition);
        TestClock clock;
        FakePort port(clock);
        RecordingDialogs dialogs;
        MainWindow window(edition, port, dialogs);
        QCOMPARE(illegible(&window, windowLayout(edition).controls), QStringList());
        QCOMPARE(background(window.controls().Option1), QColor(192, 192, 255)); // the panel's blue is kept
        AboutWindow about(edition);
        QCOMPARE(illegible(&about), QStringList());
        QCOMPARE(background(about.findChild<QLabel *>(QStringLiteral("Label2"))), QColor(Qt::white));
        // Help and buffer view: black text on a white box.
        const std::unique_ptr<TextWindow> windows[] = {std::make_unique<HelpWindow>(helpFilePath()),
                                                       std::make_unique<DataViewWindow>()};
        for (const auto &textWindow : windows) {
            QCOMPARE(background(textWindow->Text1->viewport()), QColor(Qt::white));
            QCOMPARE(text(textWindow->Text1->viewport()), QColor(Qt::black));
        }
    }

    void question_box_defaults_to_retry_and_boxes_show_their_detail_data()
    {
        QTest::addColumn<Message>("message");
        QTest::addColumn<int>("defaultButton");
        QTest::addColumn<int>("answer");
        QTest::newRow("Can not found Hardware")
            << Messages::hardwareNotFound() << int(QMessageBox::Retry) << int(BoxAnswer::Retry);
        QTest::newRow("Can't Open COM1")
            << Messages::cantOpenPort(1, PortFailure::of(PortFailure::Cause::InUse, "/dev/ttyUSB0", "busy"))
            << int(QMessageBox::NoButton) << int(BoxAnswer::Ok);
    }
    void question_box_defaults_to_retry_and_boxes_show_their_detail()
    {
        QFETCH(Message, message);
        int defaultButton = -1;
        QString detail;
        QTimer::singleShot(0, [&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                QTimer::singleShot(5000, box, [box] { box->done(QMessageBox::Abort); }); // a failure, not a hang
                defaultButton = box->standardButton(box->defaultButton());
                detail = box->informativeText();
                QTest::keyClick(box, Qt::Key_Return);
            }
        });
        QtDialogs dialogs;
        QTEST(int(dialogs.showBox(message)), "answer");
        QTEST(defaultButton, "defaultButton");
        QCOMPARE(detail, message.informativeText);
    }

    void exit_in_the_middle_of_a_write_ends_with_status_0_data()
    {
        QTest::addColumn<int>("signal"); // 0: EXIT is clicked
        QTest::newRow("EXIT") << 0;
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGHUP") << SIGHUP;
    }

    // EXIT while a WRITE waits for the adapter: the main loop returns 0 once the write has
    // unwound, with no box, nothing more sent, and the port released by the destructors.
    // SIGTERM and SIGHUP, as runEdition wires them, end it the same way.
    void exit_in_the_middle_of_a_write_ends_with_status_0()
    {
        QFETCH(int, signal);
        QTemporaryDir dir;
        const QString transcriptPath = dir.filePath(QStringLiteral("transcript"));
        SimProcess sim({QStringLiteral("--baud"), QStringLiteral("9600"), QStringLiteral("--transcript"), transcriptPath});
        QVERIFY2(!sim.ptyPath().isEmpty(), qPrintable(sim.error()));
        qputenv("DRAVIK_COM1", sim.ptyPath().toLocal8Bit());
        QList<quint16> words;
        QStringList write{"V0", "F0", "V2"};
        for (int n = 0; n < 64; ++n) {
            words << quint16(n * 0x51);
            write << QStringLiteral("L%1").arg(words.last(), 4, 16, QLatin1Char('0')).toUpper() << "P1" << "S" << "I";
        }
        ScriptedDialogs dialogs;
        dialogs.fileToOpen = dir.filePath(QStringLiteral("program.hex"));
        QFile file(dialogs.fileToOpen);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(hexFileOf(words)) > 0);
        file.close();
        auto port = std::make_unique<QtSerialPort>();
        auto window = std::make_unique<MainWindow>(Edition::Advanced, *port, dialogs);
        const MainWindow::Controls &c = window->controls();
        const SignalWatch ending(SignalWatch::Mode::EndWindows, [&window] { window->close(); });
        window->show();
        c.Command2->click();
        c.Text3->clear(); // the load showed the last address; the write counts up from 0

        int wordAtExit = -1;
        QTimer watch; // runs inside the write's waits
        watch.callOnTimeout([&] {
            if (c.Text3->text().toInt(nullptr, 16) >= 8) {
                watch.stop();
                wordAtExit = c.Text3->text().toInt(nullptr, 16);
                signal != 0 ? void(::raise(signal)) : c.Command1->click();
            }
        });
        watch.start(10);
        QTimer::singleShot(0, c.Command3, &QPushButton::click);
        QTimer::singleShot(60000, [] { QCoreApplication::exit(1); }); // a failure, not a hang
        QCOMPARE(QApplication::exec(), 0);

        QVERIFY(wordAtExit >= 8 && wordAtExit < 63 && !window->isBusy());
        QCOMPARE(dialogs.boxes, QStringList());
        auto transcript = [&] {
            QTest::qWait(300); // a frame still on its way reaches the simulator
            QFile sent(transcriptPath);
            return sent.open(QIODevice::ReadOnly) ? QString::fromLatin1(sent.readAll()).split(u'\n', Qt::SkipEmptyParts)
                                                  : QStringList();
        };
        // The write up to the word at EXIT, whose wait came after its load went out; no closing.
        const QStringList sent = transcript();
        QCOMPARE(sent, write.mid(0, sent.size()));
        QVERIFY2(sent.size() > 3 + 4 * wordAtExit && sent.size() <= 3 + 4 * (wordAtExit + 1), qPrintable(sent.join(u' ')));
        QCOMPARE(transcript(), sent);

        window.reset();
        port.reset();
        QtSerialPort again;
        again.choosePort(1);
        again.setLineSettings(kAdapterLine);
        QVERIFY(again.open());
    }

    // SIGTERM while the start-up box says COM1 cannot be opened ends the program as its close
    // button does: status 0.
    void sigterm_during_a_start_up_box_ends_with_status_0()
    {
        QTemporaryDir dir;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DRAVIK_COM1"), dir.filePath(QStringLiteral("missing")));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.path());
        QProcess edition;
        edition.setProcessEnvironment(environment);
        edition.start(QStringLiteral(DRAVIK_PLUS), {});
        QVERIFY(edition.waitForStarted());
        QVERIFY2(becomesIdle(edition.processId()), "the start-up never came to rest in its box");
        ::kill(pid_t(edition.processId()), SIGTERM);
        QVERIFY(edition.waitForFinished(10000));
        QCOMPARE(edition.exitStatus(), QProcess::NormalExit);
        QCOMPARE(edition.exitCode(), 0);
    }
};

QTEST_MAIN(DesktopTest)
#include "test_desktop.moc"
