#include "app/Dialogs.h"

#include "app/PortDialog.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QStringList>

#include <algorithm>

QString qtNameFilter(const QString &barSeparated)
{
    const QStringList parts = barSeparated.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2)
        filters << QStringLiteral("%1 (%2)").arg(parts[i], parts[i + 1]);
    return filters.join(QStringLiteral(";;"));
}

namespace {

QMessageBox::Icon qtIcon(BoxIcon icon)
{
    switch (icon) {
    case BoxIcon::Error: return QMessageBox::Critical;
    case BoxIcon::Warning: return QMessageBox::Warning;
    case BoxIcon::Information: return QMessageBox::Information;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons qtButtons(BoxButtons buttons)
{
    switch (buttons) {
    case BoxButtons::Ok: return QMessageBox::Ok;
    case BoxButtons::RetryCancel: return QMessageBox::Retry | QMessageBox::Cancel;
    case BoxButtons::YesNo: return QMessageBox::Yes | QMessageBox::No;
    }
    return QMessageBox::Ok;
}

} // namespace

BoxAnswer QtDialogs::showBox(const Message &message)
{
    // Boxes shown before the main window appears have no window to sit on.
    QMessageBox box(qtIcon(message.icon), message.title, message.text, qtButtons(message.buttons),
                    QApplication::activeWindow());
    // A question about writing answers No unless the user chooses Yes.
    if (message.buttons == BoxButtons::YesNo)
        box.setDefaultButton(QMessageBox::No);
    box.setInformativeText(message.informativeText);
    // Some desktops (GNOME) would make Cancel the default, and Return would end the program.
    if (message.buttons == BoxButtons::RetryCancel)
        box.setDefaultButton(QMessageBox::Retry);
    switch (box.exec()) {
    case QMessageBox::Retry: return BoxAnswer::Retry;
    case QMessageBox::Cancel: return BoxAnswer::Cancel;
    case QMessageBox::Yes: return BoxAnswer::Yes;
    case QMessageBox::No: return BoxAnswer::No;
    default: return BoxAnswer::Ok;
    }
}

QString QtDialogs::askOpenFileName()
{
    return QFileDialog::getOpenFileName(QApplication::activeWindow(), QString(), QString(),
                                        qtNameFilter(kHexFileFilter));
}

QString QtDialogs::askSaveFileName()
{
    QFileDialog dialog(QApplication::activeWindow(), QString(), QString(), kSaveHexFilter);
    dialog.setAcceptMode(QFileDialog::AcceptSave); // asks before replacing a file
    dialog.setDefaultSuffix(QStringLiteral("hex"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

QString QtDialogs::askPortPath(const QString &current)
{
    const QString overriddenBy = qEnvironmentVariableIsEmpty("DRAVIK_COM1") ? QString()
                                                                            : QStringLiteral("DRAVIK_COM1");
    PortDialog dialog(detectedPorts(), current, overriddenBy, QApplication::activeWindow());
    return dialog.exec() == QDialog::Accepted ? dialog.path() : QString();
}

QString QtDialogs::askDevice(const QStringList &names, const QString &current)
{
    bool chosen = false;
    const QString name = QInputDialog::getItem(QApplication::activeWindow(), QStringLiteral("Device"),
                                               QStringLiteral("Device to program:"), names,
                                               int(std::max<qsizetype>(0, names.indexOf(current))), false, &chosen);
    return chosen ? name : QString();
}

void QtDialogs::endProgram()
{
    // Every loop returns: main()'s exec() with 0, a modal box's at once. The windows, the
    // port and the settings are then released by their destructors.
    QCoreApplication::exit(0);
}
