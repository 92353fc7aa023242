#include "app/MainWindow.h"

#include "app/AboutWindow.h"
#include "app/DataViewWindow.h"
#include "app/Dialogs.h"
#include "app/FileDrop.h"
#include "app/FixedPalette.h"
#include "app/HelpWindow.h"
#include "app/ProductionWindow.h"
#include "app/SaveHex.h"
#include "app/WindowLayout.h"
#include "app/WindowSettings.h"
#include "device/AddressField.h"
#include "device/Profiles.h"
#include "image/BufferDump.h"
#include "link/QtSerialPort.h"
#include "ops/Messages.h"
#include "ops/SignalWatch.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <utility>

MainWindow::MainWindow(Edition edition, SerialPort &port, Dialogs &dialogs, QWidget *parent)
    : QMainWindow(parent), edition_(edition), dialogs_(dialogs),
      core_(edition == Edition::Advanced ? WordRules::Panel : WordRules::FixedWord, port, *this),
      productionLine_(core_, *this),
      title_(QString::fromLatin1(windowLayout(edition).caption),
             [this](const QString &title) { setWindowTitle(title); }),
      fileWatch_([this](const QString &path) { fileSettled(path); })
{
    setObjectName(QStringLiteral("MainWindow"));
    // A fixed border with the close button only.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint
                   | Qt::MSWindowsFixedSizeDialogHint);
    setWindowIcon(editionIcon(edition));
    setPalette(fixedPalette(kButtonFace));
    setAcceptDrops(true);
    buildControls();
    buildMenuBar();
    connectHandlers();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(100);
    connect(Timer1, &QTimer::timeout, this, [this] { core_.tick(); });
    Timer1->start();

    startUp();
    placeOnScreen();
}

MainWindow::~MainWindow() = default;

DataViewWindow *MainWindow::dataView() const
{
    return DATAVIEW_;
}

// Start-up: run once, before the window is first shown.
void MainWindow::startUp()
{
    controls_.Text1->clear();
    controls_.Text3->clear();
    controls_.Text4->clear();
    controls_.Text5->clear();
    controls_.Label7->clear();
    core_.openCom1AtStartUp();
    controls_.Option1->setChecked(true);
    if (const std::optional<Device> chosen = deviceNamed(WindowSettings::chosenDevice()))
        chooseDevice(*chosen);
}

void MainWindow::exitClicked()
{
    endProgram();
}

// FILE OPEN: all or nothing. A cancelled dialog or a file that fails to load changes nothing.
void MainWindow::openFileClicked()
{
    const QString path = dialogs_.askOpenFileName();
    if (path.isEmpty())
        return;
    loadFile(path);
}

bool MainWindow::loadFile(const QString &path)
{
    const FileLoad load = core_.loadFile(path);
    const HexLoadResult &loaded = load.loaded;
    if (!loaded.lastLine.empty())
        controls_.Text2->setText(QString::fromStdString(loaded.lastLine));
    if (loaded.lastStored)
        controls_.TEST->setText(QStringLiteral("%1  %2").arg(loaded.lastStored->index).arg(loaded.lastStored->value));
    if (!load.ok()) {
        dialogs_.showBox(Messages::fileError());
        return false;
    }
    const bool anotherFile = QFileInfo(path) != QFileInfo(controls_.Text1->text());
    const DeviceProfile &profile = core_.profile();
    controls_.Text1->setText(path);
    controls_.Text3->setText(hexText(profile.LASTADR));
    controls_.Text4->setText(hexText(loaded.startWord));
    controls_.Text5->setText(hexText(profile.LASTADR));
    refreshBufferView();
    // The panel shows the word the core took from the file, or says why it cannot.
    if (load.panelToDefault)
        showDefaultPanel(*profile.device);
    if (load.panelChoice)
        showPanelChoice(*load.panelChoice);
    if (load.notice)
        dialogs_.showBox(*load.notice);
    if (production_ && anotherFile)
        production_->resetCounters();
    watchFileForProduction();
    return true;
}

// Sets the panel's controls; the handlers of those that change bring CONFH, CONFL and Text6 along.
void MainWindow::showPanelChoice(const PanelChoice &choice)
{
    QRadioButton *oscillator = nullptr;
    switch (choice.oscillator) {
    case Oscillator::RC: oscillator = controls_.Option3; break;
    case Oscillator::XT: oscillator = controls_.Option4; break;
    case Oscillator::HS: oscillator = controls_.Option5; break;
    case Oscillator::LP: oscillator = controls_.Option6; break;
    }
    oscillator->setChecked(true);
    (choice.watchdog ? controls_.Option10 : controls_.Option9)->setChecked(true);
    (choice.protection ? controls_.Option7 : controls_.Option8)->setChecked(true);
    controls_.Check1->setChecked(choice.powerUpTimer);
    showConfigText();
}

void MainWindow::writeClicked()
{
    runExclusive([this] { writeChip(); });
}

void MainWindow::verifyClicked()
{
    runExclusive([this] {
        const int lastWord = lastWordOfField(controls_.Text5->text(), core_.profile().MEMSIZE);
        controls_.Text4->setText(hexText(0));
        core_.verify(lastWord);
    });
}

// The buffer then holds the chip's words, whatever the read reached: no file's program any more.
void MainWindow::readClicked()
{
    runExclusive([this] {
        const int lastWord = lastWordOfField(controls_.Text5->text(), core_.profile().MEMSIZE);
        controls_.Text4->setText(hexText(0));
        core_.read(lastWord);
        refreshBufferView();
        controls_.Text1->clear();
    });
}

// Only a flash part can be blanked; the item is enabled only while one is selected.
void MainWindow::blankAllClicked()
{
    runExclusive([this] {
        // A device with an ID: another chip is not blanked.
        const ChipIdentity identity = core_.checkDeviceId();
        if (!identity.outcome.completed())
            return;
        if (!identity.isChosenDevice) {
            showBox(Messages::wrongChip(*core_.profile().device, identity.word));
            return;
        }
        controls_.Text4->setText(hexText(0));
        controls_.Text5->setText(hexText(core_.profile().MEMSIZE - 1));
        core_.blankAll();
        controls_.Text1->clear();
        refreshBufferView();
    });
}

// Cancel in "Can not found Hardware" ends the program.
void MainWindow::lineTestClicked()
{
    runExclusive([this] {
        if (!core_.identify().completed())
            endProgram();
    });
}

void MainWindow::saveHexClicked()
{
    saveBufferAsHex(dialogs_, core_.buffer(), lastWordOfField(controls_.Text5->text(), core_.profile().MEMSIZE),
                    core_.configWordToWrite().word);
}

void MainWindow::com1Clicked()
{
    core_.ports().switchToCom1();
}

void MainWindow::com2Clicked()
{
    core_.ports().switchToCom2();
}

void MainWindow::portClicked()
{
    const QString device = dialogs_.askPortPath(QtSerialPort::deviceName(1));
    if (!device.isEmpty())
        core_.ports().chooseCom1Device(device);
}

void MainWindow::bufferViewClicked()
{
    if (!DATAVIEW_)
        DATAVIEW_ = new DataViewWindow(this);
    DATAVIEW_->show();
    fillBufferView();
}

void MainWindow::helpClicked()
{
    showHelpForm(HELP_FORM_, helpFilePath(), this);
}

void MainWindow::aboutClicked()
{
    showAboutForm(edition_, this);
}

void MainWindow::watchdogItemClicked()
{
    setWatchdogFlag(!core_.runState().watchdogEnabled);
}

// The basic edition's indicator shows "WDT Enable" or nothing; a screen reader hears either
// state, named as the advanced edition's WDT options are.
void MainWindow::setWatchdogFlag(bool enabled)
{
    core_.setWatchdogEnabled(enabled);
    const QString enable = QStringLiteral("WDT Enable");
    controls_.Label7->setText(enabled ? enable : QString());
    if (edition_ == Edition::Basic)
        controls_.Label7->setAccessibleName(enabled ? enable : QStringLiteral("WDT Disable"));
}

void MainWindow::oscillatorChosen(Oscillator oscillator)
{
    core_.setOscillator(oscillator);
    showConfigText();
}

void MainWindow::protectionChosen(bool enabled)
{
    core_.setProtection(enabled);
    showConfigText();
}

void MainWindow::watchdogChosen(bool enabled)
{
    core_.setWatchdog(enabled);
    showConfigText();
}

void MainWindow::powerUpTimerClicked()
{
    core_.setPowerUpTimer(controls_.Check1->isChecked());
    showConfigText();
}

void MainWindow::showConfigText()
{
    showConfigWord(configText(core_.profile()));
}

void MainWindow::showConfigWord(const QString &digits)
{
    controls_.Text6->setText(digits);
    const QString toolTip = QString::fromLatin1(controlNamed(windowLayout(edition_), "Text6").toolTip);
    controls_.Text6->setToolTip(
        toolTip + u'\n' + Messages::configWordMeaning(*core_.profile().device, core_.configWordToWrite().word));
}

void MainWindow::lastAddressEdited()
{
    // The replacement changes the text again, which checks it again and lets it stay.
    if (const std::optional<QString> replacement =
            checkedLastAddress(controls_.Text5->text(), core_.profile().MEMSIZE))
        controls_.Text5->setText(*replacement);
}

void MainWindow::fillBufferView()
{
    DATAVIEW_->setDumpText(bufferDumpText(core_.buffer(), core_.profile().MEMSIZE));
}

void MainWindow::runExclusive(const std::function<void()> &operation)
{
    if (busy_)
        return;
    busy_ = true;
    enableOperationControls();
    // Re-enables the controls however the operation ends.
    struct Done {
        MainWindow &window;
        ~Done()
        {
            window.title_.finish();
            window.busy_ = false;
            window.enableOperationControls();
            if (std::exchange(window.fileChangedMeanwhile_, false))
                QTimer::singleShot(0, &window, [self = &window] { self->fileSettled(self->fileWatch_.path()); });
        }
    } done{*this};
    operation();
}

// While an operation waits, nothing that would talk to the adapter, load or save the buffer,
// switch the port or change the device can start, and no modal window can open: its own event
// loop would hold the wait underneath it until the reply time-out ran out. The configuration
// choices, the buffer view, HELP and EXIT stay usable.
void MainWindow::enableOperationControls()
{
    const bool idle = !busy_;
    const std::initializer_list<QWidget *> controls{controls_.Command2, controls_.Command3,
                                                    controls_.Command7, controls_.Option1,
                                                    controls_.Option2};
    for (QWidget *control : controls)
        control->setEnabled(idle);
    for (QAction *item : {menu_.COM1, menu_.COM2, menu_.Port, menu_.READ, menu_.Line_test, menu_.Save_HEX, menu_.VER,
                          menu_.Blank_check, menu_.Checksum, menu_.Device})
        item->setEnabled(idle);
    const std::optional<Device> &device = core_.profile().device;
    menu_.BLANK->setEnabled(idle && device && !profileDefaults(*device).eprom);
    if (production_)
        production_->setNextChipEnabled(idle);
}

BoxAnswer MainWindow::showBox(const Message &message)
{
    // An operation unwinding after EXIT has nothing more to tell: it ends as if cancelled.
    if (quitting_)
        return answerThatSendsNothingMore(message.buttons);
    return dialogs_.showBox(message);
}

void MainWindow::waitForEvents()
{
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

// EXIT, the close button and Cancel in "Can not found Hardware". A waiting operation gives up
// at once, sending nothing more and showing no box; the program ends when it has unwound.
void MainWindow::endProgram()
{
    if (quitting_)
        return;
    quitting_ = true;
    dialogs_.endProgram();
}

bool MainWindow::programEnding() const
{
    return quitting_;
}

void MainWindow::setCurrentAddress(const QString &text)
{
    controls_.Text3->setText(text);
}

void MainWindow::setTickText(const QString &text)
{
    controls_.Text2->setText(text);
}

void MainWindow::setPortLabel(const QString &text)
{
    controls_.Label6->setText(text);
}

void MainWindow::setPortDevice(const QString &device)
{
    controls_.Label6->setToolTip(device);
}

void MainWindow::refreshBufferView()
{
    if (DATAVIEW_ && DATAVIEW_->isVisible())
        fillBufferView();
}

void MainWindow::showProgress(const QString &operation, int wordsDone, int wordsTotal)
{
    title_.report(operation, wordsDone, wordsTotal);
}

// Closing the main window ends the program, also while the help or buffer window is open.
void MainWindow::closeEvent(QCloseEvent *event)
{
    event->accept();
    // An operation waiting inside a handler would go on waiting without its window: end it too.
    if (busy_)
        endProgram();
    QCoreApplication::quit();
}

void MainWindow::dragEnterEvent(QDragEnterEvent *event)
{
    if (!busy_ && droppedLocalFile(event->mimeData()))
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent *event)
{
    const std::optional<QString> path = droppedLocalFile(event->mimeData());
    if (busy_ || !path)
        return;
    event->acceptProposedAction();
    // Loaded once the drop is over, so a box it shows does not hold up the program the file
    // came from.
    QMetaObject::invokeMethod(
        this,
        [this, path = *path] {
            if (!busy_)
                loadFile(path);
        },
        Qt::QueuedConnection);
}

int runEdition(Edition edition, int argc, char **argv)
{
    QApplication application(argc, argv);
    QApplication::setWindowIcon(editionIcon(edition)); // every window and box of the program
    QtDialogs dialogs;
    // SIGTERM and SIGHUP end the program as the close button does, from the first box on: one
    // that comes during the start-up ends it before the window is shown.
    MainWindow *shown = nullptr;
    const SignalWatch ending(SignalWatch::Mode::EndWindows, [&] { shown ? void(shown->close()) : dialogs.endProgram(); });
    QtSerialPort port;
    MainWindow window(edition, port, dialogs);
    if (ending.signalled())
        return 0;
    shown = &window;
    window.show();
    return QApplication::exec();
}
