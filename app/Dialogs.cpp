#include "app/Dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

#include <cstdlib>

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

} // namespace

BoxAnswer QtDialogs::showBox(const Message &message)
{
    const QMessageBox::StandardButtons buttons = message.buttons == BoxButtons::RetryCancel
                                                     ? QMessageBox::Retry | QMessageBox::Cancel
                                                     : QMessageBox::Ok;
    // Boxes shown before the main window appears have no window to sit on.
    QMessageBox box(qtIcon(message.icon), message.title, message.text, buttons,
                    QApplication::activeWindow());
    switch (box.exec()) {
    case QMessageBox::Retry: return BoxAnswer::Retry;
    case QMessageBox::Cancel: return BoxAnswer::Cancel;
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

void QtDialogs::endProgram()
{
    // As EXIT: the process ends here, the system releases the port and the windows.
    std::exit(0);
}
