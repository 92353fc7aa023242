#include "app/ProductionWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// A control's caption is its name for a screen reader too.
template <typename Widget> Widget *named(Widget *widget, const QString &name)
{
    widget->setObjectName(name);
    widget->setAccessibleName(name);
    return widget;
}

// Return in a field finishes the typing; it does not write a chip as Return elsewhere does.
class Field : public QLineEdit {
public:
    using QLineEdit::QLineEdit;

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        QLineEdit::keyPressEvent(event);
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
            event->accept();
    }
};

QLineEdit *field(const QString &caption, const QString &text, const QString &hint)
{
    QLineEdit *edit = named<QLineEdit>(new Field(text), caption);
    edit->setPlaceholderText(hint);
    return edit;
}

QCheckBox *switchBox(const QString &caption, bool checked)
{
    QCheckBox *box = named(new QCheckBox(caption), caption);
    box->setChecked(checked);
    return box;
}

} // namespace

ProductionWindow::ProductionWindow(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Production"));
    setModal(false);
    const WindowSettings::Production saved = WindowSettings::production();
    records_ = field(QStringLiteral("Records"), saved.records,
                     QStringLiteral("none, or an SQLite file or postgresql://user@host:port/dbname"));
    serialWords_ = field(QStringLiteral("Serial words"), saved.serialWords, QStringLiteral("none, or ADDR:WORDS, e.g. 3FC:4"));
    firstSerialNumber_ = field(QStringLiteral("First serial number"), saved.firstSerialNumber,
                               QStringLiteral("when the database has no sequence yet"));
    writeWhenFileChanges_ = switchBox(QStringLiteral("Write when the file changes"), saved.writeWhenFileChanges);
    soundOnPass_ = switchBox(QStringLiteral("Sound on pass"), saved.soundOnPass);
    soundOnFail_ = switchBox(QStringLiteral("Sound on fail"), saved.soundOnFail);
    nextChip_ = named(new QPushButton(QStringLiteral("Next chip")), QStringLiteral("Next chip"));
    nextChip_->setDefault(true); // Return while this window has the focus
    passed_ = named(new QLabel, QStringLiteral("Passed"));
    failed_ = named(new QLabel, QStringLiteral("Failed"));
    total_ = named(new QLabel, QStringLiteral("Total"));
    result_ = named(new QLabel, QStringLiteral("Result"));
    resultDetail_ = named(new QLabel, QStringLiteral("Result detail"));
    QFont large = result_->font();
    large.setPointSize(large.pointSize() * 3);
    large.setBold(true);
    result_->setFont(large);
    result_->setAlignment(Qt::AlignCenter);
    result_->setAutoFillBackground(true);
    resultDetail_->setAlignment(Qt::AlignCenter);
    resultDetail_->setWordWrap(true);

    auto *counters = new QGridLayout;
    const QString captions[] = {QStringLiteral("Passed"), QStringLiteral("Failed"), QStringLiteral("Total")};
    QLabel *values[] = {passed_, failed_, total_};
    for (int column = 0; column < 3; ++column) {
        counters->addWidget(new QLabel(captions[column]), 0, column, Qt::AlignCenter);
        counters->addWidget(values[column], 1, column, Qt::AlignCenter);
    }
    // Room for a path or a URI as people type them.
    records_->setMinimumWidth(records_->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 40);
    auto *fields = new QFormLayout;
    for (QLineEdit *edit : {records_, serialWords_, firstSerialNumber_})
        fields->addRow(edit->accessibleName(), edit);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(writeWhenFileChanges_);
    layout->addWidget(nextChip_);
    layout->addLayout(counters);
    layout->addWidget(result_);
    layout->addWidget(resultDetail_);
    layout->addWidget(soundOnPass_);
    layout->addWidget(soundOnFail_);
    showCounters();

    connect(nextChip_, &QPushButton::clicked, this, &ProductionWindow::nextChipRequested);
    for (QLineEdit *edit : {records_, serialWords_, firstSerialNumber_})
        connect(edit, &QLineEdit::textChanged, this, &ProductionWindow::remember);
    for (QCheckBox *box : {writeWhenFileChanges_, soundOnPass_, soundOnFail_})
        connect(box, &QCheckBox::toggled, this, &ProductionWindow::remember);
}

WindowSettings::Production ProductionWindow::settings() const
{
    return {records_->text().trimmed(), serialWords_->text().trimmed(), firstSerialNumber_->text().trimmed(),
            writeWhenFileChanges_->isChecked(),  soundOnPass_->isChecked(),           soundOnFail_->isChecked()};
}

void ProductionWindow::remember()
{
    WindowSettings::setProduction(settings());
    emit settingsChanged();
}

// The result is told by a word and a symbol, not by its colour alone.
void ProductionWindow::showChipResult(bool passed, const QString &detail)
{
    ++(passed ? passedCount_ : failedCount_);
    showCounters();
    result_->setText(passed ? QStringLiteral("\u2714 PASS") : QStringLiteral("\u2718 FAIL"));
    QPalette palette = result_->palette();
    palette.setColor(QPalette::Window, passed ? QColor(0x1b, 0x8a, 0x2e) : QColor(0xc0, 0x1c, 0x28));
    palette.setColor(QPalette::WindowText, Qt::white);
    result_->setPalette(palette);
    resultDetail_->setText(detail);
    if (passed ? soundOnPass_->isChecked() : soundOnFail_->isChecked())
        QApplication::beep();
}

void ProductionWindow::resetCounters()
{
    passedCount_ = failedCount_ = 0;
    showCounters();
    result_->clear();
    result_->setPalette(palette());
    resultDetail_->clear();
}

void ProductionWindow::setNextChipEnabled(bool enabled)
{
    nextChip_->setEnabled(enabled);
}

void ProductionWindow::showCounters()
{
    passed_->setText(QString::number(passedCount_));
    failed_->setText(QString::number(failedCount_));
    total_->setText(QString::number(passedCount_ + failedCount_));
}
