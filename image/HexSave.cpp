#include "image/HexSave.h"

#include "image/HexWriter.h"

#include <QSaveFile>

bool saveHexFile(const QString &path, const ProgramBuffer &PBUF, int lastWord)
{
    const std::string text = intelHexText(PBUF, lastWord);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // commit() does not notice when its own final flush fails (a full disk, a size limit) and
    // would put a truncated file in place: flush first and give up if that fails.
    if (file.write(text.data(), qint64(text.size())) != qint64(text.size()) || !file.flush()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}
