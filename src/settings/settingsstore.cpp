#include "settingsstore.h"

#include "colortable.h"
#include "commandtable.h"
#include "settingsconversion.h"

#include <QCoreApplication>
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

    SectionWriter screens(store, "ScreenSettings");
    screens("AudienceScreen", m.AudienceScreen);

    // QSettings writes lazily; sync now so that a store that cannot be written is reported to the
    // operator while the Options window is still open, not lost silently at exit.
    store.sync();
    if (store.status() == QSettings::NoError)
        return true;
    if (error) {
        *error = store.status() == QSettings::AccessError
                ? QStringLiteral("%1 could not be written: permission denied or disk full.")
                          .arg(store.fileName())
                : QStringLiteral("%1 could not be written: the file is damaged.")
                          .arg(store.fileName());
    }
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
