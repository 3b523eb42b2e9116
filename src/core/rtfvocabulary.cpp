#include "rtfvocabulary.h"

#include <QSet>

#include <array>

namespace RtfVocabulary {

// Windows-1252 differs from Latin-1 only in 0x80..0x9F; the undefined bytes keep their value,
// as Windows itself maps them.
namespace {

constexpr std::array<char16_t, 32> Cp1252High
        = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
           0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
           0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

} // namespace

QString decodeCp1252(QByteArrayView bytes)
{
    QString out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        const auto b = static_cast<uchar>(c);
        out += QChar(b >= 0x80 && b < 0xA0 ? Cp1252High[b - 0x80] : char16_t(b));
    }
    return out;
}

int codePageOfCharset(int charset)
{
    switch (charset) {
    case 77:
        return 10000;
    case 128:
        return 932;
    case 129:
        return 949;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    case 255:
        return 437;
    default:
        return 0; // ANSI, default and symbol fonts read as the document's code page
    }
}

QTextListFormat::Style styleOfMarker(const QString &marker)
{
    const QString m = marker.trimmed();
    if (m.isEmpty())
        return QTextListFormat::ListDisc;
    const QChar c = m.front();
    if (c.isDigit())
        return QTextListFormat::ListDecimal;
    if (m.size() <= 3 && c >= u'a' && c <= u'z')
        return QTextListFormat::ListLowerAlpha;
    if (m.size() <= 3 && c >= u'A' && c <= u'Z')
        return QTextListFormat::ListUpperAlpha;
    return QTextListFormat::ListDisc;
}

namespace {

const QSet<QByteArray> &skippedDestinationNames()
{
    // Destinations whose text is never part of the body; most writers also mark them with \*.
    static const QSet<QByteArray> names = {"stylesheet",
                                           "info",
                                           "pict",
                                           "object",
                                           "header",
                                           "headerl",
                                           "headerr",
                                           "headerf",
                                           "footer",
                                           "footerl",
                                           "footerr",
                                           "footerf",
                                           "footnote",
                                           "fldinst",
                                           "listtable",
                                           "listoverridetable",
                                           "revtbl",
                                           "rsidtbl",
                                           "filetbl",
                                           "xe",
                                           "tc",
                                           "txe",
                                           "annotation",
                                           "atnid",
                                           "atnauthor",
                                           "nonshppict",
                                           "shp",
                                           "shpinst",
                                           "bkmkstart",
                                           "bkmkend",
                                           "generator",
                                           "themedata",
                                           "colorschememapping",
                                           "latentstyles",
                                           "datastore",
                                           "xmlnstbl",
                                           "pgdsctbl",
                                           "docvar",
                                           "template",
                                           "userprops",
                                           "fldtype",
                                           "mmathPr",
                                           "ftnsep",
                                           "ftnsepc",
                                           "ftncn",
                                           "aftnsep",
                                           "aftnsepc",
                                           "aftncn",
                                           "pnseclvl",
                                           "pntxta",
                                           "pntxtb",
                                           "title",
                                           "author",
                                           "operator",
                                           "comment",
                                           "keywords",
                                           "subject"};
    return names;
}

} // namespace

bool isSkippedDestination(QByteArrayView word)
{
    return skippedDestinationNames().contains(word.toByteArray());
}

namespace {

template<typename T>
struct Named
{
    const char *name;
    T value;
};

template<typename T, std::size_t N>
std::optional<T> lookup(const Named<T> (&table)[N], QByteArrayView word)
{
    for (const Named<T> &entry : table) {
        if (word == entry.name)
            return entry.value;
    }
    return std::nullopt;
}

const Named<QChar> Symbols[]
        = {{"emdash", QChar(0x2014)},   {"endash", QChar(0x2013)}, {"bullet", QChar(0x2022)},
           {"lquote", QChar(0x2018)},   {"rquote", QChar(0x2019)}, {"ldblquote", QChar(0x201C)},
           {"rdblquote", QChar(0x201D)}};

const Named<Qt::Alignment> Alignments[] = {{"ql", Qt::AlignLeft},
                                           {"qc", Qt::AlignHCenter},
                                           {"qr", Qt::AlignRight},
                                           {"qj", Qt::AlignJustify}};

const Named<int> CharacterSets[] = {{"ansi", 1252}, {"pc", 437}, {"pca", 850}, {"mac", 10000}};

// How WordPad's paragraph numbering names its styles.
const Named<QTextListFormat::Style> PnStyles[] = {
        {"pnlvlblt", QTextListFormat::ListDisc},      {"pndec", QTextListFormat::ListDecimal},
        {"pnlcltr", QTextListFormat::ListLowerAlpha}, {"pnucltr", QTextListFormat::ListUpperAlpha},
        {"pnlcrm", QTextListFormat::ListLowerRoman},  {"pnucrm", QTextListFormat::ListUpperRoman}};

} // namespace

std::optional<QChar> symbol(QByteArrayView word)
{
    return lookup(Symbols, word);
}

std::optional<Qt::Alignment> alignment(QByteArrayView word)
{
    return lookup(Alignments, word);
}

std::optional<int> characterSetCodePage(QByteArrayView word)
{
    return lookup(CharacterSets, word);
}

std::optional<QTextListFormat::Style> numberingStyle(QByteArrayView word)
{
    return lookup(PnStyles, word);
}

} // namespace RtfVocabulary
