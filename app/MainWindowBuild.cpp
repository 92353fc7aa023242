#include "app/MainWindow.h"

#include "app/WindowLayout.h"
#include "app/WindowSettings.h"

#include <QAction>
#include <QCheckBox>
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

// The main window's controls and menu bar, built from the edition's layout, and its handlers wired.
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
        {QStringLiteral("Blank_check"), &MainWindow::blankCheckClicked},
        {QStringLiteral("Checksum"), &MainWindow::checksumClicked},
        {QStringLiteral("Check_before_WRITE"), &MainWindow::checkBeforeWriteClicked},
        {QStringLiteral("Production"), &MainWindow::productionClicked},
        {QStringLiteral("Device"), &MainWindow::deviceClicked},
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
            action->setCheckable(item.checkable);
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
             actions.value(QStringLiteral("VER")),         actions.value(QStringLiteral("Blank_check")),
             actions.value(QStringLiteral("Checksum")),    actions.value(QStringLiteral("Check_before_WRITE")),
             actions.value(QStringLiteral("Production")),  actions.value(QStringLiteral("Device"))};
    menu_.Check_before_WRITE->setChecked(WindowSettings::checkBeforeWrite());
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
    // A device the user picks with the option buttons is no longer the one Device... chose.
    for (QRadioButton *button : {c.Option1, c.Option2})
        connect(button, &QRadioButton::clicked, this, [] { WindowSettings::setChosenDevice({}); });
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
