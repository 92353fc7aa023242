#include "ops/PortSwitch.h"

#include "link/PortSettings.h"
#include "link/SerialPort.h"
#include "ops/Messages.h"
#include "ops/WindowSeam.h"

namespace {

QString portLabel(int portNumber)
{
    return QStringLiteral("COM%1").arg(portNumber);
}

} // namespace

PortSwitch::PortSwitch(SerialPort &port, RunState &state, WindowSeam &window)
    : port_(port), state_(state), window_(window)
{
    port_.setLostHandler([this] {
        state_.portNumber = 0;
        window_.setPortLabel(portLabel(0));
        window_.setPortDevice({});
        window_.portLost(port_.device());
    });
}

PortSwitch::~PortSwitch()
{
    port_.setLostHandler({});
}

void PortSwitch::open()
{
    port_.choosePort(state_.portNumber);
    if (openAtAdapterLine(port_)) {
        window_.setPortLabel(portLabel(state_.portNumber));
        window_.setPortDevice(port_.device());
        // A failed open says it under its own box.
        if (!port_.settingsProblem().isEmpty())
            window_.showBox(Messages::rememberedPortNotUsed(port_.device(), port_.settingsProblem()));
        return;
    }
    if (state_.portNumber == 1 || state_.portNumber == 2)
        window_.showBox(Messages::cantOpenPort(state_.portNumber, port_.lastFailure()));
    window_.setPortLabel(portLabel(0));
    window_.setPortDevice({});
    state_.portNumber = 0;
}

void PortSwitch::close()
{
    // A failed RTS drop skips the close, as any failure ends the sequence.
    if (!(port_.dropRts() && port_.close()) && (state_.portNumber == 1 || state_.portNumber == 2))
        window_.showBox(Messages::cantClosePort(state_.portNumber, port_.lastFailure()));
    state_.portNumber = 0;
}

void PortSwitch::switchToCom1()
{
    if (state_.portNumber == 2)
        close();
    if (state_.portNumber == 0) {
        state_.portNumber = 1;
        window_.setPortLabel(portLabel(1));
        open();
    }
}

void PortSwitch::switchToCom2()
{
    if (state_.portNumber == 1)
        close();
    if (state_.portNumber == 0) {
        state_.portNumber = 2;
        open();
    }
}

void PortSwitch::chooseCom1Device(const QString &device)
{
    const SettingsProblem notRemembered = PortSettings::setCom1Device(device);
    if (!notRemembered.isEmpty())
        window_.showBox(Messages::portNotRemembered(notRemembered));
    if (state_.portNumber != 0)
        close();
    switchToCom1();
}

QString PortSwitch::device() const
{
    return state_.portNumber != 0 ? port_.device() : QString();
}
