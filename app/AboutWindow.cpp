#include "app/AboutWindow.h"

#include "app/FixedPalette.h"
#include "app/WindowLayout.h"

#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QStyle>

namespace {

QFont arialBold(double points)
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixelSizeOfPoints(points));
    font.setBold(true);
    return font;
}

// A centred label in bold Arial; its place is in twips, as the window was drawn.
QLabel *addLabel(QWidget *window, const char *name, const QString &text, int left, int top,
                 int width, int height, double points)
{
    auto *label = new QLabel(text, window);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(pixels(left), pixels(top), pixels(width), pixels(height));
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label->setFont(arialBold(points));
    return label;
}

} // namespace

QIcon editionIcon(Edition edition)
{
    // The icons sit in the core library's archive; nothing else would pull them into a program.
    static const bool registered = [] {
        Q_INIT_RESOURCE(icons);
        return true;
    }();
    Q_UNUSED(registered);
    return QIcon(edition == Edition::Advanced ? QStringLiteral(":/icons/dravik-plus.png")
                                              : QStringLiteral(":/icons/dravik.png"));
}

AboutWindow::AboutWindow(Edition edition, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                          | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint
                          | Qt::MSWindowsFixedSizeDialogHint),
      edition(edition)
{
    const bool advanced = edition == Edition::Advanced;
    setWindowTitle(QStringLiteral("Dravik Adapter"));
    setFixedSize(pixels(4545), pixels(3150));
    setPalette(fixedPalette(Qt::white));
    setAutoFillBackground(true);

    // The button comes first so that it is first in the tab order and has the focus.
    auto *Command1 = new QPushButton(QStringLiteral("OK"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(pixels(1800), pixels(2550), pixels(975), pixels(375));
    Command1->setFont(arialBold(9.75));
    Command1->setDefault(true);
    connect(Command1, &QPushButton::clicked, this, &AboutWindow::okClicked);

    addLabel(this, "Label2",
             advanced ? QStringLiteral("PIC programmer ADV") : QStringLiteral("PIC programmer "),
             0, 150, 4560, 495, 12);
    addLabel(this, "Label5", QStringLiteral("for Tobrisk"), 0, 525, 4500, 495, 12);

    auto *Picture1 = new QLabel(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setGeometry(pixels(2040), pixels(900), pixels(495), pixels(495));
    Picture1->setPixmap(editionIcon(edition).pixmap(32, 32));

    if (advanced) {
        addLabel(this, "Label4", QStringLiteral("Version 1.0  2000.6"), 0, 1650, 4560, 255, 11.25);
    } else {
        addLabel(this, "Label4", QStringLiteral("Version 1.0  1999.11.20"), 0, 1500, 4560, 255,
                 11.25);
        addLabel(this, "Label1", QStringLiteral("Version 2.0  2000.1.30"), 0, 1800, 4560, 255,
                 11.25);
    }
    Command1->setFocus();
}

void AboutWindow::showEvent(QShowEvent *event)
{
    // The advanced edition opens centred on the screen; the basic one leaves the place to the
    // window system, so Qt's own placement over the parent is skipped too.
    QWidget::showEvent(event);
    if (edition == Edition::Advanced && !event->spontaneous()) {
        const QRect screenArea = screen()->geometry();
        move(QStyle::alignedRect(layoutDirection(), Qt::AlignCenter, frameGeometry().size(),
                                 screenArea)
                 .topLeft());
    }
}

void AboutWindow::okClicked()
{
    accept();
}

void showAboutForm(Edition edition, QWidget *parent)
{
    AboutWindow VERFORM(edition, parent);
    VERFORM.exec();
}
