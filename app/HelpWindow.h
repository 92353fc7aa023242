#pragma once

#include "app/TextWindow.h"

#include <QPointer>
#include <QString>

// Where HELP reads its text: C:\Tobrisk\VRN0412.TXT on Windows; elsewhere share/Tobrisk/VRN0412.TXT
// beside the program's folder (under the install prefix, or in the build tree).
QString helpFilePath();

// HELP_FORM: shows a plain text file. It reads the file once, when it is created.
class HelpWindow : public TextWindow {
    Q_OBJECT
public:
    explicit HelpWindow(const QString &helpFile, QWidget *parent = nullptr);
};

// HELP (helpClicked): shows the help window modeless. A window still open is only raised; otherwise a
// new one is made (reading the file afresh) and HELP_FORM is pointed at it. With a parent the
// window is released with it; without one it lives until the user closes it.
HelpWindow *showHelpForm(QPointer<HelpWindow> &HELP_FORM, const QString &helpFile,
                         QWidget *parent = nullptr);
