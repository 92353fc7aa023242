#include "app/SaveHex.h"

#include "app/Dialogs.h"
#include "image/HexSave.h"
#include "ops/Messages.h"

void saveBufferAsHex(Dialogs &dialogs, const ProgramBuffer &PBUF, int lastWord, quint16 configWord)
{
    if (lastWord < 0) {
        dialogs.showBox(Messages::cantWriteFile());
        return;
    }
    const QString path = dialogs.askSaveFileName();
    if (path.isEmpty())
        return;
    if (const QString reason = saveHexFile(path, PBUF, lastWord, configWord); !reason.isEmpty())
        dialogs.showBox(Messages::cantWriteFile(path, reason));
}
