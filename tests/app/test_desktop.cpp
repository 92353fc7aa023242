#include "app/AboutWindow.h"
#include "app/DataViewWindow.h"
#include "app/HelpWindow.h"
#include "app/WindowLayout.h"
#include "link/Messages.h"
#include "tests/app/WindowBench.h"
#include "tests/support/FakePort.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QtTest>

#include <cmath>

namespace {

// What a dark desktop theme (Adwaita dark) gives the application: light text on dark grey.
QPalette darkDesktopPalette()
{
    QPalette dark;
    const QColor window(0x35, 0x35, 0x35), light(0xEE, 0xEE, 0xEE), base(0x2A, 0x2A, 0x2A);
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        dark.setColor(group, QPalette::Window, window);
        dark.setColor(group, QPalette::WindowText, light);
        dark.setColor(group, QPalette::Base, base);
        dark.setColor(group, QPalette::AlternateBase, window);
        dark.setColor(group, QPalette::Text, light);
        dark.setColor(group, QPalette::Button, window);
        dark.setColor(group, QPalette::ButtonText, light);
    }
    return dark;
}

// GNOME's button order, Cancel before Retry, under which Qt made Cancel the default.
class GnomeButtonOrder : public QProxyStyle {
public:
    GnomeButtonOrder() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *data) const override
    {
        if (hint == SH_DialogButtonLayout)
            return QDialogButtonBox::GnomeLayout;
        return QProxyStyle::styleHint(hint, option, widget, data);
    }
};

double luminance(const QColor &colour)
{
    auto channel = [](double c) { return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) + 0.0722 * channel(colour.blueF());
}

double contrast(const QColor &a, const QColor &b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The colour under a control's text: its own background where it paints one (a filled control,
// a text box, a push button), else that of the nearest container that does.
QColor paintedBackground(const QWidget *widget)
{
    for (const QWidget *w = widget; w; w = w->parentWidget()) {
        if (w->autoFillBackground() || w->isWindow() || qobject_cast<const QLineEdit *>(w)
            || qobject_cast<const QPushButton *>(w) || qobject_cast<const QPlainTextEdit *>(w))
            return w->palette().color(w->backgroundRole());
    }
    return {};
}

QColor textColour(const QWidget *widget)
{
    // A frame's title is drawn in WindowText; every other control in its foreground role.
    return widget->palette().color(qobject_cast<const QGroupBox *>(widget) ? QPalette::WindowText
                                                                           : widget->foregroundRole());
}

// Every control showing text that the layout leaves to the palette must reach 4.5:1, the
// contrast asked of normal text; a colour the layout sets must be exactly that colour.
QStringList illegible(const QList<QWidget *> &controls, const std::vector<ControlSpec> &layout = {})
{
    QStringList failures;
    for (const QWidget *control : controls) {
        const auto spec = std::find_if(layout.begin(), layout.end(), [control](const ControlSpec &s) {
            return control->objectName() == QLatin1String(s.name);
        });
        const QColor text = textColour(control), background = paintedBackground(control);
        const bool given = spec != layout.end();
        if (given && spec->look.background && background != QColor(*spec->look.background))
            failures << control->objectName() + QStringLiteral(": background ") + background.name();
        if (given && spec->look.foreground) {
            if (text != QColor(*spec->look.foreground))
                failures << control->objectName() + QStringLiteral(": text ") + text.name();
        } else if (contrast(text, background) < 4.5) {
            failures << QStringLiteral("%1: %2 on %3 is %4:1")
                            .arg(control->objectName(), text.name(), background.name())
                            .arg(contrast(text, background), 0, 'f', 2);
        }
    }
    return failures;
}

template <typename... Kinds>
QList<QWidget *> controlsOf(const QWidget *window)
{
    QList<QWidget *> found;
    auto add = [&](const auto &controls) {
        for (QWidget *control : controls)
            found.append(control);
    };
    (add(window->findChildren<Kinds *>()), ...);
    return found;
}

// Reads a box the program shows, closes it with Return and tells what it was.
struct BoxReader {
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    QString informativeText;
    void readNextBox()
    {
        QTimer::singleShot(0, [this] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            QTimer::singleShot(5000, box, [box] { box->done(QMessageBox::Abort); }); // a failure, not a hang
            defaultButton = box->standardButton(box->defaultButton());
            informativeText = box->informativeText();
            QTest::keyClick(box, Qt::Key_Return);
        });
    }
};

// The real ending of the program (QtDialogs), with the file dialog and the boxes scripted.
class ScriptedDialogs : public QtDialogs {
public:
    BoxAnswer showBox(const Message &message) override
    {
        boxes << message.text;
        return message.buttons == BoxButtons::RetryCancel ? BoxAnswer::Retry : BoxAnswer::Ok;
    }
    QString askOpenFileName() override { return fileToOpen; }

    QStringList boxes;
    QString fileToOpen;
};

} // namespace

Q_DECLARE_METATYPE(Edition)

// The program on today's Linux desktop: a dark theme, GNOME's dialogs, ending mid-operation.
class DesktopTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // As the desktop sets them, before any window is built.
        QApplication::setStyle(new GnomeButtonOrder);
        QApplication::setPalette(darkDesktopPalette());
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
        const QList<QWidget *> controls =
            controlsOf<QLabel, QGroupBox, QRadioButton, QCheckBox, QLineEdit, QPushButton>(&window);
        QCOMPARE(controls.size(), edition == Edition::Advanced ? 34 : 20);
        QCOMPARE(illegible(controls, windowLayout(edition).controls), QStringList());
        QCOMPARE(paintedBackground(window.controls().Label2), QColor(255, 224, 192)); // START keeps its orange

        AboutWindow about(edition);
        QCOMPARE(illegible(controlsOf<QLabel, QPushButton>(&about)), QStringList());
        QCOMPARE(paintedBackground(about.findChild<QLabel *>(QStringLiteral("Label2"))), QColor(Qt::white));

        auto *help = new HelpWindow(helpFilePath());
        auto *view = new DataViewWindow();
        // A text box's text sits on its viewport: black on white.
        for (const TextWindow *window : {static_cast<TextWindow *>(help), static_cast<TextWindow *>(view)}) {
            QCOMPARE(paintedBackground(window->Text1->viewport()), QColor(Qt::white));
            QCOMPARE(textColour(window->Text1->viewport()), QColor(Qt::black));
        }
        delete help;
        delete view;
    }

    void box_shows_informative_text_and_retry_is_the_default_data()
    {
        QTest::addColumn<Message>("message");
        QTest::addColumn<int>("defaultButton");
        QTest::addColumn<int>("answer");
        const PortFailure inUse{PortFailure::Cause::InUse, "/dev/ttyUSB0", "Device or resource busy", {}, {}};
        QTest::newRow("Can not found Hardware")
            << Messages::hardwareNotFound() << int(QMessageBox::Retry) << int(BoxAnswer::Retry);
        // A box with one button needs no default of its own.
        QTest::newRow("Can't Open COM1") << Messages::cantOpenPort(1, inUse) << int(QMessageBox::NoButton)
                                         << int(BoxAnswer::Ok);
    }
    void box_shows_informative_text_and_retry_is_the_default()
    {
        QFETCH(Message, message);
        QtDialogs dialogs;
        BoxReader reader;
        reader.readNextBox();
        // Return takes the default button.
        QTEST(int(dialogs.showBox(message)), "answer");
        QTEST(int(reader.defaultButton), "defaultButton");
        QCOMPARE(reader.informativeText, message.informativeText);
    }

    // EXIT while a WRITE waits for the adapter: the main loop returns 0 once the write has
    // unwound, with no box, nothing more sent, and the port released by the destructors.
    void exit_in_the_middle_of_a_write_ends_with_status_0()
    {
        QTemporaryDir dir;
        const QString transcriptPath = dir.filePath(QStringLiteral("transcript.txt"));
        SimProcess sim({QStringLiteral("--baud"), QStringLiteral("9600"), QStringLiteral("--transcript"),
                        transcriptPath});
        QVERIFY2(!sim.ptyPath().isEmpty(), qPrintable(sim.error()));
        qputenv("DRAVIK_COM1", sim.ptyPath().toLocal8Bit());
        QList<quint16> words;
        QStringList fullWrite{"V0", "F0", "V2"};
        for (int n = 0; n < 64; ++n) {
            words << quint16(n * 0x51 & 0x3FFF);
            fullWrite << QStringLiteral("L%1").arg(words.last(), 4, 16, QLatin1Char('0')).toUpper()
                      << "P1" << "S" << "I";
        }
        ScriptedDialogs dialogs;
        dialogs.fileToOpen = dir.filePath(QStringLiteral("program.hex"));
        QFile file(dialogs.fileToOpen);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(hexFileOf(words)) > 0);
        file.close();

        auto port = std::make_unique<QtSerialPort>();
        auto window = std::make_unique<MainWindow>(Edition::Advanced, *port, dialogs);
        const MainWindow::Controls &c = window->controls();
        window->show();
        c.Command2->click();
        QCOMPARE(window->runState().DATAFG, qint16(1));

        // From inside the write's waits: EXIT once word 8 is under way.
        int wordAtExit = -1;
        QTimer watch;
        watch.callOnTimeout([&] {
            if (c.Text3->text().toInt(nullptr, 16) >= 8 && window->isBusy()) {
                watch.stop();
                wordAtExit = c.Text3->text().toInt(nullptr, 16);
                c.Command1->click();
            }
        });
        watch.start(10);
        c.Text3->clear(); // the load showed the last address; the write counts up from 0
        QTimer::singleShot(0, c.Command3, &QPushButton::click);
        QTimer::singleShot(60000, [] { QCoreApplication::exit(1); }); // a failure, not a hang
        QCOMPARE(QApplication::exec(), 0);

        QVERIFY(wordAtExit >= 8 && wordAtExit < 63);
        QVERIFY(!window->isBusy());
        QCOMPARE(dialogs.boxes, QStringList());
        QTest::qWait(300); // a frame still on its way reaches the simulator
        auto transcript = [&] {
            QFile sent(transcriptPath);
            return sent.open(QIODevice::ReadOnly)
                ? QString::fromLatin1(sent.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)
                : QStringList();
        };
        const QStringList sent = transcript();
        // The write as far as the word at EXIT, and no further, not even its closing commands.
        QCOMPARE(sent, fullWrite.mid(0, sent.size()));
        // Each wait follows its frame, so EXIT came after the load of that word had gone out.
        QVERIFY2(sent.size() > 3 + 4 * wordAtExit && sent.size() <= 3 + 4 * (wordAtExit + 1),
                 qPrintable(sent.join(u' ')));
        QTest::qWait(300);
        QCOMPARE(transcript(), sent);

        window.reset();
        port.reset();
        QtSerialPort again;
        again.choosePort(1);
        again.setLineSettings(QStringLiteral("9600,N,8,1"));
        QVERIFY(again.open());
    }
};

QTEST_MAIN(DesktopTest)
#include "test_desktop.moc"
