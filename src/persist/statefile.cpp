#include "statefile.h"

#include "inisafety.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>
#include <QTemporaryFile>
#include <QVariant>

#include <algorithm>
#include <optional>

namespace {

const char *const KeyBitplaneOrder = "bitplaneorder";
const char *const KeyOffset = "offset";
const char *const KeyBlXSize = "blXSize";
const char *const KeyBlYSize = "blYSize";
const char *const KeySkip = "skip";
const char *const KeyBits = "bits";
const char *const KeyMode = "mode";
const char *const KeySkipMode = "skipmode";
const char *const KeyReverse = "reverse";
const char *const KeyPalSearchMode = "palsearchmode";
const char *const KeyPalFound = "palfound";
const char *const KeyFileSize = "filesize";

// State files are a few hundred bytes; anything far larger is not one.
constexpr qint64 MaxFileSize = 1024 * 1024;

// The file's bytes, when it is an existing, readable text file. QSettings alone reads a missing
// file, or one of binary bytes, as an empty INI file.
std::optional<QByteArray> readTextFile(const QString &fileName)
{
    const QFileInfo info(fileName);
    if (!info.isFile() || info.size() > MaxFileSize)
        return std::nullopt;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.read(MaxFileSize + 1);
    if (file.error() != QFileDevice::NoError || bytes.size() > MaxFileSize || bytes.contains('\0'))
        return std::nullopt;
    // A value QSettings would build an object from is nothing the program writes.
    if (IniSafety::holdsSerializedValue(bytes))
        return std::nullopt;
    return bytes;
}

// Decimal text only: QVariant::toInt would cut a number beyond int down to its low bits.
int intValue(const QSettings &settings, const char *key)
{
    bool ok = false;
    const int value = settings.value(key, 0).toString().toInt(&ok);
    return ok ? value : 0;
}

void readBitplaneOrder(const QSettings &settings, RipperState &state)
{
    if (!settings.contains(KeyBitplaneOrder))
        return;
    const QStringList items = settings.value(KeyBitplaneOrder).toStringList();
    const int count = std::min<int>(items.size(), int(state.bitplaneorder.size()));
    for (int k = 0; k < count; ++k)
        state.bitplaneorder[std::size_t(k)] = items[k].toInt();
}

StateFile::LoadResult loadParsed(RipperState &state, const QString &fileName)
{
    StateFile::LoadResult result;
    const QSettings settings(fileName, QSettings::IniFormat);
    if (settings.status() != QSettings::NoError)
        return result;
    result.readable = true;

    readBitplaneOrder(settings, state);
    state.blXSize = intValue(settings, KeyBlXSize);
    state.blYSize = intValue(settings, KeyBlYSize);
    state.skip = intValue(settings, KeySkip);
    state.bits = intValue(settings, KeyBits);
    // The refresh has no control for other modes; only an edited file can hold them.
    state.mode = std::clamp(
        intValue(settings, KeyMode), int(RipperState::ModeAM), int(RipperState::ModeCminus));
    state.skipmode = std::clamp(intValue(settings, KeySkipMode), int(RipperState::SkipPictures),
        int(RipperState::SkipBitplanes));
    state.reverse = settings.value(KeyReverse, 0).toBool();
    state.palsource = intValue(settings, KeyPalSearchMode);

    // The searches scan forward from palsearchpos: one byte before the stored match finds it again.
    const int storedPalFound = intValue(settings, KeyPalFound);
    state.palfound = storedPalFound > 0 ? storedPalFound - 1 : 0;
    state.palsearchpos = state.palfound;

    result.fileSizeDiffers = intValue(settings, KeyFileSize) != state.filesize;

    state.offset = intValue(settings, KeyOffset);
    if (state.offset > state.filesize) {
        state.offset = state.filesize;
        result.offsetClamped = true;
    }
    return result;
}

} // namespace

namespace StateFile {

bool save(const RipperState &state, const QString &fileName)
{
    // QSettings reads a file before writing it; one it would build objects from is replaced whole.
    if (IniSafety::usablePath(fileName).isEmpty() && !QFile::remove(fileName))
        return false;
    QSettings settings(fileName, QSettings::IniFormat);
    QStringList order;
    for (int entry : state.bitplaneorder)
        order << QString::number(entry, 10);
    settings.setValue(KeyBitplaneOrder, order);
    settings.setValue(KeyOffset, state.offset);
    settings.setValue(KeyBlXSize, state.blXSize);
    settings.setValue(KeyBlYSize, state.blYSize);
    settings.setValue(KeySkip, state.skip);
    settings.setValue(KeyBits, state.bits);
    settings.setValue(KeyMode, state.mode);
    settings.setValue(KeySkipMode, state.skipmode);
    settings.setValue(KeyReverse, state.reverse);
    settings.setValue(KeyPalSearchMode, state.palsearchmode);
    settings.setValue(KeyPalFound, state.palfound);
    settings.setValue(KeyFileSize, state.filesize);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

LoadResult load(RipperState &state, const QString &fileName)
{
    const std::optional<QByteArray> bytes = readTextFile(fileName);
    if (!bytes)
        return LoadResult();
    // QSettings keeps parsed files cached by path and reports a malformed one only when it
    // first parses it; a private copy is parsed afresh, so a bad file is refused every time.
    QTemporaryFile copy(QDir::tempPath() + QStringLiteral("/pelvane-state-XXXXXX.plv"));
    if (copy.open() && copy.write(*bytes) == bytes->size() && copy.flush())
        return loadParsed(state, copy.fileName());
    return loadParsed(state, fileName);
}

} // namespace StateFile
