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
    QString askSaveFileName() override
    {
        ++saveDialogs;
        return fileToSave;
    }
    void endProgram() override { ++endings; }

    QStringList boxes;
    QString fileToOpen;
    int fileDialogs = 0;
    QString fileToSave;
    int saveDialogs = 0;
    int endings = 0;
};
