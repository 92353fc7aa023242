#include "app/DataViewWindow.h"

#include "app/WindowLayout.h"

#include <QPlainTextEdit>

DataViewWindow::DataViewWindow(QWidget *parent)
    : TextWindow(QStringLiteral("Data buffer"), QRect(930, 4125, 7605, 3255), QSize(7500, 3180), parent)
{
    setObjectName(QStringLiteral("DATAVIEW"));
    QFont courier(QStringLiteral("Courier"));
    courier.setStyleHint(QFont::TypeWriter);
    courier.setPixelSize(pixelSizeOfPoints(9.75));
    Text1->setFont(courier);
}

void DataViewWindow::setDumpText(const QString &text)
{
    // The dump ends its lines in CR LF; the text box breaks lines at LF alone.
    QString lines = text;
    lines.remove(QLatin1Char('\r'));
    Text1->setPlainText(lines);
}
