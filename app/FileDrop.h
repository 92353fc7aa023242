#pragma once

#include <QString>

#include <optional>

class QMimeData;

// The path of what is dragged onto the main window when it is exactly one local file; nothing for
// several files, a web address or plain text, which the window refuses.
std::optional<QString> droppedLocalFile(const QMimeData *dragged);
