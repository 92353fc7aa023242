#include "app/TextWindow.h"

#include "app/FixedPalette.h"
#include "app/WindowLayout.h"

#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QScreen>

TextWindow::TextWindow(const QString &caption, const QRect &windowTwips, const QSize &textBoxTwips,
                       QWidget *parent)
    : QWidget(parent, Qt::Window), Text1(new QPlainTextEdit(this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(caption);
    setPalette(fixedPalette(kButtonFace));
    resize(pixels(windowTwips.width()), pixels(windowTwips.height()));
    move(QGuiApplication::primaryScreen()->geometry().topLeft()
         + QPoint(pixels(windowTwips.left()), pixels(windowTwips.top())));

    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setGeometry(0, 0, pixels(textBoxTwips.width()), pixels(textBoxTwips.height()));
    Text1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Text1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

QString TextWindow::text() const
{
    return Text1->toPlainText();
}

void TextWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}

void TextWindow::Form_Resize()
{
    Text1->resize(fittedTextBoxSize(frameGeometry().size()));
}
