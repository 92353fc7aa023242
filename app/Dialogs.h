#pragma once

#include "ops/WindowSeam.h"

#include <QString>
#include <QStringList>

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
    // "Port...": the device chosen for COM1, or an empty text when the user cancelled.
    // `current` is the device COM1 stands for now.
    virtual QString askPortPath(const QString &current) = 0;
    // "Device...": the name chosen from `names`, or an empty text when the user cancelled.
    virtual QString askDevice(const QStringList &names, const QString &current) = 0;
    // Ends the program as soon as the running handler has returned: the event loop stops and
    // the program shuts down normally, with exit status 0.
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
    QString askPortPath(const QString &current) override;
    QString askDevice(const QStringList &names, const QString &current) override;
    void endProgram() override;
};
