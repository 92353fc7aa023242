#pragma once

#include "app/WindowSettings.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// Function > "Production...": beside the main window, the records database and the serial words
// every write from the windows uses, the button for the next chip, the file written again when it
// changes, and what became of the chips of the loaded file. Its fields and switches are remembered.
class ProductionWindow : public QDialog {
    Q_OBJECT
public:
    explicit ProductionWindow(QWidget *parent);

    WindowSettings::Production settings() const;
    // A chip written: the counters, the result in large type, and the bell when it is wanted.
    void showChipResult(bool passed, const QString &detail);
    // Another file was loaded: its chips are counted from zero.
    void resetCounters();
    // While an operation runs no chip can be started from here.
    void setNextChipEnabled(bool enabled);

signals:
    void nextChipRequested();
    void settingsChanged();

private:
    void remember();
    void showCounters();

    QLineEdit *records_, *serialWords_, *firstSerialNumber_;
    QCheckBox *writeWhenFileChanges_, *soundOnPass_, *soundOnFail_;
    QPushButton *nextChip_;
    QLabel *passed_, *failed_, *total_, *result_, *resultDetail_;
    int passedCount_ = 0, failedCount_ = 0;
};
