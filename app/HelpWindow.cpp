#include "app/HelpWindow.h"

#include "app/WindowLayout.h"
#include "image/BufferDump.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QScreen>

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
    : QWidget(parent, Qt::Window), Text1(new QPlainTextEdit(this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("HELP"));
    resize(pixels(4860), pixels(3375));
    move(QGuiApplication::primaryScreen()->geometry().topLeft()
         + QPoint(pixels(2820), pixels(3780)));

    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setGeometry(0, 0, pixels(4815), pixels(3315));
    Text1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Text1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    Form_Load(helpFile);
}

QString HelpWindow::text() const
{
    return Text1->toPlainText();
}

void HelpWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}

void HelpWindow::Form_Load(const QString &helpFile)
{
    Text1->setPlainText(helpText(helpFile));
}

void HelpWindow::Form_Resize()
{
    Text1->resize(fittedTextBoxSize(frameGeometry().size()));
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
