#include "QtSettingsStore.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QThread>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A key or section name could hold '/' (a group separator for QSettings);
// the program's own names never do, so such names are refused rather than
// silently nested.
bool validName(const QString& name)
{
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\'));
}

// QSettings guards its file with a lock file holding the owner's process
// id, and takes over a lock whose owner has died. A process killed between
// creating the lock file and writing its id leaves an empty one, which
// QSettings only gives up on after half a minute, blocking every write
// until then. The id follows the creation within microseconds, so a lock
// file still empty a tenth of a second after its creation has no owner.
void removeOrphanedLock(const QString& settingsFile)
{
    constexpr qint64 orphanAfterMs = 100;
    const QString path = settingsFile + QStringLiteral(".lock");
    QFileInfo lock(path);
    if (!lock.exists() || lock.size() != 0)
        return;
    const qint64 age = lock.lastModified().msecsTo(QDateTime::currentDateTime());
    if (age >= 0 && age < orphanAfterMs)
        QThread::msleep(static_cast<unsigned long>(orphanAfterMs - age));
    lock.refresh();
    if (lock.exists() && lock.size() == 0)
        QFile::remove(path);
}

// QSettings opens whatever stands at its path and reads it whole, on every
// access: a named pipe blocks it until a writer comes, a huge file costs
// seconds per read and more per write. Only a regular file within the size
// cap, or none at all, is handed to it; other failures (permissions, a
// plain file where a folder should be) QSettings reports by itself.
bool fitForQSettings(const QString& file)
{
    struct stat info = {};
    if (::stat(QFile::encodeName(file).constData(), &info) != 0)
        return true;
    return S_ISREG(info.st_mode) && info.st_size <= QtSettingsStore::sizeCap;
}

// ---------------------------------------------------------------------------
// Reading a file whole

enum class LineKind
{
    Blank,
    Comment,
    Section,
    KeyValue,
    Damaged,
};

// Sorts one line (without its line end) as QSettings reads it: a backslash
// escapes the next character, a line end included, so a line ending in one
// runs on into the next; a double quote opens or closes a stretch in which
// line ends do not end the line, so a quote left open swallows the lines
// after it; a semicolon outside quotes starts a comment. Text is UTF-8
// without control characters, as QSettings writes every other character
// escaped.
LineKind sortLine(const QByteArray& line, QString* problem)
{
    for (const char c : line) {
        const auto byte = static_cast<uchar>(c);
        if ((byte < 0x20 && byte != '\t') || byte == 0x7f) {
            *problem = QStringLiteral("it holds a control character");
            return LineKind::Damaged;
        }
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = utf8.decode(line);
    if (utf8.hasError()) {
        *problem = QStringLiteral("it is not valid UTF-8");
        return LineKind::Damaged;
    }

    qsizetype start = 0;
    while (start < line.size() && (line[start] == ' ' || line[start] == '\t'))
        ++start;
    if (start == line.size())
        return LineKind::Blank;
    if (line[start] == ';')
        return LineKind::Comment;

    bool quoted = false;
    qsizetype equals = -1;
    for (qsizetype i = start; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '\\') {
            if (++i == line.size()) {
                *problem = QStringLiteral("it ends in a backslash, which joins the next line to it");
                return LineKind::Damaged;
            }
        } else if (c == '"') {
            quoted = !quoted;
        } else if (c == ';' && !quoted) {
            break;
        } else if (c == '=' && !quoted && equals < 0) {
            equals = i;
        }
    }
    if (quoted) {
        *problem = QStringLiteral("a quote is never closed");
        return LineKind::Damaged;
    }
    if (line[start] == '#')
        return LineKind::Comment;
    if (line[start] == '[') {
        if (line.indexOf(']', start) < 0) {
            *problem = QStringLiteral("a section name is never closed");
            return LineKind::Damaged;
        }
        return LineKind::Section;
    }
    if (equals < 0) {
        *problem = QStringLiteral("it is neither a section, a comment nor key=value");
        return LineKind::Damaged;
    }
    return LineKind::KeyValue;
}

struct Inspection
{
    // Empty when the text is whole.
    QString problem;
    // The well-formed key=value lines under their well-formed section
    // headers, in their order; QSettings reads each value from them as it
    // read it from the whole text.
    QByteArray salvage;
};

Inspection inspect(const QByteArray& text)
{
    Inspection result;
    const auto note = [&result](const QString& problem) {
        if (result.problem.isEmpty())
            result.problem = problem;
    };
    qsizetype pos = text.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    // Lines under a section header that is itself damaged would land in
    // the section before it.
    bool inReadableSection = true;
    for (int number = 1; pos < text.size(); ++number) {
        const qsizetype end = text.indexOf('\n', pos);
        if (end < 0) {
            // Whatever its shape, the last line may have been cut short.
            note(QStringLiteral("the file ends inside a line"));
            break;
        }
        QByteArray line = text.mid(pos, end - pos);
        pos = end + 1;
        if (line.endsWith('\r'))
            line.chop(1);

        QString problem;
        switch (sortLine(line, &problem)) {
        case LineKind::Damaged:
            note(QStringLiteral("line %1: %2").arg(number).arg(problem));
            if (line.trimmed().startsWith('['))
                inReadableSection = false;
            break;
        case LineKind::Section:
            inReadableSection = true;
            result.salvage += line + '\n';
            break;
        case LineKind::KeyValue:
            if (inReadableSection && line.size() <= QtSettingsStore::longestSalvagedLine)
                result.salvage += line + '\n';
            break;
        case LineKind::Blank:
        case LineKind::Comment:
            break;
        }
    }
    return result;
}

QString errorReason(int error)
{
    switch (error) {
    case EACCES:
    case EPERM:
        return QStringLiteral("permission denied");
    case ENOTDIR:
        return QStringLiteral("a folder on its path is a plain file");
    default:
        return QString::fromLocal8Bit(std::strerror(error));
    }
}

// What stands at the store's path. `text` gets the contents of a regular
// file read whole; nothing else is opened, and no more than the cap read.
StoreCheck examine(const QString& file, QByteArray* text, bool* isLink)
{
    StoreCheck check;
    check.file = file;
    const auto found = [&check](StoreCheck::Condition condition, const QString& reason) {
        check.condition = condition;
        check.reason = reason;
        return check;
    };
    const QByteArray name = QFile::encodeName(file);
    struct stat info = {};
    if (::lstat(name.constData(), &info) != 0) {
        if (errno == ENOENT)
            return found(StoreCheck::Condition::Missing, {});
        return found(StoreCheck::Condition::Unreadable, errorReason(errno));
    }
    *isLink = S_ISLNK(info.st_mode);
    if (*isLink && ::stat(name.constData(), &info) != 0) {
        // A link to a file yet to be made is written through, as before.
        if (errno == ENOENT)
            return found(StoreCheck::Condition::Missing, {});
        if (errno == ELOOP)
            return found(StoreCheck::Condition::Damaged, QStringLiteral("it is a symbolic link that loops"));
        return found(StoreCheck::Condition::Unreadable, errorReason(errno));
    }
    const QString tooLarge =
        QStringLiteral("it is larger than %1 MiB").arg(QtSettingsStore::sizeCap / (1024 * 1024));
    if (S_ISDIR(info.st_mode))
        return found(StoreCheck::Condition::Damaged, QStringLiteral("it is a folder"));
    if (!S_ISREG(info.st_mode))
        return found(StoreCheck::Condition::Damaged, QStringLiteral("it is not a regular file"));
    if (info.st_size > QtSettingsStore::sizeCap)
        return found(StoreCheck::Condition::Damaged, tooLarge);

    // Not blocking: should a named pipe have taken the file's place since
    // the look above, opening it must not wait for a writer.
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return found(StoreCheck::Condition::Unreadable, errorReason(errno));
    QFile opened;
    if (!opened.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return found(StoreCheck::Condition::Unreadable, opened.errorString());
    }
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        return found(StoreCheck::Condition::Damaged, QStringLiteral("it is not a regular file"));
    *text = opened.read(QtSettingsStore::sizeCap + 1);
    if (opened.error() != QFileDevice::NoError)
        return found(StoreCheck::Condition::Unreadable, opened.errorString());
    if (text->size() > QtSettingsStore::sizeCap)
        return found(StoreCheck::Condition::Damaged, tooLarge);
    return found(StoreCheck::Condition::Whole, {});
}

// Renames without ever replacing what already has the new name.
bool moveAside(const QByteArray& from, const QByteArray& to)
{
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // A file system without the flag: checked, then renamed.
    struct stat info = {};
    if (::lstat(to.constData(), &info) == 0 || errno != ENOENT)
        return false;
    return ::rename(from.constData(), to.constData()) == 0;
}

// A name beside `file` that nothing has yet: the file's name, ".damaged-"
// and the local time, so that it sorts next to it and tells when.
QString freeBackupName(const QString& file)
{
    const QString base = file + QStringLiteral(".damaged-") +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString name = base;
    struct stat info = {};
    for (int n = 2; ::lstat(QFile::encodeName(name).constData(), &info) == 0; ++n)
        name = base + QStringLiteral("-%1").arg(n);
    return name;
}

bool writeWhole(const QString& file, const QByteArray& bytes)
{
    QSaveFile out(file);
    out.setDirectWriteFallback(false);
    return out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size() && out.commit();
}

} // namespace

QtSettingsStore::QtSettingsStore() : QtSettingsStore(defaultDirectory()) {}

QtSettingsStore::QtSettingsStore(QString directory) : m_directory(std::move(directory)) {}

QString QtSettingsStore::defaultDirectory()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Ventaro");
}

QString QtSettingsStore::filePath(const QString& application) const
{
    return QDir(m_directory).filePath(application + QStringLiteral(".ini"));
}

QString QtSettingsStore::read(const QString& application, const QString& section, const QString& key) const
{
    if (!validName(application) || !validName(section) || !validName(key))
        return {};
    if (!fitForQSettings(filePath(application)))
        return {};
    // A fresh QSettings per read: another process (or a hand edit) may have
    // changed the file, and readers must see the store as it is now.
    QSettings settings(filePath(application), QSettings::IniFormat);
    const QVariant value = settings.value(section + QLatin1Char('/') + key);
    if (value.userType() == QMetaType::QStringList)
        return value.toStringList().join(QStringLiteral(", "));
    return value.toString();
}

bool QtSettingsStore::write(const QString& application, const QString& section, const QString& key,
                            const QString& value)
{
    if (!validName(application) || !validName(section) || !validName(key))
        return fail(application, QStringLiteral("not a name the store can hold"));
    if (!QDir().mkpath(m_directory))
        return fail(application, QStringLiteral("its folder %1 cannot be made").arg(m_directory));
    if (!fitForQSettings(filePath(application)))
        return fail(application, QStringLiteral("it is not a regular file of a size the program writes"));
    removeOrphanedLock(filePath(application));
    QSettings settings(filePath(application), QSettings::IniFormat);
    settings.setAtomicSyncRequired(true);
    settings.setValue(section + QLatin1Char('/') + key, value);
    settings.sync();
    if (settings.status() == QSettings::NoError)
        return true;
    return fail(application, QString());
}

bool QtSettingsStore::fail(const QString& application, const QString& reason)
{
    QString why = reason;
    if (why.isEmpty()) {
        // QSettings tells only that it failed. Writing the file's present
        // bytes to a save file beside it (and throwing that away) meets the
        // same obstacle and names it: no right to write, a full disk.
        QFile current(filePath(application));
        const QByteArray bytes = current.open(QIODevice::ReadOnly) ? current.readAll() : QByteArray();
        QSaveFile probe(filePath(application));
        if (!probe.open(QIODevice::WriteOnly) || probe.write(bytes + '\n') < 0 || !probe.flush())
            why = probe.errorString();
        probe.cancelWriting();
        if (why.isEmpty())
            why = QStringLiteral("the file could not be written");
    }
    m_lastWriteError = QDir::toNativeSeparators(filePath(application)) + QStringLiteral(": ") + why;
    return false;
}

StoreCheck QtSettingsStore::recover(const QString& application)
{
    QByteArray text;
    bool isLink = false;
    StoreCheck check = examine(filePath(application), &text, &isLink);
    Inspection inspection;
    if (check.condition == StoreCheck::Condition::Whole) {
        inspection = inspect(text);
        if (inspection.problem.isEmpty())
            return check;
        check.condition = StoreCheck::Condition::Damaged;
        check.reason = inspection.problem;
    }
    if (!check.damaged())
        return check;

    const QByteArray file = QFile::encodeName(check.file);
    const QString backup = freeBackupName(check.file);
    const QByteArray backupName = QFile::encodeName(backup);
    const bool readable = !text.isEmpty();
    check.textRead = readable;
    // A damaged regular file gets a second name first, then its place is
    // taken by what could be read of it in one atomic replacement: the path
    // never stands empty, so a start killed half-way finds the damaged file
    // again rather than an empty store.
    if (readable && !isLink && ::link(file.constData(), backupName.constData()) == 0) {
        if (!writeWhole(check.file, inspection.salvage)) {
            ::unlink(backupName.constData());
            return check;
        }
        check.backup = backup;
        return check;
    }
    // Anything else is renamed, which takes no time whatever it is: a
    // folder, a named pipe, a huge file, the link itself.
    if (!moveAside(file, backupName))
        return check;
    check.backup = backup;
    if (readable && !inspection.salvage.isEmpty())
        check.textRead = writeWhole(check.file, inspection.salvage);
    return check;
}
