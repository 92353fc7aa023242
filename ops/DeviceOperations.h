#pragma once

#include "device/DeviceProfile.h"
#include "link/Adapter.h"
#include "ops/Outcome.h"

#include <QList>
#include <QString>

#include <functional>
#include <optional>

class ProgramBuffer;
class WindowSeam;

// The configuration word a write sends, taken when the write reaches it: the panel may change
// while the program words go out.
using ConfigSource = std::function<quint16()>;

struct WriteJob {
    Device device;        // whose program command stores the words
    int lastWord;         // words 0..lastWord are written
    ConfigSource configWord;
    bool programLoaded = true;
    // The word the loaded file asks for, when the write must ask before writing another one.
    std::optional<quint16> fileWordToConfirm{};
};

// WRITE, READ, VERIFY, BLANK all and the adapter check: command sequences on the adapter, word by
// word. Boxes open through the window seam as they happen; the caller learns the result from the
// outcome and updates its own fields.
class DeviceOperations {
public:
    DeviceOperations(Adapter &adapter, WindowSeam &window);

    Outcome write(const ProgramBuffer &program, const WriteJob &job);
    // "Write anyway?" when `written` is not the word the file asks for. True when it may go out.
    bool confirmConfigWord(Device device, quint16 fileWord, quint16 written);
    // Words 0..lastWord into `program`.
    Outcome read(ProgramBuffer &program, int lastWord);
    // The same, then the configuration word. A chip whose code protection is on is said: its
    // program words are not its program.
    Outcome readWithConfigWord(ProgramBuffer &program, int lastWord, Device device);
    // Words 0..lastWord against the buffer, then, when one is given, the chip's configuration word
    // against `configWord`.
    Outcome verify(const ProgramBuffer &program, int lastWord, std::optional<quint16> configWord = std::nullopt);
    // The chip's configuration word in its own opening and closing; nothing is stored.
    Outcome readConfigWord();
    // The chip's device ID (2006h) the same way, in the outcome's configWord.
    Outcome readDeviceId();
    // Blanks the buffer, then writes it as the 16F84 (blanking is a flash operation).
    Outcome blankAll(ProgramBuffer &program, int lastWord, const ConfigSource &configWord);
    // Asks the adapter who it is until it answers or the user gives up (Cancel: TimedOut).
    Outcome identify();

    // The chip checks read as READ does (each word, then the configuration word in its own opening
    // and closing) and open no verdict box: the caller shows what they found.
    // Every program word of the device and the configuration word against a blank chip (3FFF).
    ChipCheck blankCheck(Device device);
    // Before an EPROM write, with readWithConfigWord's traffic: words 0..lastWord (within the
    // device) and the configuration word, and every word the chip can no longer take from
    // `program` and `configWord`. Nothing is programmed.
    ChipCheck checkBeforeWrite(const ProgramBuffer &program, int lastWord, Device device, quint16 configWord);
    // VERIFY that reads on past a difference: every word 0..lastWord that differs, then, when one
    // is given, the configuration word. The outcome is Mismatch at the first differing word, else
    // ConfigMismatch when the configuration word differs.
    ChipCheck verifyAll(const ProgramBuffer &program, int lastWord, std::optional<quint16> configWord = std::nullopt);

private:
    struct Run;
    Adapter &adapter_;
    WindowSeam &window_;

    // After a V1 that timed out, READ still sends F1; VERIFY stops there.
    enum class Closing { AsRead, AsVerify };

    // A word of the configuration space, reached with these frames, in its own opening and closing.
    Outcome readConfigSpaceWord(const QList<QByteArray> &toWord);
    // read and readWithConfigWord under the name the progress shows.
    Outcome readAs(const QString &name, ProgramBuffer &program, int lastWord, Closing closing = Closing::AsRead);
    Outcome readWithConfigWordAs(const QString &name, ProgramBuffer &program, int lastWord, Device device);
};
