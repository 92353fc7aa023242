#pragma once

#include "link/SerialDevices.h"

#include <QDialog>

class QDialogButtonBox;
class QLineEdit;
class QListWidget;

// "Port...": the serial ports the system has (stable names first) above a path field that takes
// any device's absolute path. Picking a port fills the field; the field has the focus and Return
// accepts.
class PortDialog : public QDialog {
    Q_OBJECT
public:
    // `current` is the device COM1 stands for now; `overriddenBy` the environment variable that
    // wins over the choice, empty when none does.
    PortDialog(const QList<DetectedPort> &detected, const QString &current, const QString &overriddenBy,
               QWidget *parent = nullptr);

    // The device chosen, without surrounding blanks.
    QString path() const;

    QListWidget *const ports;
    QLineEdit *const pathField;

private:
    QDialogButtonBox *const buttons_;
};
