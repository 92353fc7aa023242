#pragma once

#include "app/Dialogs.h"
#include "tests/support/RecordingSeam.h"

#include <QList>
#include <QStringList>

// Answers every box with OK, and a question (Retry/Cancel, Yes/No) from `answers` in order or,
// when they run out, with Cancel or No; keeps what it was asked.
class RecordingDialogs : public Dialogs {
public:
    BoxAnswer showBox(const Message &message) override
    {
        boxes.append(message.text + QStringLiteral(" / ") + message.title);
        messages.append(message);
        return scriptedAnswer(message.buttons, answers);
    }
    QString askOpenFileName() override
    {
        ++fileDialogs;
        return fileToOpen;
    }
    QString askSaveFileName() override
    {
        ++saveDialogs;
        return fileToSave;
    }
    QString askPortPath(const QString &current) override
    {
        portDialogs.append(current);
        return portToChoose;
    }
    QString askDevice(const QStringList &names, const QString &) override
    {
        return names.contains(deviceToChoose) ? deviceToChoose : QString();
    }
    void endProgram() override { ++endings; }

    QStringList boxes;
    QList<Message> messages;
    QList<BoxAnswer> answers;
    QString fileToOpen;
    QString portToChoose; // empty: the port dialog is cancelled
    QString deviceToChoose; // one not offered: Device... is cancelled
    QStringList portDialogs; // the device each port dialog started from
    int fileDialogs = 0;
    QString fileToSave;
    int saveDialogs = 0;
    int endings = 0;
};
