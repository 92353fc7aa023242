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
    void endProgram() override { ++endings; }

    QStringList boxes;
    QString fileToOpen;
    int fileDialogs = 0;
    int endings = 0;
};
