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

class SectionWriter
{
public:
    SectionWriter(QSettings &store, const char *section)
        : m_store(store)
        , m_section(section)
    { }

    void operator()(const char *key, const QString &value)
    {
        m_store.setValue(m_section + u'/' + QLatin1String(key), value);
    }
    void operator()(const char *key, qint64 value) { (*this)(key, QString::number(value)); }

private:
    QSettings &m_store;
    QString m_section;
};

QString programFolderFile(const char *name)
{
    return QCoreApplication::applicationDirPath() + u'/' + QLatin1String(name);
}

// Whether the store, read afresh, holds exactly the model. QSettings reports a damaged file as
// it reads the old contents, and keeps that status after it has replaced them with good ones; so
// the outcome of the write itself is what the store holds now.
bool holdsExactly(const QSettings &store, const SettingsModel &m)
{
    QSettings written(store.fileName(), store.format());
    if (written.status() != QSettings::NoError)
        return false;
    SettingsModel readBack;
    try {
        loadSettingsFrom(written, readBack);
    } catch (const SettingsConversionError &) {
        return false;
    }
    readBack.IsKeyCode = m.IsKeyCode;
    return readBack == m;
}

// The system's reason why the store's file cannot be written, found by doing what writing it
// takes: its folder, and a new file there filled as far as the settings need. The new file is
// thrown away; the store's file is left alone.
QString whyNotWritable(const QSettings &store)
{
    const QFileInfo file(store.fileName());
    if (!QDir().mkpath(file.absolutePath())) {
        // The first part of the path that exists but is no folder, or cannot take a new one.
        QFileInfo part(file.absolutePath());
        while (!part.exists() && part.absolutePath() != part.absoluteFilePath())
            part = QFileInfo(part.absolutePath());
        return part.isDir() ? QStringLiteral("the folder %1 cannot be created in %2")
                                      .arg(file.absolutePath(), part.filePath())
                            : QStringLiteral("%1 is a file, not a folder").arg(part.filePath());
    }
    QSaveFile probe(file.absoluteFilePath());
    if (probe.open(QIODevice::WriteOnly)) {
        // As much as the settings take, so that a full disk shows.
        probe.write(QByteArray(std::max<qint64>(file.size(), 4096), ' '));
        if (probe.flush() && probe.error() == QFileDevice::NoError) {
            probe.cancelWriting();
            return QStringLiteral("the system gave no reason");
        }
    }
    const QString reason = probe.errorString();
    probe.cancelWriting();
    return reason;
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
}

bool saveSettingsTo(QSettings &store, const SettingsModel &m, QString *error)
{
    SectionWriter colors(store, "ColorSettings");
    for (const ColorSetting &color : colorTable())
        colors(color.settingsKey, m.*color.field);
    colors("LEDSelectedWidth", m.LEDSelectedWidth);

    for (const CommandKey &command : commandTable())
        SectionWriter(store, command.section)(command.settingsKey, m.*command.field);
    SectionWriter keys(store, "KeySettings");
    keys("BuzzerFile", m.BuzzerFile);
    keys("PenaltyIncrementSec", m.PenaltyIncrementSec);
    keys("PeriodEndSoundFile", m.PeriodEndSoundFile);
    // The check boxes store their state, "1" or "0".
    keys("SuppressPeriodSound", m.SuppressPeriodSound == 1 ? 1 : 0);
    keys("JoinJamPenalty", m.JoinJamPenalty == 1 ? 1 : 0);
    keys("NumLockForce", m.NumLockForce);

    SectionWriter texts(store, "TextSettings");
    texts("TitleText", m.TitleText);
    texts("HomeText", m.HomeText);
    texts("VisitorText", m.VisitorText);

    SectionWriter pictures(store, "PicSettings");
    pictures("HomePic", m.HomePic);
    pictures("VisitorPic", m.VisitorPic);
    pictures("BoardPic", m.BoardPic);
    pictures("LEDType", m.LEDType);

    keys("IsKeyCode", QStringLiteral("Yes"));

    SectionWriter bout(store, "BoutSettings");
    bout("NewBoutKey", m.NewBoutKey);

    SectionWriter screens(store, "ScreenSettings");
    screens("AudienceScreen", m.AudienceScreen);

    // QSettings writes lazily; sync now so that a store that cannot be written is reported to the
    // operator while the Options window is still open, not lost silently at exit.
    store.sync();
    if (store.status() == QSettings::NoError
        || (store.status() == QSettings::FormatError && holdsExactly(store, m)))
        return true;
    if (error)
        *error = QStringLiteral("%1 could not be written: %2.")
                         .arg(store.fileName(), whyNotWritable(store));
    return false;
}

void LoadSettings()
{
    QSettings store = userStore();
    loadSettingsFrom(store, settings());
}

bool SaveSettings(QString *error)
{
    QSettings store = userStore();
    return saveSettingsTo(store, settings(), error);
}
