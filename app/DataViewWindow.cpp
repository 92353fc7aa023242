#include "app/DataViewWindow.h"

#include "app/WindowLayout.h"
#include "image/BufferDump.h"

#include <QPlainTextEdit>

DataViewWindow::DataViewWindow(QWidget *parent)
    : QWidget(parent, Qt::Window), Text1(new QPlainTextEdit(this))
{
    setObjectName(QStringLiteral("DATAVIEW"));
    setWindowTitle(QStringLiteral("Data buffer"));
    setAttribute(Qt::WA_DeleteOnClose);

    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Text1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont courier(QStringLiteral("Courier"));
    courier.setStyleHint(QFont::TypeWriter);
    courier.setPixelSize(pixelSizeOfPoints(9.75));
    Text1->setFont(courier);
    Text1->setGeometry(0, 0, pixels(7500), pixels(3180));

    resize(pixels(7605), pixels(3255));
    move(pixels(930), pixels(4125));
}

void DataViewWindow::setDumpText(const QString &text)
{
    // The dump ends its lines in CR LF; the text box breaks lines at LF alone.
    QString lines = text;
    lines.remove(QLatin1Char('\r'));
    Text1->setPlainText(lines);
}

QString DataViewWindow::text() const
{
    return Text1->toPlainText();
}

void DataViewWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}

void DataViewWindow::Form_Resize()
{
    Text1->resize(fittedTextBoxSize(frameGeometry().size()));
}
