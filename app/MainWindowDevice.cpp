#include "app/MainWindow.h"

#include "app/Dialogs.h"
#include "app/WindowSettings.h"
#include "device/AddressField.h"
#include "device/Profiles.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>

// The device: the option buttons, Function > "Device..." and what a selection resets.

void MainWindow::selectDevice(Device device)
{
    core_.selectDevice(device);
    if (edition_ == Edition::Advanced)
        showDefaultPanel(device);
    controls_.Text4->setText(hexText(0));
    controls_.Text5->setText(hexText(core_.profile().LASTADR));
    controls_.Text1->clear();
    setWatchdogFlag(false);
    enableOperationControls();
}

// The panel's controls as the core's default word for the device stands.
void MainWindow::showDefaultPanel(Device device)
{
    const ProfileDefaults &defaults = profileDefaults(device);
    showConfigWord(defaults.configText);
    controls_.Option3->setChecked(true);
    controls_.Check1->setChecked(defaults.powerUpTimerChecked);
    controls_.Option9->setChecked(true);
    controls_.Option8->setChecked(true);
}

void MainWindow::deviceClicked()
{
    if (busy_)
        return;
    QStringList names;
    for (const Device each : allDevices())
        names += QLatin1String(profileDefaults(each).name);
    const QString current = QLatin1String(profileDefaults(*core_.profile().device).name);
    const QString name = dialogs_.askDevice(names, current);
    const std::optional<Device> device = deviceNamed(name);
    if (!device)
        return;
    chooseDevice(*device);
    WindowSettings::setChosenDevice(name);
}

// The 16F84 and the 16C711 through their option buttons, as a click selects them; any other
// device with neither button selected.
void MainWindow::chooseDevice(Device device)
{
    QRadioButton *button = device == Device::PIC16F84    ? controls_.Option1
                           : device == Device::PIC16C711 ? controls_.Option2
                                                         : nullptr;
    if (button && !button->isChecked()) {
        button->setChecked(true);
        return;
    }
    for (QRadioButton *option : {controls_.Option1, controls_.Option2}) {
        option->setAutoExclusive(false);
        option->setChecked(option == button);
        option->setAutoExclusive(true);
    }
    selectDevice(device);
}
