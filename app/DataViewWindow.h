#pragma once

#include <QWidget>

class QPlainTextEdit;

// DATAVIEW, "Data buffer": the program buffer as a hex dump in one editable text box. Typing into
// it changes only what is shown; the next refresh replaces the text. Closing it discards it.
class DataViewWindow : public QWidget {
    Q_OBJECT
public:
    explicit DataViewWindow(QWidget *parent = nullptr);

    void setDumpText(const QString &text);
    // What Text1 shows, line breaks as "\n".
    QString text() const;

    QPlainTextEdit *const Text1;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void Form_Resize();
};
