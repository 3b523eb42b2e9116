#include "settingsstore.h"

#include "colortable.h"
#include "commandtable.h"
#include "handtyped.h"
#include "scalartable.h"
#include "settings.h"
#include "settingsconversion.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>
#include <QStringDecoder>
#include <QStringList>
#include <QTemporaryFile>

#include <algorithm>
#include <array>
#include <optional>
#include <type_traits>
#include <variant>

namespace {

constexpr auto kApplication = "Corvanta";

// Reads and converts the keys of one section, reporting a failed conversion with its place.
class SectionReader
{
public:
    SectionReader(QSettings &store, const char *section)
        : m_store(store)
        , m_section(section)
    { }

    QString text(const char *key, const QString &fallback) const
    {
        const QVariant value = m_store.value(m_section + u'/' + QLatin1String(key));
        if (!value.isValid())
            return fallback;
        // A hand-edited value with commas comes back from QSettings as a list.
        if (value.metaType().id() == QMetaType::QStringList)
            return value.toStringList().join(QLatin1String(", "));
        return value.toString();
    }

    template<typename Int>
    Int strict(const char *key, const QString &fallback) const
    {
        const QString stored = text(key, fallback);
        const auto number = SettingsConversion::strictInteger(
                stored, std::numeric_limits<Int>::min(), std::numeric_limits<Int>::max());
        if (!number)
            throw SettingsConversionError(m_section, QLatin1String(key), stored,
                                          m_store.fileName());
        return Int(*number);
    }

    qint16 lenient(const char *key, const QString &fallback) const
    {
        return qint16(SettingsConversion::lenientInteger(text(key, fallback),
                                                         std::numeric_limits<qint16>::min(),
                                                         std::numeric_limits<qint16>::max()));
    }

private:
    QSettings &m_store;
    QString m_section;
};

// Writes the settings file's text section by section, in the form QSettings itself writes and
// reads back. A text is quoted only where QSettings would quote it, so that commas, semicolons,
// equals signs and blanks at either end come back as they are.
class SectionWriter
{
public:
    SectionWriter(QByteArray &file, const char *section)
        : m_file(file)
    {
        m_file += '[' + QByteArray(section) + "]\n";
    }
    ~SectionWriter() { m_file += '\n'; }
    Q_DISABLE_COPY_MOVE(SectionWriter)

    void operator()(const char *key, const QString &value)
    {
        const QString text = escaped(value);
        const bool quoted = text.startsWith(u' ') || text.endsWith(u' ') || text.contains(u';')
                || text.contains(u',') || text.contains(u'=');
        m_file += QByteArray(key) + '=' + (quoted ? '"' + text.toUtf8() + '"' : text.toUtf8())
                + '\n';
    }
    void operator()(const char *key, qint64 value)
    {
        m_file += QByteArray(key) + '=' + QByteArray::number(value) + '\n';
    }

private:
    static QString escaped(const QString &text)
    {
        // QSettings takes a value beginning with "@" for a type tag unless the "@" is doubled.
        QString out = text.startsWith(u'@') ? QStringLiteral("@") : QString();
        bool hexFollows = false;
        for (const QChar c : text) {
            const char16_t u = c.toLower().unicode();
            const bool hexDigit = (u >= u'0' && u <= u'9') || (u >= u'a' && u <= u'f');
            if (c == u'"' || c == u'\\') {
                out += u'\\';
                out += c;
            } else if (c == u'\n') {
                out += QStringLiteral("\\n");
            } else if (c == u'\r') {
                out += QStringLiteral("\\r");
            } else if (c == u'\t') {
                out += QStringLiteral("\\t");
            } else if (c.unicode() < 0x20 || c.unicode() == 0x7f || (hexFollows && hexDigit)) {
                // A hexadecimal escape runs on over every hexadecimal digit after it, so a digit
                // that follows one is escaped too.
                out += QStringLiteral("\\x%1").arg(c.unicode(), 0, 16);
                hexFollows = true;
                continue;
            } else {
                out += c;
            }
            hexFollows = false;
        }
        return out;
    }

    QByteArray &m_file;
};

// A number a ranged setting cannot take reads as its default.
template<typename Int>
Int ranged(Int value, const ScalarSetting &row)
{
    if (row.high > row.low && (value < row.low || value > row.high))
        return Int(QByteArray(row.defaultText).toLongLong());
    return value;
}

QString programFolderFile(const char *name)
{
    return QCoreApplication::applicationDirPath() + u'/' + QLatin1String(name);
}

// Writes the whole file anew, through a new file that replaces the old one only once it is
// complete. On failure, the system's reason.
std::optional<QString> replaceFile(const QString &fileName, const QByteArray &contents)
{
    const QFileInfo file(fileName);
    if (!QDir().mkpath(file.absolutePath())) {
        // The first part of the path that exists but is no folder, or cannot take a new one.
        QFileInfo part(file.absolutePath());
        while (!part.exists() && part.absolutePath() != part.absoluteFilePath())
            part = QFileInfo(part.absolutePath());
        return part.isDir() ? QStringLiteral("the folder %1 cannot be created in %2")
                                      .arg(file.absolutePath(), part.filePath())
                            : QStringLiteral("%1 is a file, not a folder").arg(part.filePath());
    }
    QSaveFile out(file.absoluteFilePath());
    // Unbuffered, so that a write the disk takes only in part shows here, and the next write
    // brings the system's reason ("No space left on device", "File too large").
    if (out.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        qint64 written = 0;
        while (written < contents.size()) {
            const qint64 step
                    = out.write(contents.constData() + written, contents.size() - written);
            if (step <= 0)
                break;
            written += step;
        }
        if (written == contents.size() && out.commit())
            return std::nullopt;
    }
    const QString reason = out.errorString();
    out.cancelWriting();
    return reason.isEmpty() ? QStringLiteral("the system gave no reason") : reason;
}

QString g_readProblem;

// What the program or an editor writes is text: no control characters but tabs and line ends. A
// file cut short or overwritten by a crash (zeros, random bytes) is not, and yields the original
// settings where it fails.
bool isText(const QByteArray &bytes)
{
    return std::none_of(bytes.begin(), bytes.end(), [](char c) {
        return uchar(c) < 0x20 && c != '\t' && c != '\n' && c != '\r';
    });
}

// A damaged file with its lines that hold control characters left out: what they held reads as
// its default, and a number cut short by zeros does not stop the board.
QByteArray withoutDamagedLines(const QByteArray &bytes)
{
    QList<QByteArray> kept;
    for (const QByteArray &line : bytes.split('\n')) {
        if (isText(line))
            kept.append(line);
    }
    return kept.join('\n');
}

// Whether a key's value is a text (a name, a file's path) rather than a number.
bool holdsText(const QByteArray &section, const QByteArray &key)
{
    for (const ScalarSetting &row : scalarTable()) {
        if (section == row.section && key == row.settingsKey)
            return std::holds_alternative<QString SettingsModel::*>(row.field);
    }
    return false;
}

// The file's text as UTF-8, which QSettings reads. A file saved by an older editor in the Western
// 8-bit encoding ("Zürich" as one byte for the ü) is taken as such, not shown with marks for
// characters it could not read.
QByteArray asUtf8(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    [[maybe_unused]] const QString decoded = utf8(bytes);
    if (!utf8.hasError())
        return bytes;
    QStringDecoder western("windows-1252");
    return (western.isValid() ? QString(western(bytes)) : QString::fromLatin1(bytes)).toUtf8();
}

QSettings userStore()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, kApplication, kApplication);
}

} // namespace

SettingsConversionError::SettingsConversionError(const QString &section, const QString &key,
                                                 const QString &text, const QString &fileName)
    : std::runtime_error("stored setting does not convert")
    , section(section)
    , key(key)
    , text(text)
    , fileName(fileName)
{ }

QString SettingsConversionError::message() const
{
    return QStringLiteral("The setting %1/%2 holds \"%3\", which is not a number the setting can "
                          "take. Correct or remove it in %4 and start again.")
            .arg(section, key, text, fileName);
}

QString settingsFileName()
{
    return userStore().fileName();
}

// The command keys in the order they are read, which decides which of several keys that do not
// convert is told: the clocks', then the separate time's and the clear key's, then the sounds'
// and the penalty increment's, as the first files were read; the later commands after them.
QList<const CommandKey *> commandsInReadOrder()
{
    static const std::array kFirst {Command::StartStopJamClock,
                                    Command::ResetJamClock,
                                    Command::StartStopPeriodClock,
                                    Command::ResetPeriodClock,
                                    Command::ClockSwitch,
                                    Command::SepTime,
                                    Command::Clear,
                                    Command::Buzzer,
                                    Command::PeriodEndSound,
                                    Command::PenaltyIncrement};
    QList<const CommandKey *> order;
    for (const CommandKey &command : commandTable())
        order << &command;
    const auto rank = [](const CommandKey *command) {
        return std::find(kFirst.begin(), kFirst.end(), command->command) - kFirst.begin();
    };
    std::stable_sort(order.begin(), order.end(), [&rank](const CommandKey *a, const CommandKey *b) {
        return rank(a) < rank(b);
    });
    return order;
}

void loadSettingsFrom(QSettings &store, SettingsModel &m)
{
    for (const char *section : settingsSections()) {
        const SectionReader reader(store, section);
        if (qstrcmp(section, "ColorSettings") == 0) {
            // The selection frame's colour defaults to the window's background as stored, so it
            // is read right after FormBack.
            for (const ColorSetting &color : colorTable()) {
                if (color.field == &SettingsModel::LEDSelected)
                    continue;
                m.*color.field = reader.strict<qint32>(color.settingsKey,
                                                       QString::number(color.defaultColor));
                if (color.field == &SettingsModel::FormBack)
                    m.LEDSelected
                            = reader.strict<qint32>("LEDSelected", QString::number(m.FormBack));
            }
        }
        for (const CommandKey *command : commandsInReadOrder()) {
            if (qstrcmp(command->section, section) == 0)
                m.*command->field = reader.strict<qint16>(command->settingsKey,
                                                          QString::number(command->defaultKey));
        }
        for (const ScalarSetting &row : scalarTable()) {
            if (qstrcmp(row.section, section) != 0)
                continue;
            const QString fallback = row.inProgramFolder ? programFolderFile(row.defaultText)
                                                         : QLatin1String(row.defaultText);
            const char *key = row.settingsKey;
            std::visit(
                    [&](auto field) {
                        using Value = std::remove_cvref_t<decltype(m.*field)>;
                        if constexpr (std::is_same_v<Value, QString>)
                            m.*field = reader.text(key, fallback);
                        else if constexpr (std::is_same_v<Value, bool>)
                            m.*field = reader.lenient(key, fallback) == 1;
                        else if constexpr (std::is_same_v<Value, NumLockMode>)
                            m.*field = NumLockMode(reader.strict<qint32>(key, fallback));
                        else
                            m.*field = ranged(reader.strict<Value>(key, fallback), row);
                    },
                    row.field);
        }
    }
    untangleCommandKeys(m);
}

// The game flow's section is written only once something in it differs from its defaults, so that
// the file of a board that never runs the game flow stays as it always was; a file without the
// section loads the same defaults.
namespace {

constexpr auto kGameSection = "GameSettings";

bool sectionAtDefaults(const char *section, const SettingsModel &m)
{
    for (const CommandKey &command : commandTable()) {
        if (qstrcmp(command.section, section) == 0 && m.*command.field != command.defaultKey)
            return false;
    }
    for (const ScalarSetting &row : scalarTable()) {
        if (qstrcmp(row.section, section) != 0)
            continue;
        const bool atDefault = std::visit(
                [&](auto field) {
                    using Value = std::remove_cvref_t<decltype(m.*field)>;
                    if constexpr (std::is_same_v<Value, QString>)
                        return m.*field == QLatin1String(row.defaultText);
                    else
                        return qint64(m.*field) == QByteArray(row.defaultText).toLongLong();
                },
                row.field);
        if (!atDefault)
            return false;
    }
    return true;
}

} // namespace

QByteArray settingsFileText(const SettingsModel &m)
{
    QByteArray file;
    for (const char *section : settingsSections()) {
        if (qstrcmp(section, kGameSection) == 0 && sectionAtDefaults(section, m))
            continue;
        SectionWriter writer(file, section);
        if (qstrcmp(section, "ColorSettings") == 0) {
            for (const ColorSetting &color : colorTable())
                writer(color.settingsKey, m.*color.field);
        }
        for (const CommandKey &command : commandTable()) {
            if (qstrcmp(command.section, section) == 0)
                writer(command.settingsKey, m.*command.field);
        }
        for (const ScalarSetting &row : scalarTable()) {
            if (qstrcmp(row.section, section) != 0)
                continue;
            if (row.writtenAs) {
                writer(row.settingsKey, QLatin1String(row.writtenAs));
                continue;
            }
            std::visit(
                    [&](auto field) {
                        using Value = std::remove_cvref_t<decltype(m.*field)>;
                        if constexpr (std::is_same_v<Value, QString>)
                            writer(row.settingsKey, m.*field);
                        else
                            writer(row.settingsKey, qint64(m.*field));
                    },
                    row.field);
        }
    }
    return file;
}

bool saveSettingsTo(const QString &fileName, const SettingsModel &m, QString *error)
{
    // The file is written whole from the model, never read first: what the old file held beside
    // the settings (keys of other versions, lines that are no setting at all, megabytes of a
    // damaged disk) is dropped, and reading it cannot hold up the board.
    const std::optional<QString> failure = replaceFile(fileName, settingsFileText(m));
    if (failure && error)
        *error = QStringLiteral("%1 could not be written: %2.").arg(fileName, *failure);
    return !failure;
}

void LoadSettings()
{
    QSettings store = userStore();
    SettingsModel loaded;
    // A file with quotes, backslashes, commas or semicolons typed by hand into its values, or
    // saved in an 8-bit encoding, is read from a copy in UTF-8 with them escaped, so that each is
    // read as typed and the settings after it are read too. The file itself is left as it is
    // until the settings are next saved, which writes them escaped, in UTF-8.
    const QString fileName = store.fileName();
    QFile file(fileName);
    const QFileInfo info(fileName);
    const bool readable = info.isFile() && file.open(QIODevice::ReadOnly);
    const QByteArray original = readable ? file.readAll() : QByteArray();
    const bool text = isText(original);
    const QByteArray mended = HandTyped::escaped(
            asUtf8(text ? original : withoutDamagedLines(original)), holdsText);
    QTemporaryFile copy;
    if (mended == original || !copy.open() || copy.write(mended) != mended.size()
        || !copy.flush()) {
        loadSettingsFrom(store, loaded);
    } else {
        QSettings fromCopy(copy.fileName(), QSettings::IniFormat);
        try {
            loadSettingsFrom(fromCopy, loaded);
        } catch (SettingsConversionError &error) {
            error.fileName = fileName;
            throw;
        }
    }
    g_readProblem.clear();
    if (info.exists() && (!readable || file.error() != QFileDevice::NoError))
        g_readProblem = QStringLiteral("The settings file cannot be read (%1): Corvanta runs "
                                       "with its original settings.")
                                .arg(info.isDir() ? QStringLiteral("it is a folder")
                                                  : file.errorString());
    else if (!text)
        g_readProblem = QStringLiteral("The settings file is damaged: what cannot be read in it "
                                       "is at its original setting.");
    Settings::instance().setValue(loaded);
}

QString SettingsReadProblem()
{
    return g_readProblem;
}

bool SaveSettings(QString *error)
{
    return saveSettingsTo(settingsFileName(), settings(), error);
}
