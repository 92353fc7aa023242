#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

class QPlainTextEdit;

// Where HELP reads its text: C:\Tobrisk\VRN0412.TXT on Windows; elsewhere share/Tobrisk/VRN0412.TXT
// beside the program's folder (under the install prefix, or in the build tree).
QString helpFilePath();

// HELP_FORM: shows a plain text file in one editable, scrollable text box. It reads the file
// once, when it is created, and deletes itself when the user closes it.
class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(const QString &helpFile, QWidget *parent = nullptr);

    // What Text1 shows, line breaks as "\n".
    QString text() const;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void Form_Load(const QString &helpFile);
    void Form_Resize();

    QPlainTextEdit *Text1;
};

// HELP_Click: shows the help window modeless. A window still open is only raised; otherwise a
// new one is made (reading the file afresh) and HELP_FORM is pointed at it. With a parent the
// window is released with it; without one it lives until the user closes it.
HelpWindow *showHelpForm(QPointer<HelpWindow> &HELP_FORM, const QString &helpFile,
                         QWidget *parent = nullptr);
