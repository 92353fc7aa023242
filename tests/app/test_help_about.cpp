#include "app/AboutWindow.h"
#include "app/HelpWindow.h"
#include "app/WindowLayout.h"

#include <QApplication>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

AboutWindow *openAboutWindow()
{
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (auto *about = qobject_cast<AboutWindow *>(widget); about && about->isVisible())
            return about;
    return nullptr;
}

// Runs `inside` once the About window is up and returns when showAboutForm does; tells whether
// the window was still open after `inside` (it is then closed, so a failure cannot hang).
bool whileAboutIsOpen(Edition edition, QWidget *parent,
                      const std::function<void(AboutWindow *)> &inside)
{
    bool ran = false;
    bool leftOpen = false;
    QTimer::singleShot(0, [&] {
        QPointer<AboutWindow> about = openAboutWindow();
        if (!about)
            return;
        ran = true;
        inside(about);
        leftOpen = about && about->isVisible();
        if (leftOpen)
            about->reject();
    });
    showAboutForm(edition, parent);
    [&] { QVERIFY2(ran, "showAboutForm showed no About window"); }();
    return leftOpen;
}

} // namespace

class TestHelpAbout : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(dir.isValid());
        helpFile = dir.filePath(QStringLiteral("VRN0412.TXT"));
    }
    void cleanup()
    {
        delete HELP_FORM; // a window a failed test left open
    }

    void help_shows_each_line_followed_by_a_line_break_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("shown");
        QTest::newRow("CR LF") << QByteArray("one\r\ntwo\r\nthree\r\n")
                               << QStringLiteral("one\ntwo\nthree\n");
        QTest::newRow("CR only") << QByteArray("one\rtwo\rthree\r")
                                 << QStringLiteral("one\ntwo\nthree\n");
        QTest::newRow("LF only") << QByteArray("one\ntwo\nthree\n")
                                 << QStringLiteral("one\ntwo\nthree\n");
        QTest::newRow("last line unended") << QByteArray("one\r\ntwo\r\nthree")
                                           << QStringLiteral("one\ntwo\nthree\n");
        QTest::newRow("empty lines kept") << QByteArray("one\r\n\r\n\rthree\r\n")
                                          << QStringLiteral("one\n\n\nthree\n");
        QTest::newRow("empty file") << QByteArray() << QString();
    }
    void help_shows_each_line_followed_by_a_line_break()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, shown);
        writeFile(helpFile, file);

        HelpWindow *help = showHelpForm(HELP_FORM, helpFile);
        QCOMPARE(help->findChild<QPlainTextEdit *>(QStringLiteral("Text1"))->toPlainText(), shown);
    }

    void help_with_a_missing_or_unreadable_file_opens_empty_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("missing") << QStringLiteral("no-such-file.txt");
        QTest::newRow("a folder") << QStringLiteral(".");
    }
    void help_with_a_missing_or_unreadable_file_opens_empty()
    {
        QFETCH(QString, path);
        HelpWindow *help = showHelpForm(HELP_FORM, dir.filePath(path));
        QVERIFY(help->isVisible());
        QCOMPARE(help->text(), QString());
        QVERIFY(!QApplication::activeModalWidget()); // no box
    }

    void help_reads_the_file_once_per_opening()
    {
        writeFile(helpFile, "first\r\n");
        HelpWindow *help = showHelpForm(HELP_FORM, helpFile);
        writeFile(helpFile, "second\r\n");
        QCOMPARE(showHelpForm(HELP_FORM, helpFile), help);
        QCOMPARE(help->text(), QStringLiteral("first\n"));

        QVERIFY(help->close());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(HELP_FORM.isNull()); // closing unloads it

        QCOMPARE(showHelpForm(HELP_FORM, helpFile)->text(), QStringLiteral("second\n"));
    }

    void help_window_is_modeless_and_sizable_at_its_place()
    {
        writeFile(helpFile, "text\r\n");
        HelpWindow *help = showHelpForm(HELP_FORM, helpFile);
        QCOMPARE(help->windowTitle(), QStringLiteral("HELP"));
        QCOMPARE(help->windowModality(), Qt::NonModal);
        QVERIFY(!QApplication::activeModalWidget());
        QCOMPARE(help->size(), QSize(324, 225));
        QCOMPARE(help->pos(),
                 QGuiApplication::primaryScreen()->geometry().topLeft() + QPoint(188, 252));

        auto *Text1 = help->findChild<QPlainTextEdit *>(QStringLiteral("Text1"));
        QCOMPARE(Text1->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QCOMPARE(Text1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QCOMPARE(Text1->lineWrapMode(), QPlainTextEdit::NoWrap);
        QVERIFY(!Text1->isReadOnly());
    }

    void help_text_box_follows_the_window_data()
    {
        QTest::addColumn<QSize>("outer");
        QTest::addColumn<QSize>("box");
        // 140 twips are 9 1/3 pixels, 400 twips 26 2/3.
        QTest::newRow("324 x 225") << QSize(324, 225) << QSize(315, 198);
        QTest::newRow("larger") << QSize(600, 400) << QSize(591, 373);
        QTest::newRow("just fits") << QSize(10, 27) << QSize(1, 0);
        QTest::newRow("too small") << QSize(5, 20) << QSize(0, 0);
    }
    void help_text_box_follows_the_window()
    {
        QFETCH(QSize, outer);
        QFETCH(QSize, box);
        HelpWindow *help = showHelpForm(HELP_FORM, helpFile);
        const QSize frame = help->frameGeometry().size() - help->size();
        help->resize(outer - frame);
        QCOMPARE(help->frameGeometry().size(), outer);
        auto *Text1 = help->findChild<QPlainTextEdit *>(QStringLiteral("Text1"));
        QCOMPARE(Text1->geometry(), QRect(QPoint(0, 0), box));
    }

    void about_shows_the_edition_labels_data()
    {
        QTest::addColumn<Edition>("edition");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QRect>("place");
        QTest::addColumn<int>("pixelSize");
        const Edition adv = Edition::Advanced, basic = Edition::Basic;
        QTest::newRow("ADV 2") << adv << "Label2" << "PIC programmer ADV"
                               << QRect(0, 10, 304, 33) << 16;
        QTest::newRow("ADV 5") << adv << "Label5" << "for Tobrisk"
                               << QRect(0, 35, 300, 33) << 16;
        QTest::newRow("ADV 4") << adv << "Label4" << "Version 1.0  2000.6"
                               << QRect(0, 110, 304, 17) << 15;
        QTest::newRow("basic 2") << basic << "Label2" << "PIC programmer "
                               << QRect(0, 10, 304, 33) << 16;
        QTest::newRow("basic 5") << basic << "Label5" << "for Tobrisk"
                               << QRect(0, 35, 300, 33) << 16;
        QTest::newRow("basic 4") << basic << "Label4" << "Version 1.0  1999.11.20"
                               << QRect(0, 100, 304, 17) << 15;
        QTest::newRow("basic 1") << basic << "Label1" << "Version 2.0  2000.1.30"
                               << QRect(0, 120, 304, 17) << 15;
    }
    void about_shows_the_edition_labels()
    {
        QFETCH(Edition, edition);
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(QRect, place);
        QFETCH(int, pixelSize);
        AboutWindow about(edition);
        auto *label = about.findChild<QLabel *>(name);
        QVERIFY(label);
        QCOMPARE(label->text(), text);
        QCOMPARE(label->geometry(), place);
        QCOMPARE(label->alignment() & Qt::AlignHorizontal_Mask, Qt::Alignment(Qt::AlignHCenter));
        QCOMPARE(label->font().family(), QStringLiteral("Arial"));
        QVERIFY(label->font().bold());
        QCOMPARE(label->font().pixelSize(), pixelSize);
    }

    void about_window_of_each_edition_data()
    {
        QTest::addColumn<Edition>("edition");
        QTest::addColumn<QStringList>("labels");
        QTest::newRow("advanced") << Edition::Advanced
                                  << QStringList{"Label2", "Label4", "Label5", "Picture1"};
        QTest::newRow("basic") << Edition::Basic
                               << QStringList{"Label1", "Label2", "Label4", "Label5", "Picture1"};
    }
    void about_window_of_each_edition()
    {
        QFETCH(Edition, edition);
        QFETCH(QStringList, labels);
        AboutWindow about(edition);
        QCOMPARE(about.windowTitle(), QStringLiteral("Dravik Adapter"));
        QCOMPARE(about.palette().color(QPalette::Window), QColor(Qt::white));

        // Fixed size, no minimise or maximise, the close button stays.
        QCOMPARE(about.minimumSize(), QSize(303, 210));
        QCOMPARE(about.maximumSize(), QSize(303, 210));
        const Qt::WindowFlags flags = about.windowFlags();
        QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
        QVERIFY(flags & Qt::WindowCloseButtonHint);

        QStringList names;
        for (const QLabel *label : about.findChildren<QLabel *>())
            names << label->objectName();
        names.sort();
        QCOMPARE(names, labels);

        auto *Picture1 = about.findChild<QLabel *>(QStringLiteral("Picture1"));
        QCOMPARE(Picture1->geometry(), QRect(136, 60, 33, 33));
        QCOMPARE(Picture1->pixmap().toImage(),
                 editionIcon(edition).pixmap(32, 32).toImage());

        auto *Command1 = about.findChild<QPushButton *>(QStringLiteral("Command1"));
        QCOMPARE(Command1->text(), QStringLiteral("OK"));
        QCOMPARE(Command1->geometry(), QRect(120, 170, 65, 25));
        QCOMPARE(Command1->font().family(), QStringLiteral("Arial"));
        QVERIFY(Command1->font().bold());
        QCOMPARE(Command1->font().pixelSize(), 13);
    }

    void about_is_modal_with_ok_focused_until_ok_or_close_data()
    {
        QTest::addColumn<Edition>("edition");
        QTest::addColumn<bool>("byOk");
        QTest::newRow("advanced, OK") << Edition::Advanced << true;
        QTest::newRow("advanced, close") << Edition::Advanced << false;
        QTest::newRow("basic, OK") << Edition::Basic << true;
        QTest::newRow("basic, close") << Edition::Basic << false;
    }
    void about_is_modal_with_ok_focused_until_ok_or_close()
    {
        QFETCH(Edition, edition);
        QFETCH(bool, byOk);
        QWidget mainWindow;
        mainWindow.show();
        const bool leftOpen = whileAboutIsOpen(edition, &mainWindow, [&](AboutWindow *about) {
            QCOMPARE(QApplication::activeModalWidget(), about);
            QCOMPARE(about->windowModality(), Qt::ApplicationModal);
            auto *Command1 = about->findChild<QPushButton *>(QStringLiteral("Command1"));
            QCOMPARE(about->focusWidget(), Command1);
            QCOMPARE(about->nextInFocusChain(), Command1);
            if (byOk)
                QTest::mouseClick(Command1, Qt::LeftButton);
            else
                QVERIFY(about->close());
        });
        QVERIFY(!leftOpen);
        QVERIFY(!QApplication::activeModalWidget());
        QVERIFY(mainWindow.findChildren<AboutWindow *>().isEmpty()); // unloaded
    }

    void about_is_centred_only_in_the_advanced_edition()
    {
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        whileAboutIsOpen(Edition::Advanced, nullptr, [&](AboutWindow *about) {
            QVERIFY(qAbs(about->frameGeometry().center().x() - screen.center().x()) <= 1);
            QVERIFY(qAbs(about->frameGeometry().center().y() - screen.center().y()) <= 1);
        });
        // The basic edition sets no position of its own, nor does Qt's centring over the parent.
        QWidget mainWindow;
        mainWindow.setGeometry(screen.right() - 400, screen.bottom() - 300, 400, 300);
        mainWindow.show();
        whileAboutIsOpen(Edition::Basic, &mainWindow, [&](AboutWindow *about) {
            QVERIFY(!mainWindow.geometry().contains(about->geometry().center()));
        });
    }

    void edition_icons_are_32_pixel_16_colour_and_differ()
    {
        QImage images[2];
        for (const Edition edition : {Edition::Advanced, Edition::Basic}) {
            const QIcon icon = editionIcon(edition);
            QVERIFY(!icon.isNull());
            QCOMPARE(icon.availableSizes(), QList<QSize>{QSize(32, 32)});
            const QImage image = icon.pixmap(32, 32).toImage();
            QSet<QRgb> colours;
            for (int y = 0; y < 32; ++y)
                for (int x = 0; x < 32; ++x)
                    colours.insert(image.pixel(x, y));
            QVERIFY2(colours.size() > 2 && colours.size() <= 16,
                     qPrintable(QString::number(colours.size())));
            images[edition == Edition::Advanced ? 0 : 1] = image;
        }
        QVERIFY(images[0] != images[1]);
    }

    void text_box_fits_the_window_data()
    {
        QTest::addColumn<QSize>("outer");
        QTest::addColumn<QSize>("textBox");
        // 140 twips are 9.33 pixels, 400 twips 26.67.
        QTest::newRow("ordinary") << QSize(520, 250) << QSize(511, 223);
        QTest::newRow("just above the borders") << QSize(10, 27) << QSize(1, 0);
        QTest::newRow("below the borders") << QSize(9, 26) << QSize(0, 0);
        QTest::newRow("minimized") << QSize(0, 0) << QSize(0, 0);
    }

    void text_box_fits_the_window()
    {
        QFETCH(QSize, outer);
        QFETCH(QSize, textBox);
        QCOMPARE(fittedTextBoxSize(outer), textBox);
    }

private:
    QTemporaryDir dir;
    QString helpFile;
    QPointer<HelpWindow> HELP_FORM;
};

QTEST_MAIN(TestHelpAbout)
#include "test_help_about.moc"
