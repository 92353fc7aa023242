#include "app/HelpWindow.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>

namespace {

// The help file's lines, each followed by CR LF. A line ends at CR LF, at a lone CR or, for
// files written on this side, at a lone LF; the last line needs no ending.
QString helpText(const QString &helpFile)
{
    QFile file(helpFile);
    if (!file.open(QIODevice::ReadOnly))
        return {}; // a missing or unreadable file leaves the window empty
    QString text = QString::fromLocal8Bit(file.readAll());
    text.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(u'\r', u'\n');
    if (!text.isEmpty() && !text.endsWith(u'\n'))
        text += u'\n';
    return text.replace(u'\n', QLatin1String("\r\n"));
}

} // namespace

QString helpFilePath()
{
#ifdef Q_OS_WIN
    return QStringLiteral("C:\\Tobrisk\\VRN0412.TXT");
#else
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + QLatin1Char('/') + QStringLiteral(DRAVIK_HELP_FILE));
#endif
}

HelpWindow::HelpWindow(const QString &helpFile, QWidget *parent)
    : TextWindow(QStringLiteral("HELP"), QRect(2820, 3780, 4860, 3375), QSize(4815, 3315), parent)
{
    Text1->setPlainText(helpText(helpFile));
}

HelpWindow *showHelpForm(QPointer<HelpWindow> &HELP_FORM, const QString &helpFile,
                         QWidget *parent)
{
    if (!HELP_FORM)
        HELP_FORM = new HelpWindow(helpFile, parent);
    HELP_FORM->setWindowState(HELP_FORM->windowState() & ~Qt::WindowMinimized);
    HELP_FORM->show();
    HELP_FORM->raise();
    HELP_FORM->activateWindow();
    return HELP_FORM;
}
