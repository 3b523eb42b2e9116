#include "settingsstore.h"

#include "colortable.h"
#include "commandtable.h"
#include "settingsconversion.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>
#include <QStringList>

#include <optional>

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
    Int strict(const char *key, Int fallback) const
    {
        const QString stored = text(key, QString::number(fallback));
        const auto number = SettingsConversion::strictInteger(
                stored, std::numeric_limits<Int>::min(), std::numeric_limits<Int>::max());
        if (!number)
            throw SettingsConversionError(m_section, QLatin1String(key), stored,
                                          m_store.fileName());
        return Int(*number);
    }

    qint16 lenient(const char *key, qint16 fallback) const
    {
        return qint16(SettingsConversion::lenientInteger(text(key, QString::number(fallback)),
                                                         std::numeric_limits<qint16>::min(),
                                                         std::numeric_limits<qint16>::max()));
    }

private:
    QSettings &m_store;
    QString m_section;
};

// Writes the settings file's text section by section, in the form QSettings reads back. Texts are
// quoted, so that commas, semicolons and blanks at either end come back as they are.
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
        m_file += QByteArray(key) + "=\"" + escaped(value).toUtf8() + "\"\n";
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

void loadSettingsFrom(QSettings &store, SettingsModel &m)
{
    const SectionReader colors(store, "ColorSettings");
    // The selection frame's colour defaults to the window's background as stored, so it is read
    // after FormBack.
    for (const ColorSetting &color : colorTable()) {
        if (color.field != &SettingsModel::LEDSelected)
            m.*color.field = colors.strict<qint32>(color.settingsKey, color.defaultColor);
    }
    m.LEDSelected = colors.strict<qint32>("LEDSelected", m.FormBack);
    m.LEDSelectedWidth = colors.strict<qint16>("LEDSelectedWidth", 0);

    for (const CommandKey &command : commandTable()) {
        m.*command.field = SectionReader(store, command.section)
                                   .strict<qint16>(command.settingsKey, command.defaultKey);
    }
    const SectionReader keys(store, "KeySettings");
    m.BuzzerFile = keys.text("BuzzerFile", programFolderFile("buzzer.wav"));
    m.JoinJamPenalty = keys.lenient("JoinJamPenalty", 1);
    m.PeriodEndSoundFile = keys.text("PeriodEndSoundFile", programFolderFile("periodendsound.wav"));
    m.SuppressPeriodSound = keys.lenient("SuppressPeriodSound", 0);
    m.PenaltyIncrementSec = keys.strict<qint16>("PenaltyIncrementSec", 90);
    m.NumLockForce = keys.strict<qint32>("NumLockForce", 0);
    m.IsKeyCode = keys.text("IsKeyCode", QStringLiteral("No"));

    const SectionReader texts(store, "TextSettings");
    m.TitleText = texts.text("TitleText", QStringLiteral("Home"));
    m.HomeText = texts.text("HomeText", QStringLiteral("Home"));
    m.VisitorText = texts.text("VisitorText", QStringLiteral("Visitor"));

    const SectionReader pictures(store, "PicSettings");
    m.HomePic = pictures.text("HomePic", QString());
    m.VisitorPic = pictures.text("VisitorPic", QString());
    m.BoardPic = pictures.text("BoardPic", QString());
    m.LEDType = pictures.strict<qint16>("LEDType", 0);

    const SectionReader bout(store, "BoutSettings");
    m.NewBoutKey = bout.strict<qint16>("NewBoutKey", 0);

    // Added after the first four sections: a file without it has no audience board.
    const SectionReader screens(store, "ScreenSettings");
    m.AudienceScreen = screens.text("AudienceScreen", QString());

    untangleCommandKeys(m);
}

QByteArray settingsFileText(const SettingsModel &m)
{
    QByteArray file;
    {
        SectionWriter colors(file, "ColorSettings");
        for (const ColorSetting &color : colorTable())
            colors(color.settingsKey, m.*color.field);
        colors("LEDSelectedWidth", m.LEDSelectedWidth);
    }
    {
        SectionWriter keys(file, "KeySettings");
        for (const CommandKey &command : commandTable()) {
            if (qstrcmp(command.section, "KeySettings") == 0)
                keys(command.settingsKey, m.*command.field);
        }
        keys("BuzzerFile", m.BuzzerFile);
        keys("PenaltyIncrementSec", m.PenaltyIncrementSec);
        keys("PeriodEndSoundFile", m.PeriodEndSoundFile);
        // The check boxes store their state, "1" or "0".
        keys("SuppressPeriodSound", m.SuppressPeriodSound == 1 ? 1 : 0);
        keys("JoinJamPenalty", m.JoinJamPenalty == 1 ? 1 : 0);
        keys("NumLockForce", m.NumLockForce);
        keys("IsKeyCode", QStringLiteral("Yes"));
    }
    {
        SectionWriter texts(file, "TextSettings");
        texts("TitleText", m.TitleText);
        texts("HomeText", m.HomeText);
        texts("VisitorText", m.VisitorText);
    }
    {
        SectionWriter pictures(file, "PicSettings");
        pictures("HomePic", m.HomePic);
        pictures("VisitorPic", m.VisitorPic);
        pictures("BoardPic", m.BoardPic);
        pictures("LEDType", m.LEDType);
    }
    {
        SectionWriter bout(file, "BoutSettings");
        bout("NewBoutKey", m.NewBoutKey);
    }
    {
        SectionWriter screens(file, "ScreenSettings");
        for (const CommandKey &command : commandTable()) {
            if (qstrcmp(command.section, "ScreenSettings") == 0)
                screens(command.settingsKey, m.*command.field);
        }
        screens("AudienceScreen", m.AudienceScreen);
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
    loadSettingsFrom(store, settings());
}

bool SaveSettings(QString *error)
{
    return saveSettingsTo(settingsFileName(), settings(), error);
}
