#pragma once

#include "app/TextWindow.h"

// DATAVIEW, "Data buffer": the program buffer as a hex dump. Typing into it changes only what is
// shown; the next refresh replaces the text. Closing it discards it.
class DataViewWindow : public TextWindow {
    Q_OBJECT
public:
    explicit DataViewWindow(QWidget *parent = nullptr);

    void setDumpText(const QString &text);
};
