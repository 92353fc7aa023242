#include "app/MainWindow.h"

#include "app/AboutWindow.h"
#include "app/DataViewWindow.h"
#include "app/Dialogs.h"
#include "app/EndOnSignals.h"
#include "app/FileDrop.h"
#include "app/FixedPalette.h"
#include "app/HelpWindow.h"
#include "app/SaveHex.h"
#include "app/WindowLayout.h"
#include "device/AddressField.h"
#include "device/ConfigWord.h"
#include "device/Profiles.h"
#include "image/BufferDump.h"
#include "image/HexLoader.h"
#include "link/Messages.h"
#include "link/QtSerialPort.h"
#include "ops/LoadedProgram.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QGroupBox>
#include <QHash>
#include <QKeySequence>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>

namespace {

QWidget *makeControl(const ControlSpec &spec, QWidget *container)
{
    const QString text = QString::fromLatin1(spec.text);
    switch (spec.kind) {
    case ControlKind::Label: {
        auto *label = new QLabel(text, container);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return label;
    }
    case ControlKind::TextBox: {
        auto *edit = new QLineEdit(text, container);
        // A file dropped on a field is dropped on the window, not pasted as text.
        edit->setAcceptDrops(false);
        return edit;
    }
    case ControlKind::Frame: return new QGroupBox(text, container);
    case ControlKind::OptionButton: return new QRadioButton(text, container);
    case ControlKind::CheckBox: return new QCheckBox(text, container);
    case ControlKind::Button: return new QPushButton(text, container);
    case ControlKind::Band: return new QWidget(container);
    }
    return nullptr;
}

void applyFont(QWidget *widget, const Look &look)
{
    if (look.face == Face::Default && look.points == 0 && look.weight == QFont::Normal && !look.italic)
        return;
    QFont font = widget->font();
    switch (look.face) {
    case Face::Default: break;
    case Face::Arial: font.setFamilies({QStringLiteral("Arial")}); break;
    case Face::Gothic:
        // The Japanese Gothic face is not at hand off Japanese systems; any plain sans-serif does.
        font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
        font.setStyleHint(QFont::SansSerif);
        break;
    }
    if (look.points > 0)
        font.setPixelSize(pixelSizeOfPoints(look.points));
    font.setWeight(QFont::Weight(look.weight));
    font.setItalic(look.italic);
    widget->setFont(font);
}

void applyColours(QWidget *widget, ControlKind kind, const Look &look)
{
    // Each kind paints itself from its own roles: a text box from Base and Text, a button or
    // option from Button and ButtonText, a label or frame from Window and WindowText.
    QPalette palette = widget->palette();
    if (look.background) {
        palette.setColor(widget->backgroundRole(), QColor(*look.background));
        widget->setAutoFillBackground(kind != ControlKind::TextBox);
    }
    if (look.foreground)
        palette.setColor(widget->foregroundRole(), QColor(*look.foreground));
    widget->setPalette(palette);
}

// Names a control as its label or frame shows it, which a screen reader cannot tell by itself:
// a text box has its label for a buddy, an option its frame's title before its caption.
void nameForScreenReaders(QWidget *control, const ControlSpec &spec, const QHash<QString, QWidget *> &created)
{
    if (spec.labelledBy) {
        auto *label = qobject_cast<QLabel *>(created.value(QLatin1String(spec.labelledBy)));
        Q_ASSERT(label);
        label->setBuddy(control);
    }
    if (spec.container) {
        const auto *frame = qobject_cast<const QGroupBox *>(created.value(QLatin1String(spec.container)));
        control->setAccessibleName(frame->title() + u' ' + QString::fromLatin1(spec.text));
    }
    if (spec.description)
        control->setAccessibleDescription(QString::fromLatin1(spec.description));
}

QRect pixelRect(const Place &place)
{
    return {pixels(place.left), pixels(place.top), pixels(place.width), pixels(place.height)};
}

} // namespace

MainWindow::MainWindow(Edition edition, SerialPort &port, Dialogs &dialogs, QWidget *parent)
    : QMainWindow(parent), edition_(edition), dialogs_(dialogs), adapter_(port, *this),
      portSwitch_(port, state_, *this), operations_(adapter_, *this),
      title_(QString::fromLatin1(windowLayout(edition).caption),
             [this](const QString &title) { setWindowTitle(title); })
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
    connect(Timer1, &QTimer::timeout, this, [this] { adapter_.replyTimer().tick(); });
    Timer1->start();

    startUp();
    placeOnScreen();
}

MainWindow::~MainWindow() = default;

DataViewWindow *MainWindow::dataView() const
{
    return DATAVIEW_;
}

void MainWindow::buildControls()
{
    const WindowLayout &layout = windowLayout(edition_);
    setWindowTitle(QString::fromLatin1(layout.caption));

    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(pixels(layout.clientWidth), pixels(layout.clientHeight));
    QPalette palette = client->palette();
    palette.setColor(QPalette::Window, QColor(layout.background));
    client->setPalette(palette);
    client->setAutoFillBackground(true);
    applyFont(client, layout.defaultLook);
    setCentralWidget(client);

    QHash<QString, QWidget *> created;
    for (const ControlSpec &spec : layout.controls) {
        QWidget *container = spec.container ? created.value(QLatin1String(spec.container)) : client;
        Q_ASSERT(container);
        QWidget *control = makeControl(spec, container);
        control->setObjectName(QLatin1String(spec.name));
        control->setGeometry(pixelRect(spec.place));
        applyFont(control, spec.look);
        applyColours(control, spec.kind, spec.look);
        if (spec.toolTip)
            control->setToolTip(QString::fromLatin1(spec.toolTip));
        nameForScreenReaders(control, spec, created);
        if (!withinReach(spec, layout))
            control->setFocusPolicy(Qt::NoFocus);
        created.insert(QLatin1String(spec.name), control);
    }
    QWidget *previous = nullptr;
    for (const ControlSpec *spec : tabOrder(layout)) {
        QWidget *control = created.value(QLatin1String(spec->name));
        if (previous)
            QWidget::setTabOrder(previous, control);
        previous = control;
    }

    auto bind = [client](auto *&pointer, const char *name) {
        pointer = client->findChild<std::remove_reference_t<decltype(*pointer)> *>(QLatin1String(name));
    };
#define DRAVIK_BIND(name) bind(controls_.name, #name)
    DRAVIK_BIND(Label1); DRAVIK_BIND(Label2); DRAVIK_BIND(Label3); DRAVIK_BIND(Label4);
    DRAVIK_BIND(Label5); DRAVIK_BIND(Label6); DRAVIK_BIND(Label7); DRAVIK_BIND(Label8);
    DRAVIK_BIND(Text1); DRAVIK_BIND(Text2); DRAVIK_BIND(Text3); DRAVIK_BIND(Text4);
    DRAVIK_BIND(Text5); DRAVIK_BIND(Text6); DRAVIK_BIND(TEST);
    DRAVIK_BIND(Frame1); DRAVIK_BIND(Frame2); DRAVIK_BIND(Frame3); DRAVIK_BIND(Frame4);
    DRAVIK_BIND(Option1); DRAVIK_BIND(Option2); DRAVIK_BIND(Option3); DRAVIK_BIND(Option4);
    DRAVIK_BIND(Option5); DRAVIK_BIND(Option6); DRAVIK_BIND(Option7); DRAVIK_BIND(Option8);
    DRAVIK_BIND(Option9); DRAVIK_BIND(Option10); DRAVIK_BIND(Check1);
    DRAVIK_BIND(Command1); DRAVIK_BIND(Command2); DRAVIK_BIND(Command3); DRAVIK_BIND(Command7);
    DRAVIK_BIND(Shape12); DRAVIK_BIND(Shape14);
#undef DRAVIK_BIND
}

void MainWindow::buildMenuBar()
{
    const QHash<QString, void (MainWindow::*)()> handlers{
        {QStringLiteral("COM1"), &MainWindow::com1Clicked},
        {QStringLiteral("COM2"), &MainWindow::com2Clicked},
        {QStringLiteral("Port"), &MainWindow::portClicked},
        {QStringLiteral("READ"), &MainWindow::readClicked},
        {QStringLiteral("BLANK"), &MainWindow::blankAllClicked},
        {QStringLiteral("Buffer_view"), &MainWindow::bufferViewClicked},
        {QStringLiteral("WDT"), &MainWindow::watchdogItemClicked},
        {QStringLiteral("Line_test"), &MainWindow::lineTestClicked},
        {QStringLiteral("Save_HEX"), &MainWindow::saveHexClicked},
        {QStringLiteral("HELP"), &MainWindow::helpClicked},
        {QStringLiteral("VER"), &MainWindow::aboutClicked},
    };
    QHash<QString, QAction *> actions;
    for (const MenuSpec &menuSpec : menuBarLayout(edition_)) {
        QMenu *menu = menuBar()->addMenu(QString::fromLatin1(menuSpec.caption));
        menu->setObjectName(QLatin1String(menuSpec.name));
        for (const MenuItemSpec &item : menuSpec.items) {
            if (!item.name) {
                menu->addSeparator();
                continue;
            }
            const QString name = QLatin1String(item.name);
            QAction *action = menu->addAction(QString::fromLatin1(item.caption));
            action->setObjectName(name);
            if (item.shortcut)
                action->setShortcut(QKeySequence(item.shortcut));
            Q_ASSERT(handlers.contains(name));
            connect(action, &QAction::triggered, this, handlers.value(name));
            actions.insert(name, action);
        }
    }
    menu_ = {actions.value(QStringLiteral("COM1")),        actions.value(QStringLiteral("COM2")),
             actions.value(QStringLiteral("Port")),        actions.value(QStringLiteral("READ")),
             actions.value(QStringLiteral("BLANK")),       actions.value(QStringLiteral("Buffer_view")),
             actions.value(QStringLiteral("WDT")),         actions.value(QStringLiteral("Line_test")),
             actions.value(QStringLiteral("Save_HEX")),    actions.value(QStringLiteral("HELP")),
             actions.value(QStringLiteral("VER"))};
}

void MainWindow::connectHandlers()
{
    const Controls &c = controls_;
    connect(c.Command1, &QPushButton::clicked, this, &MainWindow::exitClicked);
    connect(c.Command2, &QPushButton::clicked, this, &MainWindow::openFileClicked);
    connect(c.Command3, &QPushButton::clicked, this, &MainWindow::writeClicked);
    connect(c.Command7, &QPushButton::clicked, this, &MainWindow::verifyClicked);
    // Changes made by code run the handlers as a user's do: an option button's handler runs
    // when it becomes selected, the check box's and Text5's whenever their value changes.
    const std::pair<QRadioButton *, std::function<void()>> options[] = {
        {c.Option1, [this] { selectDevice(Device::PIC16F84); }},
        {c.Option2, [this] { selectDevice(Device::PIC16C711); }},
        {c.Option3, [this] { oscillatorChosen(Oscillator::RC); }},
        {c.Option4, [this] { oscillatorChosen(Oscillator::XT); }},
        {c.Option5, [this] { oscillatorChosen(Oscillator::HS); }},
        {c.Option6, [this] { oscillatorChosen(Oscillator::LP); }},
        {c.Option7, [this] { protectionChosen(true); }},
        {c.Option8, [this] { protectionChosen(false); }},
        {c.Option9, [this] { watchdogChosen(false); }},
        {c.Option10, [this] { watchdogChosen(true); }},
    };
    for (const auto &[button, handler] : options) {
        if (!button)
            continue;
        connect(button, &QRadioButton::toggled, this, [handler = handler](bool selected) {
            if (selected)
                handler();
        });
    }
    if (c.Check1)
        connect(c.Check1, &QCheckBox::toggled, this, &MainWindow::powerUpTimerClicked);
    connect(c.Text5, &QLineEdit::textChanged, this, &MainWindow::lastAddressEdited);
}

void MainWindow::placeOnScreen()
{
    const WindowLayout &layout = windowLayout(edition_);
    this->layout()->activate();
    setFixedSize(sizeHint());
    const QScreen *screen = this->screen();
    if (layout.placement == Placement::CentredOnScreen) {
        QRect frame(QPoint(), size());
        frame.moveCenter(screen->geometry().center());
        move(frame.topLeft());
    } else {
        // The stored place is the client area's; the menu bar sits above it.
        const QPoint clientOffset = centralWidget()->geometry().topLeft();
        const QPoint client(pixels(layout.clientLeft), pixels(layout.clientTop));
        setGeometry(QRect(screen->geometry().topLeft() + client - clientOffset, size()));
    }
}

// Start-up: run once, before the window is first shown.
void MainWindow::startUp()
{
    state_.portNumber = 1;
    state_.programLoaded = false;
    controls_.Text1->clear();
    controls_.Text3->clear();
    controls_.Text4->clear();
    controls_.Text5->clear();
    controls_.Label7->clear();
    portSwitch_.open();
    controls_.Option1->setChecked(true);
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

void MainWindow::loadFile(const QString &path)
{
    const HexLoadResult loaded = loadHexFile(QFile::encodeName(path).toStdString(), PBUF_, profile_.MEMSIZE);
    if (!loaded.lastLine.empty())
        controls_.Text2->setText(QString::fromStdString(loaded.lastLine));
    if (loaded.lastStored)
        controls_.TEST->setText(QStringLiteral("%1  %2").arg(loaded.lastStored->index).arg(loaded.lastStored->value));
    if (!loaded.ok()) {
        dialogs_.showBox(Messages::fileError());
        return;
    }
    applyLoadedFile(loaded, PBUF_, profile_, state_);
    controls_.Text1->setText(path);
    controls_.Text3->setText(hexText(profile_.LASTADR));
    controls_.Text4->setText(hexText(loaded.startWord));
    controls_.Text5->setText(hexText(profile_.LASTADR));
    refreshBufferView();
    takeConfigWordFromFile(loaded);
}

// The file's configuration word is the one its program was assembled for: the panel takes it
// when it can show it, and the basic edition's WRITE compares its fixed word with it.
void MainWindow::takeConfigWordFromFile(const HexLoadResult &loaded)
{
    if (edition_ != Edition::Advanced)
        return;
    if (!loaded.configWord) {
        // The previous file's word belongs to that file (it may protect the chip): a file that
        // asks for no word gets the device's default, unless the user has set the panel since.
        if (panelWordFromFile_ && *panelWordFromFile_ == panelWord(profile_))
            showDefaultPanel(*profile_.device);
        panelWordFromFile_.reset();
        return;
    }
    if (const std::optional<PanelChoice> choice = panelChoiceFor(profile_, *loaded.configWord)) {
        showPanelChoice(*choice);
        panelWordFromFile_ = panelWord(profile_);
    } else {
        dialogs_.showBox(Messages::configWordNotOnPanel(*loaded.configWord, panelWord(profile_)));
    }
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
}

void MainWindow::writeClicked()
{
    const Device device = *profile_.device;
    WriteJob job{device, profile_.LASTADR, writtenConfigWord(device), state_.programLoaded, std::nullopt};
    // The basic edition writes its fixed word; one that differs from the file's goes out only
    // when the user says so.
    if (edition_ == Edition::Basic)
        job.fileWordToConfirm = state_.fileConfigWord;
    runExclusive([this, &job] { operations_.write(PBUF_, job); });
}

void MainWindow::verifyClicked()
{
    runExclusive([this] {
        const int lastWord = lastWordOfField(controls_.Text5->text(), profile_.MEMSIZE);
        controls_.Text4->setText(hexText(0));
        operations_.verify(PBUF_, lastWord);
    });
}

// The buffer then holds the chip's words, whatever the read reached: no file's program any more.
void MainWindow::readClicked()
{
    runExclusive([this] {
        const int lastWord = lastWordOfField(controls_.Text5->text(), profile_.MEMSIZE);
        controls_.Text4->setText(hexText(0));
        operations_.read(PBUF_, lastWord);
        refreshBufferView();
        forgetLoadedFile();
    });
}

// Only the flash part can be blanked; the item is enabled only while the 16F84 is selected.
void MainWindow::blankAllClicked()
{
    runExclusive([this] {
        profile_.LASTADR = qint16(profile_.MEMSIZE - 1);
        controls_.Text4->setText(hexText(0));
        controls_.Text5->setText(hexText(profile_.LASTADR));
        operations_.blankAll(PBUF_, profile_.LASTADR, writtenConfigWord(Device::PIC16F84));
        forgetLoadedFile();
        refreshBufferView();
    });
}

ConfigSource MainWindow::writtenConfigWord(Device procedure) const
{
    return [this, procedure] { return writtenConfig(edition_, procedure, profile_, state_.watchdogEnabled).word(); };
}

void MainWindow::forgetLoadedFile()
{
    state_.programLoaded = false;
    state_.fileConfigWord.reset();
    controls_.Text1->clear();
}

// Cancel in "Can not found Hardware" ends the program.
void MainWindow::lineTestClicked()
{
    runExclusive([this] {
        if (!operations_.identify().completed())
            endProgram();
    });
}

void MainWindow::saveHexClicked()
{
    saveBufferAsHex(dialogs_, PBUF_, lastWordOfField(controls_.Text5->text(), profile_.MEMSIZE),
                    writtenConfigWord(*profile_.device)());
}

void MainWindow::com1Clicked()
{
    portSwitch_.switchToCom1();
}

void MainWindow::com2Clicked()
{
    portSwitch_.switchToCom2();
}

void MainWindow::portClicked()
{
    const QString device = dialogs_.askPortPath(QtSerialPort::deviceName(1));
    if (!device.isEmpty())
        portSwitch_.chooseCom1Device(device);
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
    setWatchdogFlag(!state_.watchdogEnabled);
}

// The basic edition's indicator shows "WDT Enable" or nothing; a screen reader hears either
// state, named as the advanced edition's WDT options are.
void MainWindow::setWatchdogFlag(bool enabled)
{
    state_.watchdogEnabled = enabled;
    const QString enable = QStringLiteral("WDT Enable");
    controls_.Label7->setText(enabled ? enable : QString());
    if (edition_ == Edition::Basic)
        controls_.Label7->setAccessibleName(enabled ? enable : QStringLiteral("WDT Disable"));
}

void MainWindow::selectDevice(Device device)
{
    ::selectDevice(profile_, device);
    if (edition_ == Edition::Advanced)
        showDefaultPanel(device);
    controls_.Text4->setText(hexText(0));
    controls_.Text5->setText(hexText(profile_.LASTADR));
    state_.programLoaded = false;
    state_.fileConfigWord.reset();
    controls_.Text1->clear();
    setWatchdogFlag(false);
    enableOperationControls();
}

void MainWindow::showDefaultPanel(Device device)
{
    const ProfileDefaults &defaults = profileDefaults(device);
    profile_.CONFH = defaults.configHigh;
    profile_.CONFL = defaults.configLow;
    controls_.Text6->setText(QString::fromLatin1(defaults.configText));
    controls_.Option3->setChecked(true);
    controls_.Check1->setChecked(defaults.powerUpTimerChecked);
    controls_.Option9->setChecked(true);
    controls_.Option8->setChecked(true);
    panelWordFromFile_.reset();
}

void MainWindow::oscillatorChosen(Oscillator oscillator)
{
    setOscillator(profile_, oscillator);
    showConfigText();
}

void MainWindow::protectionChosen(bool enabled)
{
    setProtection(profile_, enabled);
    showConfigText();
}

void MainWindow::watchdogChosen(bool enabled)
{
    setWatchdog(profile_, enabled);
    showConfigText();
}

void MainWindow::powerUpTimerClicked()
{
    setPowerUpTimer(profile_, controls_.Check1->isChecked());
    showConfigText();
}

void MainWindow::showConfigText()
{
    controls_.Text6->setText(configText(profile_));
}

void MainWindow::lastAddressEdited()
{
    // The replacement changes the text again, which checks it again and lets it stay.
    if (const std::optional<QString> replacement =
            checkedLastAddress(controls_.Text5->text(), profile_.MEMSIZE))
        controls_.Text5->setText(*replacement);
}

void MainWindow::fillBufferView()
{
    DATAVIEW_->setDumpText(bufferDumpText(PBUF_, profile_.MEMSIZE));
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
    for (QAction *item : {menu_.COM1, menu_.COM2, menu_.Port, menu_.READ, menu_.Line_test, menu_.Save_HEX, menu_.VER})
        item->setEnabled(idle);
    menu_.BLANK->setEnabled(idle && controls_.Option1->isChecked());
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
    QtSerialPort port;
    QtDialogs dialogs;
    MainWindow window(edition, port, dialogs);
    const EndOnSignals ending([&window] { window.close(); });
    window.show();
    return QApplication::exec();
}
