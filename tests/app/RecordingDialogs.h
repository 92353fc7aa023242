#pragma once

#include "app/Dialogs.h"

#include <QStringList>

// Answers every box with OK, or with Cancel when it offers Retry/Cancel; keeps what it was asked.
class RecordingDialogs : public Dialogs {
public:
    BoxAnswer showBox(const Message &message) override
    {
        boxes.append(message.text + QStringLiteral(" / ") + message.title);
        return message.buttons == BoxButtons::RetryCancel ? BoxAnswer::Cancel : BoxAnswer::Ok;
    }
    QString askOpenFileName() override
    {
        ++fileDialogs;
        return fileToOpen;
    }
    QString askPortPath(const QString &current) override
    {
        portDialogs.append(current);
        return portToChoose;
    }
    void endProgram() override { ++endings; }

    QStringList boxes;
    QString fileToOpen;
    QString portToChoose; // empty: the port dialog is cancelled
    QStringList portDialogs; // the device each port dialog started from
    int fileDialogs = 0;
    int endings = 0;
};
