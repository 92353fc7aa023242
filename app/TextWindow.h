#pragma once

#include <QRect>
#include <QString>
#include <QWidget>

class QPlainTextEdit;

// A sizable window holding one editable text box, Text1, with both scroll bars and no wrapping.
// The window deletes itself when closed. Whenever it is resized the box is fitted to it: the
// outer height less 400 twips, the outer width less 140, never below zero.
class TextWindow : public QWidget {
    Q_OBJECT
public:
    // Outer size and place, and the box's first size, in twips from the screen's top-left.
    TextWindow(const QString &caption, const QRect &windowTwips, const QSize &textBoxTwips,
               QWidget *parent);

    // What Text1 shows, line breaks as "\n".
    QString text() const;

    QPlainTextEdit *const Text1;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void Form_Resize();
};
