#pragma once

#include "device/DeviceProfile.h"

#include <QDialog>
#include <QIcon>

// The edition's 32 x 32 icon: the window icon of every window and the picture in VERFORM.
QIcon editionIcon(Edition edition);

// VERFORM: names the edition and its version on a white, fixed-size window.
class AboutWindow : public QDialog {
    Q_OBJECT
public:
    explicit AboutWindow(Edition edition, QWidget *parent = nullptr);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void okClicked();

    Edition edition;
};

// VER (aboutClicked): shows a fresh About window modally and returns once OK or its close
// button unloads it.
void showAboutForm(Edition edition, QWidget *parent);
