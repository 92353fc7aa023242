#pragma once

#include "link/WindowSeam.h"

#include <QString>

class QWidget;

// The modal dialogs the main window needs: message boxes, the file-open dialog and ending the
// program. The programs use the Qt implementation; tests put a recorder in its place.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    // Shows a modal box and returns the button the user pressed.
    virtual BoxAnswer showBox(const Message &message) = 0;
    // The chosen file's path, or an empty text when nothing was chosen.
    virtual QString askOpenFileName() = 0;
    // The path to save the buffer to (kSaveHexFilter), or an empty text when nothing was chosen.
    virtual QString askSaveFileName() = 0;
    // Ends the process at once, without closing anything first.
    virtual void endProgram() = 0;
};

// FILE OPEN's choice of files, in the form "NAME|pattern|NAME|pattern|".
inline const QString kHexFileFilter = QStringLiteral("HEX FILES|*.hex|ALL FILES|*.*|");

// Save HEX's choice of files, in Qt's form.
inline const QString kSaveHexFilter = QStringLiteral("HEX FILE (*.hex)");

// "NAME|pattern|..." as Qt's name filter: "NAME (pattern);;...".
QString qtNameFilter(const QString &barSeparated);

class QtDialogs : public Dialogs {
public:
    BoxAnswer showBox(const Message &message) override;
    QString askOpenFileName() override;
    QString askSaveFileName() override;
    [[noreturn]] void endProgram() override;
};
