#pragma once

#include "app/MainWindow.h"
#include "tests/app/RecordingDialogs.h"
#include "tests/support/FakePort.h"

#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QTemporaryDir>

#include <memory>

// The real main window, offscreen, on the in-memory port with no adapter behind it.
struct FakeWindowRig {
    explicit FakeWindowRig(Edition edition, bool com1Fails = false) : port(clock)
    {
        port.failOpen(1, com1Fails);
        window = std::make_unique<MainWindow>(edition, port, dialogs);
    }
    const MainWindow::Controls &c() const { return window->controls(); }

    TestClock clock;
    FakePort port;
    RecordingDialogs dialogs;
    std::unique_ptr<MainWindow> window;
};

// Writes the file and returns its path; empty when it could not be written.
inline QByteArray writeFile(const QTemporaryDir &dir, const char *name, const QByteArray &bytes)
{
    QFile file(dir.filePath(QLatin1String(name)));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return {};
    return file.fileName().toUtf8();
}

// Drags onto the window what is described; true when the window takes it.
inline bool dragEnters(QWidget &window, const QMimeData &dragged)
{
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &dragged, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &enter);
    return enter.isAccepted();
}

// Drops it there and lets the window handle what the drop left for after it.
inline void drop(QWidget &window, const QMimeData &dragged)
{
    QDropEvent dropped(QPointF(10, 10), Qt::CopyAction, &dragged, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &dropped);
    QCoreApplication::processEvents();
}
